// vireo-preview: its command and option reading, and the program itself driving the real frames
// against the stand-in platform's pages and media.

#include "TPreviewCommand.h"
#include "platform-server/PlatformHarness.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcessEnvironment>

#include <functional>

namespace {

struct CommandCase {
  const char* line;
  std::optional<TPreviewCommand::TKind> kind;
  const char* argument;  // or the error's beginning
};

class PreviewCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(PreviewCommandTest, Reads) {
  const CommandCase& c = GetParam();
  QString error;
  const auto command = ParsePreviewCommand(QString::fromUtf8(c.line), &error);
  ASSERT_EQ(command.has_value(), c.kind.has_value()) << error.toStdString();
  if (command) {
    EXPECT_EQ(command->Kind, *c.kind);
    EXPECT_EQ(command->Argument, QString::fromUtf8(c.argument));
  } else if (*c.argument == 0) {
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();  // a blank line is no command
  } else {
    EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.argument))) << error.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PreviewCommandTest,
    ::testing::Values(CommandCase{"live rtmp://s/x", TPreviewCommand::Live, "rtmp://s/x"},
                      CommandCase{"live  rtmp://s/x", TPreviewCommand::Live, " rtmp://s/x"},  // kept as typed
                      CommandCase{"live", TPreviewCommand::Live, ""},
                      CommandCase{"point http://h/a.mp4\r", TPreviewCommand::Point, "http://h/a.mp4"},
                      CommandCase{"loop on", TPreviewCommand::Loop, "on"},
                      CommandCase{"script document.title = 'a b'", TPreviewCommand::Script, "document.title = 'a b'"},
                      CommandCase{"notice http://h/n?id=1", TPreviewCommand::Notice, "http://h/n?id=1"},
                      CommandCase{"stoplive", TPreviewCommand::StopLive, ""},
                      CommandCase{"quit", TPreviewCommand::Quit, ""},
                      CommandCase{"", std::nullopt, ""},
                      CommandCase{"play x", std::nullopt, "unknown command: play"},
                      CommandCase{"LIVE x", std::nullopt, "unknown command"},
                      CommandCase{"loop yes", std::nullopt, "loop takes"},
                      CommandCase{"script ", std::nullopt, "script takes"},
                      CommandCase{"list now", std::nullopt, "list takes no argument"}));

TEST(PreviewOptionsTest, Reads) {
  QString error;
  auto options = ParsePreviewOptions({}, &error);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->Size, QSize(1280, 720));
  options = ParsePreviewOptions({"--size", "800x600", "--play-url", "http://p/play", "--video-url", "http://p/list"},
                                &error);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->Size, QSize(800, 600));
  EXPECT_EQ(options->PlayUrl, "http://p/play");
  EXPECT_EQ(options->VideoUrl, "http://p/list");
  for (const QStringList& bad : {QStringList{"--size", "800"}, QStringList{"--size", "0x600"},
                                 QStringList{"--size"}, QStringList{"--fast"}, QStringList{"http://p"}}) {
    EXPECT_FALSE(ParsePreviewOptions(bad, &error)) << bad.join(' ').toStdString();
    EXPECT_FALSE(error.isEmpty());
  }
}

// The stand-in's demo media, generated once for the whole program.
const TMediaFiles& Media() {
  static const TMediaFiles files = [] {
    TMediaFiles media;
    static QTemporaryDir dir;
    if (QProcess::execute(QStringLiteral(VIREO_SOURCE_DIR "/scripts/make-media.sh"), {dir.path()}) != 0) return media;
    for (QDirIterator it(dir.path(), QDir::Files); it.hasNext();) {
      QFile file(it.next());
      if (file.open(QIODevice::ReadOnly)) media.emplace_back(it.fileName(), file.readAll());
    }
    return media;
  }();
  return files;
}

// The preview program with its events read line by line.
class TPreviewRun {
 public:
  explicit TPreviewRun(const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", FRuntime.path());
    Process.setProcessEnvironment(env);
    Process.setProcessChannelMode(QProcess::SeparateChannels);
    Process.start(QStringLiteral(VIREO_BIN_DIR "/vireo-preview"), args);
  }
  ~TPreviewRun() {
    if (Process.state() == QProcess::NotRunning) return;
    Process.kill();
    Process.waitForFinished(5000);
  }

  // Sends a command; later waits look at what came after it.
  void Send(const QString& line) {
    Process.write((line + '\n').toUtf8());
    Process.waitForBytesWritten(1000);
    ReadLines();
    FMark = Events.size();
  }

  // The first event since the last command that matches, waiting for it until the time is up.
  std::optional<json> WaitFor(const std::function<bool(const json&)>& match, int timeoutMs = 20000) {
    const QDeadlineTimer deadline(timeoutMs);
    for (size_t next = FMark;;) {
      ReadLines();
      for (; next < Events.size(); ++next)
        if (match(Events[next])) return Events[next];
      if (deadline.hasExpired() || Process.state() == QProcess::NotRunning) return std::nullopt;
      Process.waitForReadyRead(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 200)));
    }
  }
  std::optional<json> WaitForEvent(const std::string& event, const std::string& member = {},
                                   const std::string& value = {}) {
    return WaitFor([&](json e) {
      return e.value("event", "") == event && (member.empty() || e.value(member, "") == value);
    });
  }
  bool Seen(const std::function<bool(const json&)>& match) const {
    return std::any_of(Events.begin(), Events.end(), match);
  }
  // waitForFinished() says false for a process that has already ended.
  bool Ended(int timeoutMs = 15000) {
    return Process.state() == QProcess::NotRunning || Process.waitForFinished(timeoutMs);
  }

  QProcess Process;
  std::vector<json> Events;

 private:
  void ReadLines() {
    while (Process.canReadLine()) {
      const std::string line = Process.readLine().trimmed().toStdString();
      const json event = json::parse(line, nullptr, false);
      // A line that is not an event object is kept as text, so a test sees it and fails on it.
      Events.push_back(event.is_object() ? event : json{{"event", "notJson"}, {"text", line}});
    }
  }

  QTemporaryDir FRuntime;
  size_t FMark = 0;
};

json Scenario() {
  return {{"notices", {{"welcome", {{"title", "欢迎"}, {"text", "你好"}, {"alert", "通知已加载"}}}}}};
}

TEST(PreviewProgramTest, PagesThroughTheBridgeAndTheNoticeSwap) {
  TPlatformRun platform(Scenario(), Media());
  ASSERT_TRUE(platform.Started());
  const QString base = platform.HttpBase();
  TPreviewRun preview({"--play-url", base + "/play", "--video-url", base + "/list", "--size", "800x600"});
  ASSERT_TRUE(preview.WaitForEvent("ready"));

  // A notice that was not preloaded: loaded with the window's size, its alert passed on.
  preview.Send("notice " + base + "/notice/welcome");
  const std::string sized = (base + "/notice/welcome?w=800&h=600").toStdString();
  EXPECT_TRUE(preview.WaitForEvent("loadEnd", "url", sized));
  EXPECT_TRUE(preview.WaitForEvent("pageAlert", "text", "通知已加载"));

  // Preloaded in the hidden view, then swapped in without a new load.
  preview.Send("preload " + base + "/notice/other");
  const auto preloaded = preview.WaitForEvent("loadEnd", "view", "noticePre");
  ASSERT_TRUE(preloaded);
  EXPECT_EQ((*preloaded)["url"], (base + "/notice/other").toStdString());
  preview.Send("notice " + base + "/notice/other");
  preview.Send("script document.title = 'x'; alert(location.href)");
  EXPECT_TRUE(preview.WaitForEvent("pageAlert", "text", (base + "/notice/other").toStdString()));
  EXPECT_FALSE(preview.Seen([](json e) { return e["event"] == "loadEnd" && e["view"] == "notice" &&
                                                      e["url"].get<std::string>().find("other?w=") != std::string::npos; }));

  // The list page: a click by script requests a play; any other alert fails.
  preview.Send("list");
  ASSERT_TRUE(preview.WaitForEvent("loadEnd", "view", "list"));
  preview.Send("script document.querySelector('#videos a').click()");
  const auto request = preview.WaitForEvent("playRequest");
  ASSERT_TRUE(request);
  EXPECT_NE((*request)["url"].get<std::string>().find("/media/"), std::string::npos);
  preview.Send("script alert('hello')");
  EXPECT_TRUE(preview.WaitForEvent("playRequestFailed", "text", "hello"));

  // An unknown command ends the program with status 2 once the commands before it have run.
  preview.Send("cancel\npreload " + base + "/notice/last\nbogus\nlist");
  ASSERT_TRUE(preview.Ended());
  preview.WaitFor([](const json&) { return false; }, 0);  // what is left on stdout
  EXPECT_TRUE(preview.Seen([&](json e) { return e["text"] == ("******预加载公告 -》" + base + "/notice/last").toStdString(); }));
  // ... and nothing after it.
  EXPECT_EQ(std::count_if(preview.Events.begin(), preview.Events.end(),
                          [](json e) { return e["event"] == "loadEnd" && e["view"] == "list"; }),
            1);
  EXPECT_EQ(preview.Process.exitCode(), 2);
  EXPECT_TRUE(preview.Process.readAllStandardError().contains("unknown command: bogus"));
}

TEST(PreviewProgramTest, LiveAndOnDemandVideoReportTheirEvents) {
  TPlatformRun platform(Scenario(), Media());
  ASSERT_TRUE(platform.Started());
  const QString base = platform.HttpBase();
  TPreviewRun preview({"--play-url", base + "/play"});
  ASSERT_TRUE(preview.WaitForEvent("ready"));
  QElapsedTimer running;
  running.start();

  preview.Send("live " + base + "/media/live.m3u8");
  EXPECT_TRUE(preview.WaitForEvent("video", "kind", "length"));
  const auto time = preview.WaitFor([](json e) { return e["event"] == "video" && e["kind"] == "time" && e["ms"] > 0; });
  ASSERT_TRUE(time);
  EXPECT_EQ((*time)["view"], "live");

  // An RTMP address goes to the web player page, unencoded.
  preview.Send("live rtmp://127.0.0.1/live/live.mp4");
  EXPECT_TRUE(preview.WaitForEvent("loadEnd", "url", (base + "/play?rtmp=rtmp://127.0.0.1/live/live.mp4").toStdString()));
  preview.Send("stoplive");

  preview.Send("loop off");
  preview.Send("point " + base + "/media/clip.mp4");
  EXPECT_TRUE(preview.WaitFor([](json e) { return e["event"] == "video" && e["view"] == "point" && e["kind"] == "time"; }));
  preview.Send("point http://127.0.0.1:1/none.mp4");
  EXPECT_TRUE(preview.WaitFor([](json e) { return e["event"] == "video" && e["view"] == "point" && e["kind"] == "error"; }));

  // Time events come at most once a second per view.
  std::map<std::string, int> times;
  for (json e : preview.Events)
    if (e["event"] == "video" && e["kind"] == "time") ++times[e["view"]];
  for (const auto& [view, count] : times) EXPECT_LE(count, running.elapsed() / 1000 + 1) << view;

  preview.Process.closeWriteChannel();  // end of input acts as quit
  ASSERT_TRUE(preview.Ended());
  EXPECT_EQ(preview.Process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(preview.Process.exitCode(), 0);
}

TEST(PreviewProgramTest, BadOptionEndsAtOnce) {
  TPreviewRun preview({"--size", "big"});
  ASSERT_TRUE(preview.Ended());
  EXPECT_EQ(preview.Process.exitCode(), 2);
  const QList<QByteArray> lines = preview.Process.readAllStandardError().trimmed().split('\n');
  ASSERT_EQ(lines.size(), 1);
  EXPECT_TRUE(lines[0].contains("--size"));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
