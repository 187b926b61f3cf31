#include "core/uLog.h"

#include "support/FakeClock.h"
#include "platform/uGbk.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>
#include <set>
#include <thread>
#include <vector>

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll();
}

const QString kFileName = QStringLiteral("2024-03-05.log");

class LogFile : public ::testing::Test {
 protected:
  QString LogDir() const { return Temp.filePath(QStringLiteral("Log")); }
  QString LogPath() const { return QDir(LogDir()).filePath(kFileName); }

  QTemporaryDir Temp;
  TFakeClock Clock{LocalTime(2024, 3, 5, 7, 8, 9, 45)};
};

// --- what an entry looks like on disk ---------------------------------------------------------

struct EntryCase {
  const char* name;
  std::function<void(TLog&)> write;
  QByteArray bytes;
};
void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }

class LogEntryBytes : public LogFile, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(LogEntryBytes, AreOnDiskAsSoonAsTheCallReturns) {
  TLog log(LogDir(), kFileName, Clock);
  GetParam().write(log);
  // Read while the log is still open: the entry must not wait in a buffer.
  EXPECT_EQ(ReadAll(LogPath()), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, LogEntryBytes,
    ::testing::Values(
        EntryCase{"PlainLine", [](TLog& l) { l.WriteLine("abc"); },
                  "2024-03-05 07:08:09.045:abc\r\n"},
        EntryCase{"HintInGbk", [](TLog& l) { l.LogHint(QStringLiteral("连接成功")); },
                  "2024-03-05 07:08:09.045:[\xcc\xe1\xca\xbe]\r\n\xc1\xac\xbd\xd3\xb3\xc9\xb9\xa6\r\n"},
        EntryCase{"Error", [](TLog& l) { l.LogError("ClientSocket1Error10061"); },
                  "2024-03-05 07:08:09.045:[\xb4\xed\xce\xf3]\r\nClientSocket1Error10061\r\n"},
        EntryCase{"CallersLineBreaksKept", [](TLog& l) { l.LogHint("a\r\nb\nc"); },
                  "2024-03-05 07:08:09.045:[\xcc\xe1\xca\xbe]\r\na\r\nb\nc\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct StampCase {
  const char* name;
  QDateTime now;
  QByteArray stamp;
};
void PrintTo(const StampCase& c, std::ostream* os) { *os << c.name; }

class LogStamp : public LogFile, public ::testing::WithParamInterface<StampCase> {};

TEST_P(LogStamp, IsLocalTimeWithMilliseconds) {
  Clock.Set(GetParam().now);
  TLog log(LogDir(), kFileName, Clock);
  log.WriteLine("x");
  EXPECT_EQ(ReadAll(LogPath()), GetParam().stamp + ":x\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Times, LogStamp,
    ::testing::Values(StampCase{"Midnight", LocalTime(2024, 1, 2, 0, 0, 0, 0), "2024-01-02 00:00:00.000"},
                      StampCase{"Afternoon24h", LocalTime(2024, 11, 20, 13, 5, 7, 9), "2024-11-20 13:05:07.009"},
                      StampCase{"LastMillisecond", LocalTime(2023, 12, 31, 23, 59, 59, 999), "2023-12-31 23:59:59.999"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- opening ----------------------------------------------------------------------------------

TEST_F(LogFile, SecondRunOnTheSameDayAppends) {
  { TLog(LogDir(), kFileName, Clock).WriteLine("first run"); }
  Clock.Set(LocalTime(2024, 3, 5, 18, 0, 0));
  { TLog(LogDir(), kFileName, Clock).WriteLine("second run"); }
  EXPECT_EQ(ReadAll(LogPath()),
            "2024-03-05 07:08:09.045:first run\r\n2024-03-05 18:00:00.000:second run\r\n");
}

TEST_F(LogFile, MissingDirectoryIsCreatedAtStart) {
  // The controller passes the folder with its trailing separator.
  TLog log(LogDir() + u'/', kFileName, Clock);
  EXPECT_TRUE(QFile::exists(LogPath()));
  EXPECT_EQ(log.FilePath(), LogPath());
}

// --- faults -----------------------------------------------------------------------------------

struct FaultCase {
  const char* name;
  bool breakBeforeStart;                     // else after a first good entry
  std::function<void(const QString& dir)> breakPath;
  std::function<void(const QString& dir)> mendPath;
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class LogWriteFault : public LogFile, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(LogWriteFault, NeverReachesTheCallerAndHealsOnceThePathIsWritable) {
  const FaultCase& c = GetParam();
  ASSERT_TRUE(QDir().mkdir(LogDir()));
  if (c.breakBeforeStart) c.breakPath(LogDir());
  ::testing::internal::CaptureStderr();
  {
    TLog log(LogDir(), kFileName, Clock);
    if (!c.breakBeforeStart) {
      log.WriteLine("good");
      c.breakPath(LogDir());
    }
    EXPECT_NO_THROW(log.WriteLine("lost\r\nentry"));
    const std::string err = ::testing::internal::GetCapturedStderr();
    // The last line of stderr names the file and holds the whole entry.
    const std::string last = err.substr(err.rfind('\n', err.size() - 2) + 1);
    EXPECT_NE(last.find(kFileName.toStdString()), std::string::npos) << err;
    EXPECT_NE(last.find("lost\\r\\nentry\n"), std::string::npos) << err;

    c.mendPath(LogDir());
    log.WriteLine("healed");
  }
  EXPECT_EQ(ReadAll(LogPath()), "2024-03-05 07:08:09.045:healed\r\n");
}

void RemoveDir(const QString& dir) { ASSERT_TRUE(QDir(dir).removeRecursively()); }
void PutFileAt(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LogWriteFault,
    ::testing::Values(
        FaultCase{"DiskFull", true,
                  [](const QString& dir) {
                    ASSERT_TRUE(QFile::link("/dev/full", QDir(dir).filePath(kFileName)));
                  },
                  [](const QString& dir) { ASSERT_TRUE(QFile::remove(QDir(dir).filePath(kFileName))); }},
        FaultCase{"DirectoryReplacedByFile", false,
                  [](const QString& dir) { RemoveDir(dir); PutFileAt(dir); },
                  [](const QString& dir) { ASSERT_TRUE(QFile::remove(dir)); }},
        FaultCase{"DirectoryIsAFileAtStart", true,
                  [](const QString& dir) { RemoveDir(dir); PutFileAt(dir); },
                  [](const QString& dir) { ASSERT_TRUE(QFile::remove(dir)); }}),
    [](const auto& info) { return std::string(info.param.name); });

struct VanishCase {
  const char* name;
  std::function<void(const QString& path)> vanish;
};
void PrintTo(const VanishCase& c, std::ostream* os) { *os << c.name; }

class LogFileVanished : public LogFile, public ::testing::WithParamInterface<VanishCase> {};

TEST_P(LogFileVanished, NextEntryGoesToAFreshFileAtThePath) {
  TLog log(LogDir(), kFileName, Clock);
  log.WriteLine("before");
  GetParam().vanish(LogPath());
  log.WriteLine("after");
  EXPECT_EQ(ReadAll(LogPath()), "2024-03-05 07:08:09.045:after\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, LogFileVanished,
    ::testing::Values(VanishCase{"Deleted", [](const QString& p) { ASSERT_TRUE(QFile::remove(p)); }},
                      VanishCase{"RenamedAway",
                                 [](const QString& p) { ASSERT_TRUE(QFile::rename(p, p + ".old")); }}),
    [](const auto& info) { return std::string(info.param.name); });

// --- threads ----------------------------------------------------------------------------------

TEST_F(LogFile, DailyLogMovesToTheNewDateAndDeletesWhatIsOlderThanNinetyDays) {
  QDir(Temp.path()).mkdir("Log");
  const auto touch = [&](const QString& name) {
    QFile file(QDir(LogDir()).filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  };
  // Start on 2024-03-05: 90 days back is 2023-12-06.
  const QStringList kept = {"2023-12-06.log", "crash-2023-12-06-101010.txt", "notes.txt", "2023-01-01.log.bak",
                            "crash-2023-01-01.txt"};
  const QStringList purged = {"2023-12-05.log", "crash-2023-12-05-235959.txt", "2020-01-01.log"};
  for (const QString& name : kept + purged) touch(name);

  Clock.Set(LocalTime(2024, 3, 5, 23, 59, 59));
  TLog log(LogDir(), Clock);
  const auto exists = [&](const QString& name) { return QFile::exists(QDir(LogDir()).filePath(name)); };
  for (const QString& name : kept) EXPECT_TRUE(exists(name)) << name.toStdString();
  for (const QString& name : purged) EXPECT_FALSE(exists(name)) << name.toStdString();

  log.WriteLine("before midnight");
  Clock.Set(LocalTime(2024, 3, 6, 0, 0, 1));
  log.WriteLine("after midnight");
  EXPECT_EQ(ReadAll(LogPath()), "2024-03-05 23:59:59.000:before midnight\r\n");
  EXPECT_EQ(ReadAll(QDir(LogDir()).filePath("2024-03-06.log")), "2024-03-06 00:00:01.000:after midnight\r\n");
  EXPECT_EQ(log.FilePath(), QDir(LogDir()).filePath("2024-03-06.log"));
  // The change of date purges again: 2023-12-06 is now 91 days old.
  EXPECT_FALSE(exists("2023-12-06.log"));
  EXPECT_FALSE(exists("crash-2023-12-06-101010.txt"));
  EXPECT_TRUE(exists("notes.txt"));
}

TEST_F(LogFile, EntriesFromManyThreadsNeverInterleave) {
  constexpr int kThreads = 8;
  constexpr int kEntries = 200;
  const QString body(2000, u'x');  // long enough that a torn write would show
  {
    TLog log(LogDir(), kFileName, Clock);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        for (int n = 0; n < kEntries; ++n)
          log.LogHint(QStringLiteral("t%1 n%2\r\n").arg(t).arg(n) + body);
      });
    for (auto& thread : threads) thread.join();
  }

  const QString text = Gbk::Decode(ReadAll(LogPath()));
  const QRegularExpression entry(QStringLiteral(
      "2024-03-05 07:08:09\\.045:\\[提示\\]\r\n(t\\d+ n\\d+)\r\nx{2000}\r\n"));
  std::set<QString> seen;
  qsizetype at = 0;
  while (at < text.size()) {
    const auto m = entry.match(text, at, QRegularExpression::NormalMatch,
                               QRegularExpression::AnchorAtOffsetMatchOption);
    ASSERT_TRUE(m.hasMatch()) << "torn entry at offset " << at;
    seen.insert(m.captured(1));
    at = m.capturedEnd();
  }
  EXPECT_EQ(seen.size(), size_t(kThreads * kEntries));
}

}  // namespace
