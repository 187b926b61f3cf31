#pragma once
// Tells a service manager (systemd, Type=notify) that the terminal is up, that its GUI thread
// still turns, and that it is going down. Without NOTIFY_SOCKET in the environment it does nothing.

#include <QObject>
#include <QTimer>

#include <chrono>

class TServiceNotify final : public QObject {
 public:
  // Sends READY=1 and, when the manager asks for a watchdog, starts pinging from the thread that
  // constructs it (the GUI thread): a hung event loop then stops the pings and the manager
  // restarts the terminal. Sends STOPPING=1 by itself when the application's loop is about to end.
  explicit TServiceNotify(QObject* parent = nullptr);

  // Sends STOPPING=1 once and ends the pings.
  void Stopping();

  // The time between two WATCHDOG=1 messages; zero without a watchdog.
  std::chrono::milliseconds WatchdogPeriod() const { return FPeriod; }

 private:
  QTimer FTimer;
  std::chrono::milliseconds FPeriod{0};
  bool FStopping = false;
};
