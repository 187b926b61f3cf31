// The terminal on an X server with a tray host, as a school runs it: it waits in the tray, comes
// up for a task, shows the video, returns to its idle picture at the task's end and to the tray
// ten seconds later, comes back on a tray click, logs in through its login window, and ends on
// the exit message with its settings saved.

#include "TerminalHarness.h"
#include "platform-server/PlatformHarness.h"
#include "support/XvfbDisplay.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <cstdlib>

namespace {

struct TRgb {
  int R, G, B;
};

// One pixel of the screen, read with ffmpeg's X11 grabber.
std::optional<TRgb> ScreenPixel(int x, int y) {
  QProcess grab;
  grab.start("ffmpeg", {"-loglevel", "error", "-f", "x11grab", "-draw_mouse", "0", "-video_size", "1280x720", "-i",
                        qEnvironmentVariable("DISPLAY"), "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
  if (!grab.waitForFinished(10000)) return std::nullopt;
  const QByteArray frame = grab.readAllStandardOutput();
  const qsizetype at = (static_cast<qsizetype>(y) * 1280 + x) * 3;
  if (frame.size() < at + 3) return std::nullopt;
  return TRgb{static_cast<unsigned char>(frame[at]), static_cast<unsigned char>(frame[at + 1]),
              static_cast<unsigned char>(frame[at + 2])};
}

bool Near(const TRgb& a, const TRgb& b) {
  return std::abs(a.R - b.R) < 40 && std::abs(a.G - b.G) < 40 && std::abs(a.B - b.B) < 40;
}

int Xdotool(const QStringList& arguments, QByteArray* output = nullptr) {
  QProcess tool;
  tool.start("xdotool", arguments);
  if (!tool.waitForFinished(5000)) return -1;
  if (output) *output = tool.readAllStandardOutput();
  return tool.exitCode();
}

// Whether a window of this title is mapped.
bool WindowShown(const QString& title) {
  QByteArray ids;
  return Xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}, &ids) == 0 && !ids.trimmed().isEmpty();
}

// A tray host in the top right corner of the screen; its first icon sits at (1268, 12).
class TTrayHost {
 public:
  TTrayHost() {
    Process.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                             "--SetDockType", "false", "--SetPartialStrut", "false", "--transparent", "false"});
    Process.waitForStarted(5000);
  }
  ~TTrayHost() {
    Process.terminate();
    if (!Process.waitForFinished(3000)) Process.kill();
  }
  QProcess Process;
};

class OnScreen : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(UseXvfbDisplay()) << "needs the xvfb fixture";
    qputenv("QT_QPA_PLATFORM", "xcb");
  }
};

TEST_F(OnScreen, WaitsInTheTrayPresentsATaskAndReturnsToTheTray) {
  const TRgb blue{0x20, 0x60, 0xE0};
  QTemporaryDir mediaDir;
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", {"-loglevel", "error", "-f", "lavfi", "-i", "color=c=0x2060E0:s=320x180:r=25:d=30", "-c:v",
                          "libx264", "-pix_fmt", "yuv420p", "-movflags", "+faststart", mediaDir.filePath("blue.mp4")});
  ASSERT_TRUE(ffmpeg.waitForFinished(30000));
  QFile clip(mediaDir.filePath("blue.mp4"));
  ASSERT_TRUE(clip.open(QIODevice::ReadOnly));

  const json task = {{"scheduleId", 31}, {"type", 0}, {"start", 0}, {"end", 16}, {"data", {{"RTMP", "{media}/blue.mp4"}}}};
  const json scenario = {{"login", {{"username", "1001"}, {"password", "1234"}}},
                         {"timeline",
                          {{{"at", 4.5}, {"schedule", {{"tasks", {task}}}}},
                           {{"at", 16.5}, {"schedule", {{"tasks", {task}}}}}}}};
  TPlatformRun platform(scenario, {{"blue.mp4", clip.readAll()}});
  ASSERT_TRUE(platform.Started()) << platform.Stderr().toStdString();
  const TTrayHost tray;

  TTerminalRun terminal;
  terminal.WriteFile("Setting.ini", SettingsFor(platform.TcpPort));
  terminal.Start();
  // Auto-hide: the window goes to the tray at once.
  QThread::msleep(2500);
  EXPECT_FALSE(WindowShown("VireoMainForm")) << terminal.Log().toStdString();

  ASSERT_TRUE(terminal.WaitForLog("PresentMsg Kind=0 ContentType=1 ScheduleId=31", 20000)) << terminal.Log().toStdString();
  EXPECT_TRUE(WaitFor([&] { return WindowShown("VireoMainForm"); }, 5000));
  std::optional<TRgb> centre;
  EXPECT_TRUE(WaitFor([&] { return (centre = ScreenPixel(640, 300)) && Near(*centre, blue); }, 15000))
      << "centre " << (centre ? centre->R : -1) << "," << (centre ? centre->G : -1) << "," << (centre ? centre->B : -1);

  // The end: the idle picture (light) for ten seconds, then the tray.
  ASSERT_TRUE(terminal.WaitForLog("PresentMsg Kind=4", 20000)) << terminal.Log().toStdString();
  QElapsedTimer sinceEnd;
  sinceEnd.start();
  EXPECT_TRUE(WaitFor([&] { return (centre = ScreenPixel(640, 120)) && centre->R > 200 && centre->G > 200; }, 5000));
  ASSERT_TRUE(WaitFor([&] { return !WindowShown("VireoMainForm"); }, 15000));
  EXPECT_GT(sinceEnd.elapsed(), 8500);

  // The tray icon brings it back.
  Xdotool({"mousemove", "1268", "12", "click", "1"});
  EXPECT_TRUE(WaitFor([&] { return WindowShown("VireoMainForm"); }, 5000));

  EXPECT_EQ(terminal.Remote({"exit"}), 0);
  ASSERT_TRUE(terminal.Process.waitForFinished(10000));
  EXPECT_EQ(terminal.Process.exitCode(), 0);
  EXPECT_TRUE(terminal.Log().endsWith(QStringLiteral("退出程序！！\r\n")));
  EXPECT_TRUE(terminal.ReadFile("Setting.ini").contains("AutoHide=1"));
}

TEST_F(OnScreen, AServiceManagersStopEndsTheTerminalUpOrInTheTray) {
  // A GUI application's quit asks its windows to close, and these windows only hide: the stop
  // must end the terminal anyway, with its window up or hidden in the tray.
  TPlatformRun platform(json{{"login", {{"username", "1001"}, {"password", "1234"}}}});
  ASSERT_TRUE(platform.Started());
  const TTrayHost tray;
  for (const bool autoHide : {false, true}) {
    SCOPED_TRACE(autoHide ? "in the tray" : "window up");
    TTerminalRun terminal;
    terminal.WriteFile("Setting.ini", SettingsFor(platform.TcpPort) + (autoHide ? "" : "[APP]\r\nAutoHide=0\r\n"));
    terminal.Start();
    ASSERT_TRUE(terminal.WaitForLog(QStringLiteral("接收到-》"), 15000)) << "the login reply";
    QThread::msleep(2000);  // with auto-hide the window has gone to the tray by now
    EXPECT_EQ(WindowShown("VireoMainForm"), !autoHide);
    EXPECT_TRUE(terminal.Stop()) << "SIGTERM ends it by itself";
    EXPECT_EQ(terminal.Process.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(terminal.Log().endsWith(QStringLiteral("退出程序！！\r\n"))) << terminal.Log().toStdString();
  }
}

TEST_F(OnScreen, TheLoginWindowLogsInWhenNoServerIsConfigured) {
  TPlatformRun platform(json{{"login", {{"username", "room7"}, {"password", "pw"}}}});
  ASSERT_TRUE(platform.Started());
  const TTrayHost tray;
  TTerminalRun terminal;
  terminal.Start();
  ASSERT_TRUE(WaitFor([&] { return WindowShown(QStringLiteral("登陆")); }, 15000));

  // The host edit first, as a user would: click it, type, and move on with the Tab key.
  QByteArray id;
  ASSERT_EQ(Xdotool({"search", "--onlyvisible", "--name", QStringLiteral("^登陆$")}, &id), 0);
  const QString window = QString::fromLatin1(id.trimmed().split('\n').first());
  Xdotool({"windowfocus", "--sync", window});
  const QString port = QString::number(platform.TcpPort);
  for (const QStringList& step : {QStringList{"type", "127.0.0.1"}, QStringList{"key", "Tab", "ctrl+a"},
                                  QStringList{"type", port}, QStringList{"key", "Tab"}, QStringList{"type", "room7"},
                                  QStringList{"key", "Tab"}, QStringList{"type", "pw"}, QStringList{"key", "Return"}}) {
    Xdotool(QStringList{step.first(), "--window", window} + step.mid(1));
    QThread::msleep(100);
  }
  ASSERT_TRUE(WaitFor([&] { return platform.Recorded().size() >= 1; }, 10000)) << terminal.Log().toStdString();
  EXPECT_EQ(platform.Recorded().front()["message"]["username"], "room7");
  EXPECT_TRUE(WaitFor([&] { return !WindowShown(QStringLiteral("登陆")); }, 10000)) << "a login closes the window";
  const QByteArray ini = terminal.ReadFile("Setting.ini");
  EXPECT_TRUE(ini.contains("Host=127.0.0.1")) << ini.toStdString();
  EXPECT_TRUE(ini.contains("SvrUser=room7")) << ini.toStdString();
  EXPECT_EQ(terminal.Remote({"exit"}), 0);
  EXPECT_TRUE(terminal.Process.waitForFinished(10000));
}

}  // namespace
