// Time from asking for playback to the first video output, for the video view and for libVLC
// used bare in the same way (same arguments, media options and kind of output), in alternating
// fresh runs: each run starts a new libVLC, so both clocks include starting it.
//   build/bin/vireo-first-picture [--runs N] [--clip FILE]
// Without --clip a 5 s 640x360 H.264/AAC test clip is made with ffmpeg. Both sides decode into
// memory, as the video view always does (offscreen by default; xcb works the same). Audio goes to
// ALSA's null sink unless ALSA_CONFIG_PATH is set, so a machine without sound measures the same.

#include "platform/uLogSink.h"
#include "frames/TVlcPlayerView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <vlc/vlc.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

constexpr auto kGiveUp = std::chrono::seconds(15);
constexpr int kWidth = 640;
constexpr int kHeight = 360;

// Set from libVLC's thread when the player reports its first video output.
class TFirstOutput {
 public:
  void Attach(libvlc_media_player_t* player) {
    libvlc_event_attach(libvlc_media_player_event_manager(player), libvlc_MediaPlayerVout, &OnVout, this);
  }
  void Detach(libvlc_media_player_t* player) {
    libvlc_event_detach(libvlc_media_player_event_manager(player), libvlc_MediaPlayerVout, &OnVout, this);
  }
  std::optional<TClock::time_point> Wait() {
    std::unique_lock<std::mutex> lock(FLock);
    FCame.wait_for(lock, kGiveUp, [this] { return FAt.has_value(); });
    return FAt;
  }

 private:
  static void OnVout(const libvlc_event_t* event, void* data) {
    auto& self = *static_cast<TFirstOutput*>(data);
    if (event->u.media_player_vout.new_count < 1) return;
    const std::lock_guard<std::mutex> guard(self.FLock);
    if (!self.FAt) self.FAt = TClock::now();
    self.FCame.notify_all();
  }

  std::mutex FLock;
  std::condition_variable FCame;
  std::optional<TClock::time_point> FAt;
};

double MsBetween(TClock::time_point from, TClock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

std::optional<double> ViewRun(const QString& clip) {
  TNullLogSink log;
  TVlcPlayerView view(log);
  view.resize(kWidth, kHeight);
  view.show();
  if (!QTest::qWaitForWindowExposed(&view)) return std::nullopt;
  TFirstOutput output;
  const TClock::time_point start = TClock::now();
  if (view.Player() == nullptr) return std::nullopt;
  output.Attach(view.Player());
  view.PlayMedia(clip);
  const std::optional<TClock::time_point> at = output.Wait();
  output.Detach(view.Player());
  if (!at) return std::nullopt;
  return MsBetween(start, *at);
}

// Frames into memory, as the view does without a window system; nothing is done with them.
struct TBareFrames {
  std::vector<unsigned char> Buffer;
  static unsigned Setup(void** opaque, char* chroma, unsigned* width, unsigned* height, unsigned* pitches,
                        unsigned* lines) {
    auto& self = *static_cast<TBareFrames*>(*opaque);
    std::copy_n("RV32", 4, chroma);
    pitches[0] = *width * 4;
    lines[0] = *height;
    self.Buffer.assign(std::size_t{pitches[0]} * lines[0], 0);
    return 1;
  }
  static void Cleanup(void*) {}
  static void* Lock(void* opaque, void** planes) {
    planes[0] = static_cast<TBareFrames*>(opaque)->Buffer.data();
    return nullptr;
  }
  static void Display(void*, void*) {}
};

std::optional<double> BareRun(const QString& clip) {
  TBareFrames frames;
  TFirstOutput output;

  const TClock::time_point start = TClock::now();
  const std::vector<std::string> args = TVlcPlayerView::InstanceArguments(libvlc_get_version());
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  libvlc_instance_t* instance = libvlc_new(static_cast<int>(argv.size()), argv.data());
  if (instance == nullptr) return std::nullopt;
  libvlc_media_player_t* player = libvlc_media_player_new(instance);
  libvlc_video_set_mouse_input(player, 1);
  libvlc_video_set_key_input(player, 1);
  libvlc_media_player_set_video_title_display(player, libvlc_position_disable, 0);
  output.Attach(player);
  libvlc_video_set_callbacks(player, &TBareFrames::Lock, nullptr, &TBareFrames::Display, &frames);
  libvlc_video_set_format_callbacks(player, &TBareFrames::Setup, &TBareFrames::Cleanup);
  libvlc_media_t* media = libvlc_media_new_path(instance, QFile::encodeName(clip).constData());
  for (const QString& option : TVlcPlayerView::MediaOptions(clip))
    libvlc_media_add_option(media, option.toUtf8().constData());
  libvlc_media_player_set_media(player, media);
  libvlc_media_release(media);
  libvlc_media_player_play(player);
  const std::optional<TClock::time_point> at = output.Wait();

  output.Detach(player);
  libvlc_media_player_stop(player);
  libvlc_media_player_release(player);
  libvlc_release(instance);
  if (!at) return std::nullopt;
  return MsBetween(start, *at);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QString MakeClip(const QString& folder) {
  const QString path = QDir(folder).filePath(QStringLiteral("first-picture.mp4"));
  QProcess ffmpeg;
  ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  ffmpeg.start(QStringLiteral("ffmpeg"),
               {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                QStringLiteral("testsrc=size=%1x%2:rate=25:duration=5").arg(kWidth).arg(kHeight), "-f", "lavfi",
                "-i", "sine=frequency=440:duration=5", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac",
                "-shortest", path});
  if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) return {};
  return path;
}

void PrintRuns(const char* name, const std::vector<double>& runs) {
  std::printf("%-5s median %7.1f ms   runs:", name, Median(runs));
  for (const double ms : runs) std::printf(" %.1f", ms);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir work;
  if (qEnvironmentVariableIsEmpty("ALSA_CONFIG_PATH")) {
    QFile config(work.filePath(QStringLiteral("asound.conf")));
    if (config.open(QIODevice::WriteOnly)) config.write("pcm.!default { type null }\nctl.!default { type hw card 0 }\n");
    qputenv("ALSA_CONFIG_PATH", QFile::encodeName(config.fileName()));
  }
  QApplication app(argc, argv);
  QCommandLineParser parser;
  parser.addHelpOption();
  parser.addOption({"runs", "Fresh runs of each (at least 5).", "N", "11"});
  parser.addOption({"clip", "Media file to play.", "FILE"});
  parser.process(app);
  const int runs = std::max(5, parser.value("runs").toInt());
  const QString clip = parser.isSet("clip") ? QFileInfo(parser.value("clip")).absoluteFilePath() : MakeClip(work.path());
  if (clip.isEmpty() || !QFileInfo(clip).isFile()) {
    std::fprintf(stderr, "No clip to play (is ffmpeg installed?)\n");
    return 1;
  }

  std::printf("libVLC %s, Qt platform %s, %d runs each, clip %s\n", libvlc_get_version(),
              qPrintable(QGuiApplication::platformName()), runs, qPrintable(clip));
  std::vector<double> view;
  std::vector<double> bare;
  for (int i = 0; i < runs * 2; ++i) {
    // Alternating, and each starting first in half of the pairs.
    const bool viewTurn = (i % 2 == 0) == (i / 2 % 2 == 0);
    const std::optional<double> ms = viewTurn ? ViewRun(clip) : BareRun(clip);
    QTest::qWait(200);  // let what the run queued be served before the next one
    if (!ms) {
      std::fprintf(stderr, "%s run %d: no video output within %lld s\n", viewTurn ? "view" : "bare", i / 2 + 1,
                   static_cast<long long>(kGiveUp.count()));
      return 1;
    }
    (viewTurn ? view : bare).push_back(*ms);
  }
  PrintRuns("view", view);
  PrintRuns("bare", bare);
  std::printf("ratio view/bare %.3f (goal <= 1.1)\n", Median(view) / Median(bare));
  return 0;
}
