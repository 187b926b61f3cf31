// vireo-platform: a stand-in for the campus media platform, for development, tests and demos.
// See README.md beside this file.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "THttpPages.h"
#include "TPlatformServer.h"
#include "TRecorder.h"
#include "TRtspServer.h"
#include "TScenario.h"
#include "platform/TSignalQuit.h"

#if defined(__SANITIZE_ADDRESS__)
// GLib and GStreamer keep no frame pointers: without whole stacks, leak reports could not be told
// apart from theirs (tests/support/lsan.supp).
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
#endif

namespace {

constexpr int kUsageError = 2;
constexpr int kStartError = 1;

[[noreturn]] void Fail(int code, const QString& why) {
  std::fprintf(stderr, "vireo-platform: %s\n", qPrintable(why));
  std::exit(code);
}

std::optional<quint16> Port(const QString& text) {
  bool ok = false;
  const uint port = text.toUInt(&ok);
  if (!ok || port > 65535) return std::nullopt;
  return static_cast<quint16>(port);
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("vireo-platform");
  qSetMessagePattern("%{time yyyy-MM-dd hh:mm:ss.zzz} vireo-platform: %{message}");

  QCommandLineParser parser;
  parser.setApplicationDescription("Stand-in for the campus media platform, on 127.0.0.1 only.");
  parser.addHelpOption();
  const QCommandLineOption portOption("port", "TCP port for terminals (0: any free port).", "port", "9000");
  const QCommandLineOption httpPortOption("http-port", "HTTP port for the web pages and media (0: any free port).",
                                          "port", "9080");
  const QCommandLineOption scenarioOption("scenario", "Scenario file (default: any login accepted, no timeline).",
                                          "file");
  const QCommandLineOption mediaOption("media", "Folder whose files are served under /media/.", "folder");
  const QCommandLineOption recordOption("record", "Write every received message to this file, one JSON line each.",
                                        "file");
  const QCommandLineOption rtspPortOption(
      "rtsp-port", "Serve the media folder's MP4 files as RTSP streams on this port (0: any free port).", "port");
  const QCommandLineOption durationOption("duration", "Stop after this many seconds.", "seconds");
  parser.addOptions(
      {portOption, httpPortOption, scenarioOption, mediaOption, recordOption, rtspPortOption, durationOption});
  parser.process(app);
  if (!parser.positionalArguments().isEmpty())
    Fail(kUsageError, "unexpected argument " + parser.positionalArguments().front());

  const std::optional<quint16> port = Port(parser.value(portOption));
  const std::optional<quint16> httpPort = Port(parser.value(httpPortOption));
  const std::optional<quint16> rtspPort =
      parser.isSet(rtspPortOption) ? Port(parser.value(rtspPortOption)) : std::optional<quint16>(0);
  if (!port || !httpPort || !rtspPort) Fail(kUsageError, "a port is a number from 0 to 65535");
  std::optional<double> duration;
  if (parser.isSet(durationOption)) {
    bool ok = false;
    duration = parser.value(durationOption).toDouble(&ok);
    if (!ok || *duration <= 0 || *duration > 7 * 24 * 3600)
      Fail(kUsageError, "--duration takes a positive number of seconds");
  }
  const QString mediaDir = parser.value(mediaOption);
  if (!mediaDir.isEmpty() && !QDir(mediaDir).exists()) Fail(kUsageError, "no media folder " + mediaDir);

  // Before anyone learns the ports, so a prompt SIGTERM already ends the run cleanly.
  TSignalQuit signalQuit;

  QString error;
  // The web pages listen first, so the scenario's addresses can carry their real port.
  THttpPages pages(mediaDir);
  const quint16 boundHttpPort = pages.Listen(*httpPort, &error);
  if (boundHttpPort == 0) Fail(kStartError, error);

  // Likewise the streams, for {rtsp}.
  std::unique_ptr<TRtspServer> rtsp;
  quint16 boundRtspPort = 0;
  if (parser.isSet(rtspPortOption)) {
    rtsp = std::make_unique<TRtspServer>(mediaDir);
    boundRtspPort = rtsp->Listen(*rtspPort, &error);
    if (boundRtspPort == 0) Fail(kStartError, error);
  }
  const QString rtspBase = rtsp ? rtsp->Base() : QString();

  // Without a scenario: any login is accepted and nothing is scheduled.
  std::optional<TScenario> scenario =
      parser.isSet(scenarioOption) ? TScenarioLoader::Load(parser.value(scenarioOption), pages.Base(), rtspBase, &error)
                                   : TScenarioLoader::Parse("{}", pages.Base(), rtspBase, &error);
  if (!scenario) Fail(kUsageError, error);
  pages.SetCatalog(scenario->Videos, scenario->Notices);

  TRecorder recorder;
  if (parser.isSet(recordOption) && !recorder.Open(parser.value(recordOption), &error))
    Fail(kStartError, parser.value(recordOption) + ": " + error);

  TPlatformServer server(std::move(*scenario), recorder);
  const quint16 boundPort = server.Listen(*port, &error);
  if (boundPort == 0) Fail(kStartError, error);

  // One line on stdout, so whoever started the server with port 0 learns where it is.
  const std::string rtspMember = rtsp ? ",\"rtspPort\":" + std::to_string(boundRtspPort) : std::string();
  std::printf("{\"tcpPort\":%u,\"httpPort\":%u%s}\n", unsigned{boundPort}, unsigned{boundHttpPort},
              rtspMember.c_str());
  std::fflush(stdout);
  qInfo("listening on 127.0.0.1:%u, web pages at %s", unsigned{boundPort}, qPrintable(pages.Base()));
  if (rtsp)
    qInfo("streams at %s/: %s", qPrintable(rtsp->Base()),
          rtsp->Names().isEmpty() ? "none, no MP4 file in the media folder" : qPrintable(rtsp->Names().join(", ")));

  if (duration) {
    QTimer::singleShot(static_cast<int>(*duration * 1000), &app, [] {
      qInfo("duration is over");
      QCoreApplication::quit();
    });
  }
  const int code = app.exec();
  qInfo("stopped");
  return code;
}
