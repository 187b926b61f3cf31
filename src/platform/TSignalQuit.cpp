#include "platform/TSignalQuit.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// A signal handler may only write to a descriptor; the event loop reads the other end.
int gPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(gPipe[0], &byte, 1);
}
}  // namespace

TSignalQuit::TSignalQuit() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPipe) != 0) return;
  FNotifier = new QSocketNotifier(gPipe[1], QSocketNotifier::Read, this);
  connect(FNotifier, &QSocketNotifier::activated, this, [] {
    char byte;
    [[maybe_unused]] const ssize_t n = ::read(gPipe[1], &byte, 1);
    // Not quit(): a GUI application's quit asks the windows first, and a window that only hides
    // on close would turn the service manager's stop into nothing.
    QCoreApplication::exit(0);
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

TSignalQuit::~TSignalQuit() {
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
  delete FNotifier;
  FNotifier = nullptr;
  for (int& fd : gPipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}
