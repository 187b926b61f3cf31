#pragma once
// Local wall-clock time, behind an interface so that tests can set and advance it.

#include <QDateTime>

#include <chrono>

class IClock {
 public:
  virtual ~IClock() = default;
  virtual QDateTime Now() const = 0;
  // Milliseconds on a clock that never jumps, for measuring silence: a wall clock set back by
  // an hour must not blind the connection watchdog for an hour. A clock set by hand measures
  // on its own wall time.
  virtual qint64 SteadyMs() const { return Now().toMSecsSinceEpoch(); }
};

class TSystemClock final : public IClock {
 public:
  QDateTime Now() const override { return QDateTime::currentDateTime(); }
  qint64 SteadyMs() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
};
