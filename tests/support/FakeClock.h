#pragma once
// A clock that tells the time it is set to.

#include "core/uClock.h"

class TFakeClock final : public IClock {
 public:
  explicit TFakeClock(QDateTime now) : FNow(std::move(now)) {}
  QDateTime Now() const override { return FNow; }
  void Set(QDateTime now) { FNow = std::move(now); }

 private:
  QDateTime FNow;
};

inline QDateTime LocalTime(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}
