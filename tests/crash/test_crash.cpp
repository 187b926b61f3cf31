// Crash reports written by a real process that crashes on purpose (the crasher), and the
// announcement of new reports at the next start.

#include "platform/TCrashReporter.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

namespace {

const QString kVersion = QStringLiteral("2.6.0.77");

struct TRun {
  QProcess::ExitStatus Status = QProcess::NormalExit;
  int Code = 0;
  QByteArray Stderr;
};

TRun RunCrasher(const QString& mode, const QString& dir) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
#if defined(__SANITIZE_ADDRESS__)
  // ASan would catch these signals itself and exit with its own code. It also gives every new
  // thread a small alternate signal stack, too small for the report under ASan's larger frames.
  env.insert(QStringLiteral("ASAN_OPTIONS"),
             QStringLiteral("handle_segv=0:handle_abort=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:"
                            "allow_user_segv_handler=1:use_sigaltstack=0"));
#endif
  process.setProcessEnvironment(env);
  process.setWorkingDirectory(dir);
  process.start(QStringLiteral(VIREO_BIN_DIR "/crasher"), {mode, dir, kVersion});
  EXPECT_TRUE(process.waitForFinished(30000)) << mode.toStdString();
  return {process.exitStatus(), process.exitCode(), process.readAllStandardError()};
}

QStringList Reports(const QString& dir) {
  return QDir(dir + QStringLiteral("/Log")).entryList({QStringLiteral("crash-*")}, QDir::Files, QDir::Name);
}

struct TCrashCase {
  const char* Mode;
  int Signal;
  const char* Cause;     // how the report names what happened
  const char* Function;  // the crasher's own frame that must appear with its source line
};

void PrintTo(const TCrashCase& c, std::ostream* os) { *os << c.Mode; }

class CrashReport : public ::testing::TestWithParam<TCrashCase> {};

TEST_P(CrashReport, ProcessDiesBySignalAndLeavesReport) {
  const TCrashCase& c = GetParam();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
  const TRun run = RunCrasher(QString::fromLatin1(c.Mode), dir.path());
  const QDateTime after = QDateTime::currentDateTime().addSecs(1);

  EXPECT_EQ(run.Status, QProcess::CrashExit);
  EXPECT_EQ(run.Code, c.Signal) << run.Stderr.toStdString();
  EXPECT_FALSE(run.Stderr.contains("still alive"));

  const QStringList reports = Reports(dir.path());
  ASSERT_EQ(reports.size(), 1) << reports.join(' ').toStdString() << run.Stderr.toStdString();
  const QRegularExpressionMatch name =
      QRegularExpression(QStringLiteral(R"(^crash-(\d{4}-\d{2}-\d{2}-\d{6})\.txt$)")).match(reports[0]);
  ASSERT_TRUE(name.hasMatch()) << reports[0].toStdString();
  // The name carries the local time of the crash.
  const QDateTime stamp = QDateTime::fromString(name.captured(1), QStringLiteral("yyyy-MM-dd-HHmmss"));
  EXPECT_TRUE(stamp >= before.addMSecs(-before.time().msec()) && stamp <= after) << reports[0].toStdString();

  QFile file(dir.path() + QStringLiteral("/Log/") + reports[0]);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  SCOPED_TRACE(text.toStdString());

  EXPECT_TRUE(text.contains(QStringLiteral("Version: ") + kVersion));
  EXPECT_TRUE(text.contains(QStringLiteral("Time: ") + stamp.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
  EXPECT_TRUE(text.contains(QString::fromUtf8(c.Cause)));

  // The failing thread's stack names the crasher's function with its file and line.
  const int stackAt = text.indexOf(QStringLiteral("\nStack of thread "));
  const int modulesAt = text.indexOf(QStringLiteral("\nModules:\n"));
  const int machineAt = text.indexOf(QStringLiteral("\nMachine:\n"));
  ASSERT_TRUE(stackAt >= 0 && modulesAt > stackAt && machineAt > modulesAt);
  const QString stack = text.mid(stackAt, modulesAt - stackAt);
  const QRegularExpression frame(QStringLiteral(R"(#\d+ +0x[0-9a-f]+ in [^\n]*\b%1\(.* at \S*/crasher\.cpp:[1-9]\d* \[crasher\+)")
                                     .arg(QString::fromLatin1(c.Function)));
  EXPECT_TRUE(frame.match(stack).hasMatch());
  // The handler's own frames are not part of the stack.
  EXPECT_FALSE(stack.contains(QStringLiteral("OnFatalSignal")));

  const QString modules = text.mid(modulesAt, machineAt - modulesAt);
  EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(\n/\S*/libc\.so\.6  [0-9a-f]+-[0-9a-f]+\n)")).match(modules).hasMatch());
  EXPECT_TRUE(modules.contains(QStringLiteral("/crasher  ")));

  const QString machine = text.mid(machineAt);
  EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(\nCores: [1-9]\d*\n)")).match(machine).hasMatch());
  EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(\nMemory: [1-9]\d* MiB\n)")).match(machine).hasMatch());
  EXPECT_TRUE(machine.contains(QStringLiteral("MemAvailable:")));
  EXPECT_TRUE(machine.contains(QStringLiteral("Screen 0: 1920x1080 at 0,0\n")));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CrashReport,
    ::testing::Values(
        TCrashCase{"segv", SIGSEGV, "Signal: 11 SIGSEGV (segmentation fault), SEGV_MAPERR (address not mapped), address 0x0\n",
                   "CrashHere"},
        TCrashCase{"abort", SIGABRT, "Signal: 6 SIGABRT (abort)", "CrashHere"},
        TCrashCase{"exception", SIGABRT, "Exception: std::runtime_error: boom\n", "CrashHere"},
        TCrashCase{"overflow", SIGSEGV, "Signal: 11 SIGSEGV (segmentation fault)", "Recurse"},
        TCrashCase{"fpe", SIGFPE, "Signal: 8 SIGFPE (arithmetic exception), SI_TKILL", "CrashHere"},
        // Two threads fault together: one report, written by the first.
        TCrashCase{"threads", SIGSEGV, "Signal: 11 SIGSEGV (segmentation fault), SEGV_MAPERR", "CrashHere"}),
    [](const ::testing::TestParamInfo<TCrashCase>& info) { return std::string(info.param.Mode); });

void Touch(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(NewReports, EachReportIsAnnouncedOnce) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // No Log folder yet (the first start).
  EXPECT_TRUE(TCrashReporter::NewReports(dir.path()).isEmpty());

  const QString log = dir.path() + QStringLiteral("/Log/");
  ASSERT_TRUE(QDir().mkpath(log));
  Touch(log + QStringLiteral("crash-2026-01-02-030405.txt"));
  Touch(log + QStringLiteral("crash-2026-01-02-030405_2.txt"));  // a second one in the same second
  Touch(log + QStringLiteral("crash-2025-12-31-235959.txt"));
  Touch(log + QStringLiteral("vireo-2026-01-02.log"));
  Touch(log + QStringLiteral("crash-notes.md"));
  EXPECT_EQ(TCrashReporter::NewReports(dir.path()),
            QStringList({"crash-2025-12-31-235959.txt", "crash-2026-01-02-030405.txt", "crash-2026-01-02-030405_2.txt"}));
  EXPECT_TRUE(TCrashReporter::NewReports(dir.path()).isEmpty());

  Touch(log + QStringLiteral("crash-2026-02-01-000000.txt"));
  EXPECT_EQ(TCrashReporter::NewReports(dir.path()), QStringList({"crash-2026-02-01-000000.txt"}));
  EXPECT_TRUE(TCrashReporter::NewReports(dir.path()).isEmpty());
}

TEST(NewReports, AnnouncesTheReportOfARealCrash) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const TRun run = RunCrasher(QStringLiteral("segv"), dir.path());
  ASSERT_EQ(run.Status, QProcess::CrashExit);
  const QStringList reports = Reports(dir.path());
  ASSERT_EQ(reports.size(), 1);
  EXPECT_EQ(TCrashReporter::NewReports(dir.path()), reports);
  EXPECT_TRUE(TCrashReporter::NewReports(dir.path()).isEmpty());
}

}  // namespace
