// Crashes on purpose for the crash report tests: crasher MODE DIR VERSION, where MODE is segv,
// abort, exception, overflow, fpe or threads (two threads fault at once). Reports go to DIR/Log.

#include "platform/TCrashReporter.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <barrier>
#include <thread>
#include <stdexcept>
#include <sys/resource.h>

namespace {

volatile int gDepth = 0;

// Endless recursion whose frames the compiler cannot fold away.
__attribute__((noinline)) int Recurse(int depth) {
  volatile char frame[512];
  frame[0] = char(depth);
  gDepth = depth;
  if (depth < 0) return frame[0];
  return Recurse(depth + 1) + frame[0];
}

}  // namespace

// The null write is the point here, not something the undefined-behaviour checks should stop.
__attribute__((noinline, no_sanitize("undefined"))) int CrashHere(const char* mode) {
  if (strcmp(mode, "segv") == 0) {
    volatile int* volatile target = nullptr;
    *target = 42;
  } else if (strcmp(mode, "abort") == 0) {
    abort();
  } else if (strcmp(mode, "exception") == 0) {
    throw std::runtime_error("boom");
  } else if (strcmp(mode, "overflow") == 0) {
    return Recurse(1);
  } else if (strcmp(mode, "fpe") == 0) {
    raise(SIGFPE);
  } else if (strcmp(mode, "threads") == 0) {
    std::barrier start(2);
    auto fault = [&] {
      start.arrive_and_wait();
      CrashHere("segv");
    };
    std::thread a(fault), b(fault);
    a.join();
    b.join();
  }
  return 1;
}

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: crasher segv|abort|exception|overflow|fpe|threads DIR VERSION\n");
    return 2;
  }
  // No core files in the test folders.
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  TCrashReporter::Install(QString::fromLocal8Bit(argv[2]), QString::fromUtf8(argv[3]),
                          QStringLiteral("Screens: 1\nScreen 0: 1920x1080 at 0,0\n"));
  const int r = CrashHere(argv[1]);
  fprintf(stderr, "still alive\n");
  return r;
}
