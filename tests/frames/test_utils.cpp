// The small utilities: time formatting, address and port checks, the embedded file version and
// the event-serving wait.

#include "frames/uUtils.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <ctime>

namespace {

struct FormatCase {
  std::int64_t ms;
  const char* pattern;
  const char* text;
};

class FormatMsTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatMsTest, FillsThePattern) {
  EXPECT_EQ(FormatMs(GetParam().ms, GetParam().pattern), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, FormatMsTest,
                         ::testing::Values(FormatCase{-5, "hh:mm:ss", "00:00:00"},
                                           FormatCase{3723000, "hh:mm:ss", "01:02:03"},
                                           FormatCase{90061001, "dd hh:mm:ss", "01 01:01:01"},
                                           FormatCase{90000000, "hh:mm:ss", "01:00:00"},  // hours mod 24
                                           FormatCase{1005, "HH:MM:SS.MS", "00:00:01.05"},
                                           FormatCase{123, "ss.ms", "00.123"},
                                           FormatCase{864000000LL * 12, "dd", "120"}));

struct TextCase {
  const char* text;
  bool valid;
};

class IPv4TextTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(IPv4TextTest, Reads) { EXPECT_EQ(IsIPv4Text(GetParam().text), GetParam().valid) << GetParam().text; }
INSTANTIATE_TEST_SUITE_P(Texts, IPv4TextTest,
                         ::testing::Values(TextCase{"255.255.255.255", true}, TextCase{"127.0.0.1", true},
                                           TextCase{"1.2.3.4.", true}, TextCase{"0.0.0.0", true},
                                           TextCase{"256.1.1.1", false}, TextCase{"1.2.3.4.5", false},
                                           TextCase{"1..3.4", false}, TextCase{"1.2.3", false},
                                           TextCase{"1.2.3.4..", false}, TextCase{"", false},
                                           TextCase{"a.b.c.d", false}, TextCase{"-1.2.3.4", false},
                                           TextCase{" 1.2.3.4", false}, TextCase{"host.example", false}));

class PortTextTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(PortTextTest, Reads) { EXPECT_EQ(IsPortText(GetParam().text), GetParam().valid) << GetParam().text; }
INSTANTIATE_TEST_SUITE_P(Texts, PortTextTest,
                         ::testing::Values(TextCase{"1", true}, TextCase{"9000", true}, TextCase{"65534", true},
                                           TextCase{"0", false}, TextCase{"65535", false}, TextCase{"99999", false},
                                           TextCase{"abc", false}, TextCase{"", false}, TextCase{"-1", false},
                                           TextCase{"99999999999999999999", false}));

TEST(FileVersionTest, ReadsWhatTheBuildEmbedded) {
  // This test program carries the stamp like the terminal does.
  EXPECT_EQ(ReadFileVersionText(QCoreApplication::applicationFilePath()), VIREO_FILE_VERSION);
  EXPECT_TRUE(QString(VIREO_FILE_VERSION).contains(QRegularExpression(R"(^\d+\.\d+\.\d+\.\d+$)")));

  QTemporaryDir dir;
  QFile text(dir.filePath("notes.txt"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write(".vireo.fileversion 9.9.9.9\n");
  text.close();
  for (const QString& path : {QStringLiteral("/bin/sh"), text.fileName(), dir.filePath("missing"), dir.path()})
    EXPECT_EQ(ReadFileVersionText(path), QString()) << path.toStdString();
}

TEST(DelayTest, ServesEventsAndReturnsAfterTheTimeWithoutSpinning) {
  bool posted = false;
  int ticks = 0;
  QMetaObject::invokeMethod(qApp, [&] { posted = true; }, Qt::QueuedConnection);
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(50);

  QElapsedTimer wall;
  wall.start();
  const std::clock_t cpu = std::clock();
  Delay(500);
  const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;

  EXPECT_TRUE(posted);
  EXPECT_GE(ticks, 5);
  EXPECT_GE(wall.elapsed(), 500);
  EXPECT_LT(wall.elapsed(), 1500);
  EXPECT_LT(cpuMs, 150.0) << "the wait must not spin";

  wall.restart();
  Delay(0);
  EXPECT_LT(wall.elapsed(), 200);
}

TEST(DelayTest, TheWaitCountsFromTheCallWhilePostedWorkRuns) {
  // A start request posted just before the wait takes part of it; the wait does not grow by it.
  QMetaObject::invokeMethod(qApp, [] { QThread::msleep(300); }, Qt::QueuedConnection);
  QElapsedTimer wall;
  wall.start();
  Delay(500);
  EXPECT_GE(wall.elapsed(), 500);
  EXPECT_LT(wall.elapsed(), 700);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
