// The engines the terminal's frames are built on, bare: four Qt WebEngine views and two libVLC
// players (each with its own instance, started on first playback as in the video views), one of
// them playing an address into memory and painting it. The memory baseline for the frames; see
// scripts/measure-memory.sh.
//   vireo-bare-engines ADDRESS

#include <QApplication>
#include <QImage>
#include <QMutex>
#include <QPainter>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>
#include <vlc/vlc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const char* const kArguments[] = {"--ignore-config", "--no-one-instance", "--intf=dummy", "--quiet",
                                  "--drop-late-frames", "--network-caching=2000", "--spu", "--osd",
                                  "--no-video-on-top", "--no-overlay", "--no-snapshot-preview",
                                  "--sub-source=marq", "--sub-filter=logo:marq"};

// A widget that shows what one bare player decodes.
class TBareVideo final : public QWidget {
 public:
  explicit TBareVideo(QWidget* parent) : QWidget(parent) {}
  ~TBareVideo() override {
    if (FPlayer) {
      libvlc_media_player_stop(FPlayer);
      libvlc_media_player_release(FPlayer);
    }
    if (FInstance) libvlc_release(FInstance);
  }

  // libVLC starts with the first playback, as in the video view.
  void Play(const char* address) {
    FInstance = libvlc_new(static_cast<int>(std::size(kArguments)), kArguments);
    FPlayer = FInstance ? libvlc_media_player_new(FInstance) : nullptr;
    if (!FPlayer) return;
    libvlc_video_set_callbacks(FPlayer, &Lock, nullptr, &Display, this);
    libvlc_video_set_format_callbacks(FPlayer, &Setup, nullptr);
    libvlc_media_t* media = libvlc_media_new_location(FInstance, address);
    libvlc_media_add_option(media, ":http-caching=500");
    libvlc_media_player_set_media(FPlayer, media);
    libvlc_media_release(media);
    libvlc_media_player_play(FPlayer);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QMutexLocker lock(&FMutex);
    if (!FFrame.isNull()) painter.drawImage(rect(), FFrame);
  }

 private:
  static unsigned Setup(void** opaque, char* chroma, unsigned* width, unsigned* height, unsigned* pitches,
                        unsigned* lines) {
    auto* self = static_cast<TBareVideo*>(*opaque);
    std::memcpy(chroma, "RV32", 4);
    const QMutexLocker lock(&self->FMutex);
    self->FFrame = QImage(static_cast<int>(*width), static_cast<int>(*height), QImage::Format_RGB32);
    *pitches = static_cast<unsigned>(self->FFrame.bytesPerLine());
    *lines = *height;
    return 1;
  }
  static void* Lock(void* opaque, void** planes) {
    auto* self = static_cast<TBareVideo*>(opaque);
    self->FMutex.lock();
    planes[0] = self->FFrame.bits();
    return nullptr;
  }
  static void Display(void* opaque, void*) {
    auto* self = static_cast<TBareVideo*>(opaque);
    self->FMutex.unlock();
    QMetaObject::invokeMethod(self, qOverload<>(&QWidget::update), Qt::QueuedConnection);
  }

  libvlc_instance_t* FInstance = nullptr;
  libvlc_media_player_t* FPlayer = nullptr;
  QMutex FMutex;
  QImage FFrame;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: vireo-bare-engines ADDRESS\n", stderr);
    return 2;
  }
  if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  QWidget window;
  window.resize(1280, 720);
  std::vector<QWidget*> children;
  for (int i = 0; i < 4; ++i) {
    auto* view = new QWebEngineView(&window);
    view->setPage(new QWebEnginePage(view));  // a page of its own, as each web view of the frames has
    children.push_back(view);
  }
  auto* playing = new TBareVideo(&window);
  auto* idle = new TBareVideo(&window);
  children.push_back(idle);
  children.push_back(playing);
  // As in the terminal's stack of frames, one web view is on screen first (the live frame's,
  // which starts its render process), then only the playing video is shown.
  for (QWidget* child : children) {
    child->setGeometry(window.rect());
    child->setVisible(child == children.front());
  }
  window.show();
  QTimer::singleShot(1000, &window, [&] {
    for (QWidget* child : children) child->setVisible(child == playing);
    playing->Play(argv[1]);
  });
  std::puts("ready");
  std::fflush(stdout);
  return QApplication::exec();
}
