#pragma once
// Caps the size of the files this process may write, so that a write fails part-way as it would
// on a full disk. Restores the previous limit when it goes.

#include <sys/resource.h>

#include <csignal>

class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &FSaved);
    // Past the limit the kernel signals SIGXFSZ, which would end the process; ignored, the
    // write fails with EFBIG instead.
    FSavedHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, FSaved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &FSaved);
    std::signal(SIGXFSZ, FSavedHandler);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit FSaved{};
  void (*FSavedHandler)(int) = SIG_DFL;
};
