#pragma once
// Local wall-clock time, behind an interface so that tests can set and advance it.

#include <QDateTime>

class IClock {
 public:
  virtual ~IClock() = default;
  virtual QDateTime Now() const = 0;
};

class TSystemClock final : public IClock {
 public:
  QDateTime Now() const override { return QDateTime::currentDateTime(); }
};
