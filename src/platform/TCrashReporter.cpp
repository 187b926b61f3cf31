#include "platform/TCrashReporter.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSysInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cxxabi.h>
#include <elfutils/libdwfl.h>
#include <exception>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <ucontext.h>
#include <unistd.h>

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};
constexpr size_t kAltStackSize = 512 * 1024;  // libdw and the demangler run on it
constexpr int kMaxFrames = 64;
constexpr unsigned kReportSeconds = 20;  // longest the report may take before the process just dies

// Prepared at Install so the handler only copies bytes.
char gLogDir[4096];
char gVersion[128];
char gMachine[2048];      // CPU, cores, memory, kernel, host
char gMachineExtra[2048];  // from the caller: screens
long gUtcOffset = 0;       // seconds east of UTC when installed
time_t gInstalled = 0;
// Filled by the terminate handler just before it aborts.
char gException[1024];

std::atomic<pid_t> gReportingThread{0};
volatile sig_atomic_t gSignal = 0;

void CopyString(char* to, size_t size, const QByteArray& from) {
  const size_t n = std::min(size - 1, size_t(from.size()));
  memcpy(to, from.constData(), n);
  to[n] = 0;
}

pid_t ThreadId() { return pid_t(syscall(SYS_gettid)); }

// Ends the process by sig with its default action (a core dump where the system keeps them).
[[noreturn]] void Die(int sig) {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(sig, &dfl, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  _exit(128 + sig);
}

// Buffered writes to the report with no allocation.
class TOut {
 public:
  explicit TOut(int fd) : FFd(fd) {}
  ~TOut() { Flush(); }
  TOut& Str(const char* s) {
    while (*s) Chr(*s++);
    return *this;
  }
  TOut& Chr(char c) {
    if (FLen == sizeof(FBuf)) Flush();
    FBuf[FLen++] = c;
    return *this;
  }
  TOut& Dec(long long v, int width = 0) {
    char tmp[24];
    int n = 0;
    const bool neg = v < 0;
    unsigned long long u = neg ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    do {
      tmp[n++] = char('0' + u % 10);
      u /= 10;
    } while (u);
    while (n < width) tmp[n++] = '0';
    if (neg) Chr('-');
    while (n) Chr(tmp[--n]);
    return *this;
  }
  TOut& Hex(uintptr_t v) {
    static const char kDigits[] = "0123456789abcdef";
    char tmp[2 * sizeof v];
    int n = 0;
    do {
      tmp[n++] = kDigits[v & 15];
      v >>= 4;
    } while (v);
    Str("0x");
    while (n) Chr(tmp[--n]);
    return *this;
  }
  void Flush() {
    size_t done = 0;
    while (done < FLen) {
      const ssize_t w = write(FFd, FBuf + done, FLen - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) break;
      done += size_t(w);
    }
    FLen = 0;
  }

 private:
  int FFd;
  char FBuf[4096];
  size_t FLen = 0;
};

// Calendar date of a day count since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  y = int(yoe + era * 400 + (m <= 2));
}

struct TLocalTime {
  int Year, Month, Day, Hour, Minute, Second;
};

// Local time from the offset taken at Install: localtime_r takes locks and reads files.
TLocalTime LocalTime(time_t t) {
  const long long local = static_cast<long long>(t) + gUtcOffset;
  long long days = local / 86400;
  long long secs = local % 86400;
  if (secs < 0) {
    secs += 86400;
    --days;
  }
  TLocalTime r{};
  CivilFromDays(days, r.Year, r.Month, r.Day);
  r.Hour = int(secs / 3600);
  r.Minute = int(secs / 60 % 60);
  r.Second = int(secs % 60);
  return r;
}

const char* SignalName(int sig) {
  switch (sig) {
    case SIGSEGV: return "SIGSEGV (segmentation fault)";
    case SIGABRT: return "SIGABRT (abort)";
    case SIGBUS: return "SIGBUS (bus error)";
    case SIGFPE: return "SIGFPE (arithmetic exception)";
    case SIGILL: return "SIGILL (illegal instruction)";
    default: return "signal";
  }
}

const char* CodeName(int sig, int code) {
  if (code == SI_USER) return "SI_USER (kill)";
  if (code == SI_TKILL) return "SI_TKILL (raise or tgkill)";
  if (code == SI_QUEUE) return "SI_QUEUE";
  switch (sig) {
    case SIGSEGV:
      if (code == SEGV_MAPERR) return "SEGV_MAPERR (address not mapped)";
      if (code == SEGV_ACCERR) return "SEGV_ACCERR (no permission)";
      break;
    case SIGBUS:
      if (code == BUS_ADRALN) return "BUS_ADRALN";
      if (code == BUS_ADRERR) return "BUS_ADRERR";
      if (code == BUS_OBJERR) return "BUS_OBJERR";
      break;
    case SIGFPE:
      if (code == FPE_INTDIV) return "FPE_INTDIV (integer divide by zero)";
      if (code == FPE_INTOVF) return "FPE_INTOVF";
      if (code == FPE_FLTDIV) return "FPE_FLTDIV";
      break;
    case SIGILL:
      if (code == ILL_ILLOPC) return "ILL_ILLOPC";
      if (code == ILL_ILLOPN) return "ILL_ILLOPN";
      if (code == ILL_PRVOPC) return "ILL_PRVOPC";
      break;
  }
  return nullptr;
}

uintptr_t FaultPc(void* context) {
  const auto* uc = static_cast<const ucontext_t*>(context);
  if (!uc) return 0;
#if defined(__x86_64__)
  return uintptr_t(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  return uintptr_t(uc->uc_mcontext.pc);
#else
  return 0;
#endif
}

// Copies a small /proc file into buf; returns its length.
size_t ReadSmallFile(const char* path, char* buf, size_t size) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  size_t len = 0;
  while (len + 1 < size) {
    const ssize_t r = read(fd, buf + len, size - 1 - len);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    len += size_t(r);
  }
  close(fd);
  buf[len] = 0;
  return len;
}

// Writes the line of a /proc file that starts with key (e.g. "MemAvailable:").
void WriteProcLine(TOut& out, const char* path, const char* key) {
  static char buf[8192];
  ReadSmallFile(path, buf, sizeof buf);
  const size_t keyLen = strlen(key);
  for (char* line = buf; *line;) {
    char* end = strchr(line, '\n');
    if (!end) end = line + strlen(line);
    if (strncmp(line, key, keyLen) == 0) {
      const char saved = *end;
      *end = 0;
      out.Str(line).Chr('\n');
      *end = saved;
      return;
    }
    line = *end ? end + 1 : end;
  }
}

// The executable mappings of /proc/self/maps: every loaded module with its address range.
void WriteModules(TOut& out) {
  const int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    out.Str("(cannot read /proc/self/maps)\n");
    return;
  }
  char buf[4096];
  char line[1024];
  size_t lineLen = 0;
  auto takeLine = [&] {
    line[lineLen] = 0;
    // "start-end perms offset dev inode path": keep executable file mappings.
    char* perms = strchr(line, ' ');
    const char* path = strchr(line, '/');
    if (perms && perms[1] && perms[2] && perms[3] == 'x' && path) {
      *perms = 0;
      out.Str(path).Str("  ").Str(line).Chr('\n');
    }
    lineLen = 0;
  };
  for (;;) {
    const ssize_t r = read(fd, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    for (ssize_t i = 0; i < r; ++i) {
      if (buf[i] == '\n') {
        takeLine();
      } else if (lineLen + 1 < sizeof line) {
        line[lineLen++] = buf[i];
      }
    }
  }
  if (lineLen) takeLine();
  close(fd);
}

// Names and source lines for the captured frames. libdw allocates, so this comes after each
// frame's address is already in the file.
void WriteStack(TOut& out, void* const* frames, int count, int first) {
  static const Dwfl_Callbacks kCallbacks = {dwfl_linux_proc_find_elf, dwfl_standard_find_debuginfo, nullptr,
                                            nullptr};
  Dwfl* dwfl = dwfl_begin(&kCallbacks);
  if (dwfl) {
    if (dwfl_linux_proc_report(dwfl, getpid()) != 0 || dwfl_report_end(dwfl, nullptr, nullptr) != 0) {
      dwfl_end(dwfl);
      dwfl = nullptr;
    }
  }
  for (int i = first; i < count; ++i) {
    const auto pc = reinterpret_cast<uintptr_t>(frames[i]);
    out.Chr('#').Dec(i - first).Str("  ").Hex(pc);
    out.Flush();
    // Past the faulting frame the addresses are return addresses: look up the call itself.
    const uintptr_t lookup = i == first ? pc : pc - 1;
    Dwfl_Module* mod = dwfl ? dwfl_addrmodule(dwfl, lookup) : nullptr;
    if (mod) {
      GElf_Off offset = 0;
      GElf_Sym sym;
      const char* name = dwfl_module_addrinfo(mod, lookup, &offset, &sym, nullptr, nullptr, nullptr);
      if (name) {
        int status = -1;
        char* demangled = abi::__cxa_demangle(name, nullptr, nullptr, &status);
        out.Str(" in ").Str(status == 0 && demangled ? demangled : name).Str(" + ").Hex(offset + (pc - lookup));
        free(demangled);
      }
      if (Dwfl_Line* line = dwfl_module_getsrc(mod, lookup)) {
        int lineNo = 0;
        if (const char* file = dwfl_lineinfo(line, nullptr, &lineNo, nullptr, nullptr, nullptr))
          out.Str(" at ").Str(file).Chr(':').Dec(lineNo);
      }
      Dwarf_Addr base = 0;
      if (const char* modName = dwfl_module_info(mod, nullptr, &base, nullptr, nullptr, nullptr, nullptr, nullptr)) {
        const char* slash = strrchr(modName, '/');
        out.Str(" [").Str(slash ? slash + 1 : modName).Chr('+').Hex(pc - base).Chr(']');
      }
    }
    out.Chr('\n').Flush();
  }
  if (dwfl) dwfl_end(dwfl);
}

int OpenReport(char* path, size_t size, const TLocalTime& t) {
  mkdir(gLogDir, 0755);
  for (int attempt = 1; attempt < 10; ++attempt) {
    // Names sort by time; a second report in the same second sorts after the first.
    char name[64];
    size_t n = 0;
    auto put = [&](const char* s) {
      while (*s && n + 1 < sizeof name) name[n++] = *s++;
    };
    auto num = [&](int v, int width) {
      char tmp[8];
      int k = 0;
      do {
        tmp[k++] = char('0' + v % 10);
        v /= 10;
      } while (v);
      while (k < width) tmp[k++] = '0';
      while (k && n + 1 < sizeof name) name[n++] = tmp[--k];
    };
    put("/crash-");
    num(t.Year, 4), put("-"), num(t.Month, 2), put("-"), num(t.Day, 2), put("-");
    num(t.Hour, 2), num(t.Minute, 2), num(t.Second, 2);
    if (attempt > 1) put("_"), num(attempt, 1);
    put(".txt");
    name[n] = 0;
    const size_t dirLen = strlen(gLogDir);
    if (dirLen + n + 1 > size) return -1;
    memcpy(path, gLogDir, dirLen);
    memcpy(path + dirLen, name, n + 1);
    const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

void WriteReport(int sig, siginfo_t* info, void* context) {
  const time_t now = time(nullptr);
  const TLocalTime t = LocalTime(now);
  char path[sizeof gLogDir + 64];
  const int fd = OpenReport(path, sizeof path, t);
  if (fd < 0) return;
  TOut out(fd);

  out.Str("Vireo crash report\n");
  out.Str("Version: ").Str(gVersion).Chr('\n');
  out.Str("Time: ").Dec(t.Year, 4).Chr('-').Dec(t.Month, 2).Chr('-').Dec(t.Day, 2).Chr(' ');
  out.Dec(t.Hour, 2).Chr(':').Dec(t.Minute, 2).Chr(':').Dec(t.Second, 2).Str(" UTC");
  out.Chr(gUtcOffset < 0 ? '-' : '+').Dec((gUtcOffset < 0 ? -gUtcOffset : gUtcOffset) / 3600, 2);
  out.Chr(':').Dec((gUtcOffset < 0 ? -gUtcOffset : gUtcOffset) / 60 % 60, 2).Chr('\n');
  out.Str("Running for: ").Dec(static_cast<long long>(now - gInstalled)).Str(" s\n");
  out.Str("Process: ").Dec(getpid()).Str(", thread ").Dec(ThreadId()).Chr('\n');
  out.Str("Signal: ").Dec(sig).Chr(' ').Str(SignalName(sig));
  if (info) {
    if (const char* code = CodeName(sig, info->si_code)) out.Str(", ").Str(code);
    if (sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGILL)
      if (info->si_code > 0) out.Str(", address ").Hex(reinterpret_cast<uintptr_t>(info->si_addr));
  }
  out.Chr('\n');
  if (sig == SIGABRT && gException[0]) out.Str("Exception: ").Str(gException).Chr('\n');
  out.Chr('\n').Flush();

  // The stack: backtrace() walks through the signal frame into the failing code; the frames of
  // this handler above the faulting address are left out.
  void* frames[kMaxFrames + 8];
  const int count = backtrace(frames, kMaxFrames + 8);
  const uintptr_t faultPc = FaultPc(context);
  int first = 0;
  for (int i = 0; i < count; ++i)
    if (reinterpret_cast<uintptr_t>(frames[i]) == faultPc) {
      first = i;
      break;
    }
  out.Str("Stack of thread ").Dec(ThreadId()).Str(":\n").Flush();
  WriteStack(out, frames, std::min(count, first + kMaxFrames), first);
  if (count - first > kMaxFrames) out.Str("... (deeper frames left out)\n");

  out.Str("\nModules:\n");
  WriteModules(out);

  out.Str("\nMachine:\n").Str(gMachine);
  WriteProcLine(out, "/proc/meminfo", "MemAvailable:");
  out.Str("Process memory: ");
  WriteProcLine(out, "/proc/self/status", "VmRSS:");
  if (gMachineExtra[0]) {
    out.Str(gMachineExtra);
    if (gMachineExtra[strlen(gMachineExtra) - 1] != '\n') out.Chr('\n');
  }
  out.Flush();
  fsync(fd);
  close(fd);
}

void OnReportTimeout(int) {
  // The report hung (a lock held by the faulting code): end with the original signal.
  Die(gSignal ? int(gSignal) : SIGABRT);
}

void OnFatalSignal(int sig, siginfo_t* info, void* context) {
  const pid_t self = ThreadId();
  pid_t expected = 0;
  if (!gReportingThread.compare_exchange_strong(expected, self)) {
    if (expected == self) Die(sig);  // faulted while reporting
    // Another thread is writing the report and will end the process.
    for (;;) pause();
  }
  gSignal = sig;
  struct sigaction timeout {};
  timeout.sa_handler = OnReportTimeout;
  sigemptyset(&timeout.sa_mask);
  sigaction(SIGALRM, &timeout, nullptr);
  alarm(kReportSeconds);
  WriteReport(sig, info, context);
  Die(sig);
}

void OnTerminate() {
  // Say what escaped, then abort: the SIGABRT handler writes the report with it.
  QByteArray text = "std::terminate without an active exception";
  if (std::exception_ptr current = std::current_exception()) {
    text = "unknown type";
    if (const std::type_info* type = abi::__cxa_current_exception_type()) {
      int status = -1;
      char* demangled = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
      text = status == 0 && demangled ? demangled : type->name();
      free(demangled);
    }
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& e) {
      text += ": ";
      text += e.what();
    } catch (...) {
    }
  }
  CopyString(gException, sizeof gException, text);
  abort();
}

QByteArray MachineText() {
  QByteArray text;
  QFile cpuinfo("/proc/cpuinfo");
  if (cpuinfo.open(QIODevice::ReadOnly)) {
    for (const QByteArray& line : cpuinfo.readAll().split('\n'))
      if (line.startsWith("model name")) {
        text += "CPU: " + line.mid(line.indexOf(':') + 1).trimmed() + '\n';
        break;
      }
  }
  text += "Cores: " + QByteArray::number(sysconf(_SC_NPROCESSORS_ONLN)) + '\n';
  const long long pages = sysconf(_SC_PHYS_PAGES);
  const long long pageSize = sysconf(_SC_PAGESIZE);
  if (pages > 0 && pageSize > 0)
    text += "Memory: " + QByteArray::number(pages * pageSize / (1024 * 1024)) + " MiB\n";
  utsname uts{};
  if (uname(&uts) == 0) {
    text += QByteArray("Kernel: ") + uts.sysname + ' ' + uts.release + ' ' + uts.machine + '\n';
    text += QByteArray("Host: ") + uts.nodename + '\n';
  }
  text += "System: " + QSysInfo::prettyProductName().toUtf8() + '\n';
  return text;
}

}  // namespace

void TCrashReporter::Install(const QString& dir, const QString& version, const QString& machineExtra) {
  const QString logDir = QDir(dir).absoluteFilePath(QStringLiteral("Log"));
  QDir().mkpath(logDir);
  CopyString(gLogDir, sizeof gLogDir, QFile::encodeName(logDir));
  CopyString(gVersion, sizeof gVersion, version.toUtf8());
  CopyString(gMachine, sizeof gMachine, MachineText());
  SetMachineExtra(machineExtra);
  gInstalled = time(nullptr);
  tm local{};
  localtime_r(&gInstalled, &local);
  gUtcOffset = local.tm_gmtoff;

  // backtrace() loads the unwinder on first use; do that now, not in the handler.
  void* warm[2];
  backtrace(warm, 2);

  static void* altStack = nullptr;
  if (!altStack) {
    altStack = mmap(nullptr, kAltStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (altStack == MAP_FAILED) altStack = nullptr;
  }
  if (altStack) {
    stack_t ss{};
    ss.ss_sp = altStack;
    ss.ss_size = kAltStackSize;
    sigaltstack(&ss, nullptr);
  }

  struct sigaction action {};
  action.sa_sigaction = OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int sig : kFatalSignals) sigaction(sig, &action, nullptr);
  std::set_terminate(OnTerminate);
}

void TCrashReporter::SetMachineExtra(const QString& machineExtra) {
  CopyString(gMachineExtra, sizeof gMachineExtra, machineExtra.toUtf8());
}

QStringList TCrashReporter::NewReports(const QString& dir) {
  const QDir logDir(QDir(dir).absoluteFilePath(QStringLiteral("Log")));
  const QString markerPath = logDir.absoluteFilePath(QStringLiteral("crash-announced"));
  QString announced;
  QFile marker(markerPath);
  if (marker.open(QIODevice::ReadOnly)) announced = QString::fromUtf8(marker.readAll()).trimmed();

  // The names carry the time, so name order is time order.
  QStringList fresh;
  const QStringList names = logDir.entryList({QStringLiteral("crash-*.txt")}, QDir::Files, QDir::Name);
  for (const QString& name : names)
    if (name > announced) fresh << name;
  if (fresh.isEmpty()) return fresh;

  QSaveFile out(markerPath);
  if (out.open(QIODevice::WriteOnly)) {
    out.write(fresh.last().toUtf8() + '\n');
    out.commit();
  }
  return fresh;
}
