#include "platform/TServiceNotify.h"

#include <QCoreApplication>

#include <systemd/sd-daemon.h>

#include <algorithm>

namespace {
// The manager's deadline is WATCHDOG_USEC; pinging at half of it leaves a whole period for a late
// timer; pinging at least every 10 s keeps a missed ping from costing a whole long period.
constexpr std::chrono::milliseconds kMaxPeriod{10'000};
}  // namespace

TServiceNotify::TServiceNotify(QObject* parent) : QObject(parent) {
  // Started by hand: no manager listens, so no timer either.
  if (qEnvironmentVariableIsEmpty("NOTIFY_SOCKET")) return;
  // The environment is left as it is (unset_environment = 0): helper processes that inherit it
  // are no danger, WATCHDOG_PID names only us and the unit accepts messages from its main process.
  sd_notify(0, "READY=1");
  uint64_t usec = 0;
  if (sd_watchdog_enabled(0, &usec) > 0 && usec > 0) {
    const auto half = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::microseconds(usec / 2));
    FPeriod = std::clamp(half, std::chrono::milliseconds(1), kMaxPeriod);
    connect(&FTimer, &QTimer::timeout, this, [] { sd_notify(0, "WATCHDOG=1"); });
    FTimer.start(FPeriod);
  }
  if (const QCoreApplication* app = QCoreApplication::instance())
    connect(app, &QCoreApplication::aboutToQuit, this, &TServiceNotify::Stopping);
}

void TServiceNotify::Stopping() {
  if (FStopping) return;
  FStopping = true;
  FTimer.stop();
  sd_notify(0, "STOPPING=1");
}
