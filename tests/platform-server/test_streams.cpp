// The stand-in's live streams, taken by real clients: ffmpeg pulls the RTSP stream over TCP the
// way the terminal asks for it (RTP inside the RTSP connection), and Qt WebEngine plays the web
// player page the way the terminal's web view opens it.

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <csignal>

#include "PlatformHarness.h"
#include "support/QtPrinters.h"

namespace {

constexpr int kClipWidth = 160;
constexpr int kClipHeight = 120;
constexpr int kClipFps = 25;
constexpr double kClipSeconds = 2;

// A short clip as scripts/make-media.sh makes them: H.264 baseline and AAC, index up front.
QByteArray MakeClip() {
  QTemporaryDir dir;
  const QString path = dir.filePath("clip.mp4");
  const QString video = QStringLiteral("testsrc2=size=%1x%2:rate=%3:duration=%4")
                            .arg(kClipWidth)
                            .arg(kClipHeight)
                            .arg(kClipFps)
                            .arg(kClipSeconds);
  QProcess ffmpeg;
  ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  ffmpeg.start("ffmpeg", {"-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", video, "-f",
                          "lavfi", "-i", QStringLiteral("sine=frequency=660:duration=%1").arg(kClipSeconds), "-c:v",
                          "libx264", "-preset", "ultrafast", "-profile:v", "baseline", "-pix_fmt", "yuv420p", "-g",
                          "25", "-c:a", "aac", "-shortest", "-movflags", "+faststart", path});
  if (!ffmpeg.waitForFinished(30000) || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
    return {};
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray& Clip() {
  static const QByteArray clip = MakeClip();
  return clip;
}

struct TPull {
  bool Finished = false;
  int ExitCode = -1;
  QByteArray Errors;
  std::vector<int> FrameBytes;  // one entry per decoded picture
};

// Decodes `seconds` of the stream's video, taken over TCP only: ffmpeg then refuses a server that
// offers nothing but UDP.
TPull PullOverTcp(const QString& address, double seconds) {
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", {"-nostdin", "-hide_banner", "-loglevel", "error", "-rtsp_transport", "tcp", "-i", address,
                          "-t", QString::number(seconds), "-map", "0:v:0", "-f", "framecrc", "-"});
  TPull pull;
  pull.Finished = ffmpeg.waitForFinished(static_cast<int>(seconds * 1000) + 10000);
  if (!pull.Finished) {
    ffmpeg.kill();
    ffmpeg.waitForFinished(1000);
  }
  pull.ExitCode = ffmpeg.exitCode();
  pull.Errors = ffmpeg.readAllStandardError();
  // framecrc: "stream, dts, pts, duration, size, checksum" per frame, "#" for the header.
  for (const QByteArray& line : ffmpeg.readAllStandardOutput().split('\n')) {
    const QList<QByteArray> fields = line.split(',');
    if (line.startsWith('#') || fields.size() < 6) continue;
    pull.FrameBytes.push_back(fields[4].trimmed().toInt());
  }
  return pull;
}

// ---- RTSP ---------------------------------------------------------------------------------------

TEST(RtspStream, TheScenarioAddressDeliversVideoOverTcpPastTheFilesEnd) {
  ASSERT_FALSE(Clip().isEmpty()) << "ffmpeg could not make the clip";
  const json scenario = {{"timeline", {{{"at", 0}, {"frame", {{"live", "{rtsp}/live"}}}}}}};
  TPlatformRun run(scenario, {{"live.mp4", Clip()}, {"notes.txt", "x"}}, {"--rtsp-port", "0"});
  ASSERT_TRUE(run.Started()) << run.Stderr().toStdString();
  ASSERT_NE(run.RtspPort, 0) << "the start line names no rtspPort";

  // The address the terminal is sent is the one that plays.
  TTerminal terminal(run.TcpPort);
  ASSERT_EQ(terminal.Login()["success"], true);
  const json frame = terminal.Next();
  ASSERT_EQ(frame["live"], run.RtspBase().toStdString() + "/live");

  // Longer than the file: the stream loops instead of ending with it.
  const double seconds = kClipSeconds + 1;
  const TPull pull = PullOverTcp(QString::fromStdString(frame["live"].get<std::string>()), seconds);
  ASSERT_TRUE(pull.Finished);
  EXPECT_EQ(pull.ExitCode, 0) << pull.Errors.toStdString();
  EXPECT_GT(static_cast<double>(pull.FrameBytes.size()), (kClipSeconds + 0.5) * kClipFps);
  for (const int bytes : pull.FrameBytes) ASSERT_EQ(bytes, kClipWidth * kClipHeight * 3 / 2) << "a whole picture";

  // Only MP4 files are streams; anything else is not found.
  for (const char* name : {"notes", "nothing"}) {
    SCOPED_TRACE(name);
    const TPull missing = PullOverTcp(run.RtspBase() + "/" + name, 1);
    EXPECT_NE(missing.ExitCode, 0);
    EXPECT_TRUE(missing.Errors.contains("404")) << missing.Errors.toStdString();
  }
}

TEST(RtspStream, SigtermWhileAClientStreamsEndsBothCleanly) {
  ASSERT_FALSE(Clip().isEmpty()) << "ffmpeg could not make the clip";
  TPlatformRun run(json::object(), {{"live.mp4", Clip()}}, {"--rtsp-port", "0"});
  ASSERT_TRUE(run.Started()) << run.Stderr().toStdString();

  QProcess client;
  client.start("ffmpeg", {"-nostdin", "-hide_banner", "-loglevel", "error", "-rtsp_transport", "tcp", "-i",
                          run.RtspBase() + "/live", "-f", "null", "-progress", "pipe:1", "-stats_period", "0.2", "-"});
  // Streaming, not just connected: pictures have come through.
  QByteArray progress;
  const bool streaming = QTest::qWaitFor(
      [&] {
        client.waitForReadyRead(100);
        progress += client.readAllStandardOutput();
        static const QRegularExpression frames("frame=[1-9]");
        return frames.match(QString::fromLatin1(progress)).hasMatch() || client.state() == QProcess::NotRunning;
      },
      10000);
  ASSERT_TRUE(streaming && client.state() == QProcess::Running) << client.readAllStandardError().toStdString();

  ::kill(static_cast<pid_t>(run.Process.processId()), SIGTERM);
  ASSERT_TRUE(run.Process.waitForFinished(kAnswerMs)) << "the server hangs";
  EXPECT_EQ(run.Process.exitStatus(), QProcess::NormalExit) << run.Stderr().toStdString();
  EXPECT_EQ(run.Process.exitCode(), 0) << run.Stderr().toStdString();
  EXPECT_TRUE(client.waitForFinished(5000)) << "the client is left waiting on an open connection";
}

// ---- web player ---------------------------------------------------------------------------------

struct TVideoState {
  double CurrentTime = 0;
  int ReadyState = 0;
  bool Paused = true;
  bool Muted = true;
  std::string Source;
  std::string Background;
};

TEST(WebPlayer, PlaysTheFileTheRtmpAddressNamesWithSound) {
  ASSERT_FALSE(Clip().isEmpty()) << "ffmpeg could not make the clip";
  TPlatformRun run(json::object(), {{"live.mp4", Clip()}});
  ASSERT_TRUE(run.Started()) << run.Stderr().toStdString();

  TVideoState state;
  bool asking = false;
  QWebEngineProfile profile;  // off the record: nothing is kept on disk
  QWebEnginePage page(&profile);
  // As in the terminal's web views: media starts without a click.
  page.settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
  // The terminal appends the address unencoded.
  page.load(QUrl(run.HttpBase() + "/play?rtmp=rtmp://127.0.0.1/live/live"));

  const auto poll = [&] {
    if (asking) return;
    asking = true;
    page.runJavaScript(
        "(function () { const v = document.getElementById('player');"
        " return v ? [v.currentTime, v.readyState, v.paused, v.muted, v.currentSrc,"
        " getComputedStyle(document.body).backgroundColor] : null; })()",
        [&](const QVariant& result) {
          asking = false;
          const QVariantList values = result.toList();
          if (values.size() != 6) return;
          state = {values[0].toDouble(), values[1].toInt(),           values[2].toBool(),
                   values[3].toBool(),   values[4].toString().toStdString(), values[5].toString().toStdString()};
        });
  };
  // Past the first second: pictures are decoded and time runs.
  const bool playing = QTest::qWaitFor(
      [&] {
        poll();
        return state.CurrentTime > 1.0 && state.ReadyState >= 3;
      },
      15000);
  EXPECT_TRUE(playing) << "currentTime " << state.CurrentTime << ", readyState " << state.ReadyState << ", source "
                       << state.Source;
  EXPECT_EQ(state.Source, run.HttpBase().toStdString() + "/media/live.mp4");
  EXPECT_FALSE(state.Paused);
  EXPECT_FALSE(state.Muted);
  EXPECT_EQ(state.Background, "rgb(0, 0, 0)");
}

}  // namespace
