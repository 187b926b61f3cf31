#include "frames/TVlcPlayerView.h"

#include "frames/TVlcMediaList.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QThread>

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

namespace {

constexpr int kStopWaitMs = 5000;
constexpr int kStopPollMs = 10;

using TVersion = std::array<int, 3>;

// The leading "major.minor.patch" of a version text; missing parts count as 0, no number at
// all as 0.0.0.
TVersion ParseVersion(const char* text) {
  TVersion version{0, 0, 0};
  if (text == nullptr) return version;
  static const QRegularExpression leading(QStringLiteral(R"(^\s*(\d+)(?:\.(\d+))?(?:\.(\d+))?)"));
  const QRegularExpressionMatch match = leading.match(QString::fromUtf8(text));
  for (int i = 0; i < 3 && match.hasMatch(); ++i) version[i] = match.captured(i + 1).toInt();
  return version;
}

constexpr TVersion kOldest{1, 0, 0};

constexpr std::array kEvents{libvlc_MediaPlayerEndReached, libvlc_MediaPlayerEncounteredError,
                             libvlc_MediaPlayerTimeChanged, libvlc_MediaPlayerLengthChanged};

}  // namespace

// Frames decoded into memory. libVLC's video thread owns the decode buffer and copies each
// finished picture into Latest under the mutex; the GUI thread only reads Latest.
struct TVlcPlayerView::TFrames {
  explicit TFrames(TVlcPlayerView& view) : View(view) {}

  TVlcPlayerView& View;

  // Video thread only.
  std::vector<uchar> Decode;
  unsigned Width = 0;
  unsigned Height = 0;

  std::mutex Lock;
  QImage Latest;  // guarded by Lock

  // One queued repaint at a time, however fast frames come.
  std::atomic<bool> RepaintQueued{false};

  // GUI thread only: the picture's shape as it should be seen. libVLC may hand memory output a
  // taller buffer than the picture and stretch the picture into it, so the buffer's own shape
  // is not to be trusted.
  QSizeF Shown;

  static unsigned Setup(void** opaque, char* chroma, unsigned* width, unsigned* height, unsigned* pitches,
                        unsigned* lines) {
    auto& self = *static_cast<TFrames*>(*opaque);
    std::memcpy(chroma, "RV32", 4);
    self.Width = *width;
    self.Height = *height;
    pitches[0] = self.Width * 4;
    lines[0] = self.Height;
    self.Decode.assign(static_cast<std::size_t>(pitches[0]) * lines[0], 0);
    self.View.Post([view = &self.View] { view->FFrames->Shown = QSizeF(); });
    return 1;
  }

  static void Cleanup(void* opaque) {
    auto& self = *static_cast<TFrames*>(opaque);
    self.Decode = {};
    {
      const std::lock_guard<std::mutex> guard(self.Lock);
      self.Latest = QImage();
    }
    self.QueueRepaint();
  }

  static void* LockPicture(void* opaque, void** planes) {
    auto& self = *static_cast<TFrames*>(opaque);
    planes[0] = self.Decode.data();
    return nullptr;
  }

  static void Display(void* opaque, void*) {
    auto& self = *static_cast<TFrames*>(opaque);
    if (self.Decode.empty()) return;
    {
      const std::lock_guard<std::mutex> guard(self.Lock);
      const QSize size(static_cast<int>(self.Width), static_cast<int>(self.Height));
      if (self.Latest.size() != size) self.Latest = QImage(size, QImage::Format_RGB32);
      // bits() detaches first if the GUI thread still holds the previous picture.
      uchar* target = self.Latest.bits();
      const std::size_t row = std::size_t{self.Width} * 4;
      for (unsigned y = 0; y < self.Height; ++y)
        std::memcpy(target + y * self.Latest.bytesPerLine(), self.Decode.data() + y * row, row);
    }
    self.QueueRepaint();
  }

  void QueueRepaint() {
    if (!RepaintQueued.exchange(true)) View.Post([view = &View] { view->FrameArrived(); });
  }
};

TVlcPlayerView::TVlcPlayerView(ILogSink& log, QWidget* parent) : TVlcPlayerView(log, TRuntime{}, parent) {}

TVlcPlayerView::TVlcPlayerView(ILogSink& log, TRuntime runtime, QWidget* parent)
    : QWidget(parent), FLog(log), FRuntime(std::move(runtime)) {
  setWindowFlag(Qt::FramelessWindowHint);
  setAutoFillBackground(true);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  FFrames = std::make_unique<TFrames>(*this);
}

TVlcPlayerView::~TVlcPlayerView() {
  for (TVlcMediaList* list : FLists) list->Unbind();
  FLists.clear();
  ReleasePlayer();
}

std::vector<std::string> TVlcPlayerView::InstanceArguments(const char* versionText) {
  const TVersion version = ParseVersion(versionText);
  if (version < kOldest) return {};
  std::vector<std::string> args{"--ignore-config",   "--no-one-instance",      "--intf=dummy",
                                "--quiet",           "--drop-late-frames",     "--network-caching=2000",
                                "--spu",             "--osd",                  "--no-video-on-top",
                                "--no-overlay",      "--no-snapshot-preview"};
  if (version < TVersion{2, 1, 0}) args.emplace_back("--no-video-title-show");
  if (version >= TVersion{2, 0, 0}) args.emplace_back("--sub-source=marq");
  if (version >= TVersion{1, 1, 0}) args.emplace_back("--sub-filter=logo:marq");
  return args;
}

QStringList TVlcPlayerView::MediaOptions(const QString& address) {
  const qsizetype end = address.indexOf(QLatin1String("://"));
  const QString scheme = end < 0 ? QString() : address.left(end).trimmed().toLower();
  QStringList options;
  if (scheme == QLatin1String("http"))
    options << QStringLiteral(":http-caching=500");
  else
    options << QStringLiteral(":network-caching=2000") << QStringLiteral(":rtsp-tcp");
  return options + DeinterlaceOptions();
}

QStringList TVlcPlayerView::DeinterlaceOptions() {
  return {QStringLiteral(":deinterlace=0"), QStringLiteral(":deinterlace-mode=discard")};
}

libvlc_media_t* TVlcPlayerView::NewMedia(libvlc_instance_t* instance, const QString& address) {
  // An address without a scheme is a path even when no such file exists: handed to libVLC as a
  // location it makes the player crash on its next stop; as a path it is an error event.
  if (QFileInfo(address).isFile() || !address.contains(QStringLiteral("://")))
    return libvlc_media_new_path(instance, QFile::encodeName(address).constData());
  return libvlc_media_new_location(instance, address.toUtf8().constData());
}

bool TVlcPlayerView::EnsurePlayer() {
  if (FState != TState::NotTried) return FState == TState::Ready;
  FState = TState::Unusable;

  const char* versionText = FRuntime.Version ? FRuntime.Version() : nullptr;
  const std::vector<std::string> args = InstanceArguments(versionText);
  if (args.empty()) {
    FLog.LogError(QStringLiteral("libVLC %1 is too old (1.0.0 or later is needed): no video will play")
                      .arg(QString::fromUtf8(versionText ? versionText : "(unknown)")));
    return false;
  }
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  FInstance = FRuntime.New ? FRuntime.New(static_cast<int>(argv.size()), argv.data()) : nullptr;
  if (FInstance == nullptr) {
    FLog.LogError(QStringLiteral("libVLC could not be started (libvlc_new failed): no video will play"));
    return false;
  }
  FPlayer = libvlc_media_player_new(FInstance);
  if (FPlayer == nullptr) {
    libvlc_release(FInstance);
    FInstance = nullptr;
    FLog.LogError(QStringLiteral("libVLC could not create a media player: no video will play"));
    return false;
  }

  libvlc_video_set_mouse_input(FPlayer, 1);
  libvlc_video_set_key_input(FPlayer, 1);
  if (ParseVersion(versionText) >= TVersion{2, 1, 0})
    libvlc_media_player_set_video_title_display(FPlayer, libvlc_position_disable, 0);
  libvlc_event_manager_t* events = libvlc_media_player_event_manager(FPlayer);
  for (const libvlc_event_e type : kEvents) libvlc_event_attach(events, type, &OnVlcEvent, this);

  libvlc_video_set_callbacks(FPlayer, &TFrames::LockPicture, nullptr, &TFrames::Display, FFrames.get());
  libvlc_video_set_format_callbacks(FPlayer, &TFrames::Setup, &TFrames::Cleanup);
  FState = TState::Ready;
  return true;
}

void TVlcPlayerView::ReleasePlayer() {
  if (FPlayer == nullptr) return;
  // No event may start on libVLC's threads once this returns (detaching waits for a running
  // callback), and nothing queued before it is delivered: the relay goes with the view.
  libvlc_event_manager_t* events = libvlc_media_player_event_manager(FPlayer);
  for (const libvlc_event_e type : kEvents) libvlc_event_detach(events, type, &OnVlcEvent, this);
  Stop();
  libvlc_media_player_release(FPlayer);
  FPlayer = nullptr;
  libvlc_release(FInstance);
  FInstance = nullptr;
}

libvlc_media_player_t* TVlcPlayerView::Player() {
  EnsurePlayer();
  return FPlayer;
}

libvlc_instance_t* TVlcPlayerView::Instance() {
  EnsurePlayer();
  return FInstance;
}

void TVlcPlayerView::SetVisible(bool visible) { setVisible(visible); }

bool TVlcPlayerView::IsVisible() const { return !isHidden(); }

void TVlcPlayerView::PlayMedia(const QString& address) {
  if (!EnsurePlayer()) return;
  if (IsPlaying()) Stop();
  libvlc_media_t* media = NewMedia(FInstance, address);
  if (media == nullptr) {
    FLog.LogError(QStringLiteral("libVLC cannot open the address %1").arg(address));
    return;
  }
  for (const QString& option : MediaOptions(address)) libvlc_media_add_option(media, option.toUtf8().constData());
  libvlc_media_player_set_media(FPlayer, media);
  libvlc_media_release(media);
  libvlc_media_player_play(FPlayer);
}

void TVlcPlayerView::Pause() {
  if (FPlayer != nullptr && libvlc_media_player_get_state(FPlayer) == libvlc_Playing)
    libvlc_media_player_set_pause(FPlayer, 1);
}

void TVlcPlayerView::Resume() {
  if (FPlayer != nullptr && libvlc_media_player_get_state(FPlayer) == libvlc_Paused)
    libvlc_media_player_set_pause(FPlayer, 0);
}

void TVlcPlayerView::Stop() {
  if (FPlayer == nullptr) return;
  libvlc_media_player_stop(FPlayer);
  WaitWhilePlaying();
}

void TVlcPlayerView::WaitWhilePlaying() {
  const QDeadlineTimer deadline(kStopWaitMs);
  while (IsPlaying()) {
    if (deadline.hasExpired()) {
      FLog.LogHint(QStringLiteral("libVLC did not stop playing within %1 s; going on").arg(kStopWaitMs / 1000));
      return;
    }
    QThread::msleep(kStopPollMs);
  }
}

bool TVlcPlayerView::IsPlaying() const {
  return FPlayer != nullptr && libvlc_media_player_get_state(FPlayer) == libvlc_Playing;
}

void TVlcPlayerView::SetAudioMute(bool mute) {
  if (FPlayer != nullptr) libvlc_audio_set_mute(FPlayer, mute ? 1 : 0);
}

std::int64_t TVlcPlayerView::GetVideoLenInMs() const {
  return FPlayer != nullptr ? libvlc_media_player_get_length(FPlayer) : 0;
}

std::int64_t TVlcPlayerView::GetVideoPosInMs() const {
  return FPlayer != nullptr ? libvlc_media_player_get_time(FPlayer) : 0;
}

void TVlcPlayerView::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(&FRelay, std::move(call), Qt::QueuedConnection);
}

template <typename... A>
void TVlcPlayerView::PostEvent(std::function<void(A...)> TVideoEvents::*event, A... args) {
  // The handler is looked up when the call is delivered: one assigned meanwhile is the one meant.
  Post([this, event, args...] {
    if (const auto handler = Events.*event) handler(args...);
  });
}

// On one of libVLC's threads, inside libVLC: only copies what the event says and queues it.
void TVlcPlayerView::OnVlcEvent(const libvlc_event_t* event, void* data) {
  auto* view = static_cast<TVlcPlayerView*>(data);
  switch (event->type) {
    case libvlc_MediaPlayerEndReached:
      view->PostEvent(&TVideoEvents::OnMediaPlayerEndReached);
      break;
    case libvlc_MediaPlayerEncounteredError:
      view->PostEvent(&TVideoEvents::OnMediaPlayerEncounteredError);
      break;
    case libvlc_MediaPlayerTimeChanged:
      view->PostEvent(&TVideoEvents::OnMediaPlayerTimeChanged, std::int64_t{event->u.media_player_time_changed.new_time});
      break;
    case libvlc_MediaPlayerLengthChanged:
      view->PostEvent(&TVideoEvents::OnMediaPlayerLengthChanged,
                      std::int64_t{event->u.media_player_length_changed.new_length});
      break;
    default:
      break;
  }
}

void TVlcPlayerView::FrameArrived() {
  FFrames->RepaintQueued = false;
  if (FFrames->Shown.isEmpty()) LearnDisplaySize();
  update();
}

// The picture's visible size and pixel shape, as libVLC reports them once its output runs.
void TVlcPlayerView::LearnDisplaySize() {
  unsigned width = 0;
  unsigned height = 0;
  if (FPlayer == nullptr || libvlc_video_get_size(FPlayer, 0, &width, &height) != 0 || width == 0 || height == 0)
    return;
  double pixelAspect = 1.0;
  if (libvlc_media_t* media = libvlc_media_player_get_media(FPlayer)) {
    libvlc_media_track_t** tracks = nullptr;
    const unsigned count = libvlc_media_tracks_get(media, &tracks);
    for (unsigned i = 0; i < count; ++i) {
      const libvlc_media_track_t* track = tracks[i];
      if (track->i_type == libvlc_track_video && track->video->i_sar_num > 0 && track->video->i_sar_den > 0) {
        pixelAspect = double(track->video->i_sar_num) / track->video->i_sar_den;
        break;
      }
    }
    libvlc_media_tracks_release(tracks, count);
    libvlc_media_release(media);
  }
  FFrames->Shown = QSizeF(width * pixelAspect, height);
}

void TVlcPlayerView::paintEvent(QPaintEvent*) {
  QImage frame;
  {
    const std::lock_guard<std::mutex> guard(FFrames->Lock);
    frame = FFrames->Latest;
  }
  if (frame.isNull()) return;
  const QSizeF shown = FFrames->Shown.isEmpty() ? QSizeF(frame.size()) : FFrames->Shown;
  const QSizeF fitted = shown.scaled(QSizeF(size()), Qt::KeepAspectRatio);
  const QRectF target(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, frame);
}

