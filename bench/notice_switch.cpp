// How much sooner a notice is on screen when its page was loaded in a hidden view beforehand
// (the notice swap: hide one panel, show the other) than when it is loaded cold in a view
// shown at once. Serves the notice page from the stand-in platform; "on screen" means the
// view's grabbed pixels show the page's background colour.
//
//   vireo-notice-switch [--runs N]      (N fresh runs of each, alternating; default 7)

#include "frames/TWebView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace {

const QColor kNoticeBackground(0xff, 0xf8, 0xe0);
const QSize kSize(640, 480);
constexpr int kTimeoutMs = 15000;

// Runs the event loop until done() (checked every pollMs) or the deadline.
bool Spin(const std::function<bool()>& done, int timeoutMs, int pollMs = 5) {
  if (done()) return true;
  QEventLoop loop;
  QTimer poll;
  poll.callOnTimeout([&] {
    if (done()) loop.quit();
  });
  poll.start(pollMs);
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  loop.exec();
  return done();
}

void Pause(int ms) {
  Spin([] { return false; }, ms);
}

// The page's background shows in the lower middle of the view, clear of text and scroll bar.
bool ShowsNotice(QWidget* widget) {
  const QImage image = widget->grab().toImage();
  if (image.isNull()) return false;
  const QPoint probe(image.width() / 2, image.height() - 10);
  return image.pixelColor(probe) == kNoticeBackground;
}

// Milliseconds from `start` until the widget shows the notice, polling its pixels.
std::optional<qint64> UntilShown(QWidget* widget, const QElapsedTimer& start) {
  if (!Spin([&] { return ShowsNotice(widget); }, kTimeoutMs, 2)) return std::nullopt;
  return start.elapsed();
}

// (a) The notice loaded in a hidden TWebView, then the panels swapped.
std::optional<qint64> PreloadedSwap(const QString& url) {
  TNullLogSink log;
  QWidget window;
  window.resize(kSize);
  auto* layout = new QGridLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* other = new QWidget(&window);  // the panel shown until the swap
  other->setStyleSheet(QStringLiteral("background: black"));
  auto* notice = new TWebView(log, &window);
  layout->addWidget(other, 0, 0);
  layout->addWidget(notice, 0, 0);
  notice->SetBackgroundBlack();
  notice->SetVisible(false);
  window.show();

  std::optional<bool> loaded;
  notice->Events.OnLoadEnd = [&](const QString&, bool ok) { loaded = ok; };
  notice->LoadUrl(url);
  if (!Spin([&] { return loaded.has_value(); }, kTimeoutMs) || !*loaded) return std::nullopt;
  Pause(500);  // loaded well before its time, as a preloaded notice is

  QElapsedTimer start;
  start.start();
  other->hide();
  notice->SetVisible(true);
  return UntilShown(notice, start);
}

// (b) The notice loaded cold in a bare QWebEngineView shown at once.
std::optional<qint64> ColdLoad(const QString& url) {
  QElapsedTimer start;
  start.start();
  QWebEngineView view;
  view.resize(kSize);
  view.show();
  view.load(QUrl(url));
  return UntilShown(&view, start);
}

qint64 Median(std::vector<qint64> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The stand-in platform with one notice, on free loopback ports.
class TPlatform {
 public:
  bool Start() {
    const QString scenario = FDir.filePath(QStringLiteral("scenario.json"));
    QFile file(scenario);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(nlohmann::json{{"notices", {{"bench", {{"title", "Notice"}, {"text", "Today's notice."}}}}}}.dump().c_str());
    file.close();
    FProcess.setStandardErrorFile(QProcess::nullDevice());
    FProcess.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vireo-platform")),
                   {"--port", "0", "--http-port", "0", "--scenario", scenario});
    const QDeadlineTimer deadline(10000);
    while (!FProcess.canReadLine() && FProcess.state() != QProcess::NotRunning && !deadline.hasExpired())
      FProcess.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    if (!FProcess.canReadLine()) return false;
    const auto ports = nlohmann::json::parse(FProcess.readLine().toStdString(), nullptr, false);
    if (!ports.is_object() || !ports.contains("httpPort")) return false;
    FHttpPort = ports["httpPort"].get<int>();
    return true;
  }
  ~TPlatform() {
    FProcess.terminate();
    if (!FProcess.waitForFinished(5000)) FProcess.kill();
  }
  // A fresh address each time, so that no run is served from the cache.
  QString NoticeUrl(int run) const {
    return QStringLiteral("http://127.0.0.1:%1/notice/bench?w=%2&h=%3&run=%4")
        .arg(FHttpPort)
        .arg(kSize.width())
        .arg(kSize.height())
        .arg(run);
  }

 private:
  QTemporaryDir FDir;
  QProcess FProcess;
  int FHttpPort = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir runtime;  // mode 0700, as Chromium wants its runtime folder
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
  PrepareWebEngineEnvironment();
  QApplication app(argc, argv);

  QCommandLineParser parser;
  parser.addHelpOption();
  parser.addOption({"runs", "Fresh runs of each variant (at least 5).", "N", "7"});
  parser.process(app);
  const int runs = std::max(5, parser.value("runs").toInt());

  TPlatform platform;
  if (!platform.Start()) {
    std::fprintf(stderr, "cannot start vireo-platform beside this program\n");
    return 1;
  }

  // Warm-up, not counted: the first page of a process also starts Qt WebEngine itself.
  ColdLoad(platform.NoticeUrl(0));

  std::vector<qint64> preloaded, cold;
  for (int run = 1; run <= runs; ++run) {
    const std::optional<qint64> a = PreloadedSwap(platform.NoticeUrl(2 * run - 1));
    Pause(200);
    const std::optional<qint64> b = ColdLoad(platform.NoticeUrl(2 * run));
    Pause(200);
    if (!a || !b) {
      std::fprintf(stderr, "run %d: the notice did not show within %d ms\n", run, kTimeoutMs);
      return 1;
    }
    preloaded.push_back(*a);
    cold.push_back(*b);
    std::printf("run %d: preloaded swap %lld ms, cold load %lld ms\n", run, static_cast<long long>(*a),
                static_cast<long long>(*b));
  }
  std::printf("median of %d runs (%s): preloaded swap %lld ms, cold load %lld ms\n", runs,
              qPrintable(QGuiApplication::platformName()), static_cast<long long>(Median(preloaded)),
              static_cast<long long>(Median(cold)));
  return 0;
}
