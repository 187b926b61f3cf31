#pragma once
// Crash reports: a fatal signal (SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL) or an exception that
// escapes to std::terminate writes <dir>/Log/crash-yyyy-mm-dd-hhmmss.txt (version, time, signal or
// exception, the failing thread's stack with names and source lines, loaded modules, machine), then
// the process dies by that signal with its default action so the supervisor sees it and restarts.
//
// Everything the handler needs is prepared at Install; in the handler only the stack's
// symbolisation (libdw) allocates, and it runs after the plain parts of each frame are on disk,
// under a timer that ends the process if it hangs. A second fault while reporting ends the
// process at once. The alternate signal stack belongs to the thread that calls Install (the GUI
// thread), so a stack overflow there is reported; other threads' faults use their own stacks.

#include <QString>
#include <QStringList>

class TCrashReporter final {
 public:
  // dir: the folder that holds "Log/" (the terminal passes the folder of its executable).
  // version: written into every report ("2.6.0.N"). machineExtra: lines added to the machine
  // section (screens and their geometry, when the caller knows them). Call once, early, on the
  // GUI thread; a later call replaces the settings.
  static void Install(const QString& dir, const QString& version, const QString& machineExtra = {});
  // Replaces the extra machine lines, e.g. once the screens are known.
  static void SetMachineExtra(const QString& machineExtra);
  // Report file names (not paths) in dir/Log that were not announced before, oldest first, and
  // marks them announced (Log/crash-announced keeps the newest name): each report is returned once.
  static QStringList NewReports(const QString& dir);
};
