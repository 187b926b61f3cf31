#include "TWebView.h"

#include <QCoreApplication>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <unistd.h>

#include <algorithm>
#include <functional>

void PrepareWebEngineEnvironment() {
  if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

// ---------------------------------------------------------------------------------------------

TRenderRestartPolicy::TRenderRestartPolicy(ms first, ms max, ms stableAfter)
    : FFirst(first), FMax(max), FStableAfter(stableAfter), FNext(first) {}

void TRenderRestartPolicy::PageLoaded(ms now) {
  // The first good load after a death is where the page's life is counted from.
  if (!FLoadedAt) FLoadedAt = now;
}

TRenderRestartPolicy::ms TRenderRestartPolicy::RenderDied(ms now) {
  if (FLoadedAt && now - *FLoadedAt >= FStableAfter) FNext = FFirst;
  FLoadedAt.reset();
  const ms delay = FNext;
  FNext = std::min(FNext * 2, FMax);
  return delay;
}

// ---------------------------------------------------------------------------------------------

namespace {

const QString kFrameLoadScriptName = QStringLiteral("vireo-frame-load");

const char* TerminationText(int status) {
  switch (status) {
    case QWebEnginePage::AbnormalTerminationStatus:
      return "ended abnormally";
    case QWebEnginePage::CrashedTerminationStatus:
      return "crashed";
    case QWebEnginePage::KilledTerminationStatus:
      return "was killed";
    default:
      return "ended";
  }
}

// A JavaScript text for the log: on one line and not endless.
QString Quoted(const QString& text) {
  QString line = text.simplified();
  if (line.size() > 200) line = line.left(200) + QStringLiteral("…");
  return '"' + line + '"';
}

}  // namespace

// Nobody stands at the terminal, so no page dialog may wait for a click: alerts go to the
// handler, questions are answered at once.
class TWebPage final : public QWebEnginePage {
 public:
  TWebPage(ILogSink& log, QObject* parent) : QWebEnginePage(QWebEngineProfile::defaultProfile(), parent), FLog(log) {}

  std::function<void(const QString&)> OnAlert;

 protected:
  void javaScriptAlert(const QUrl&, const QString& msg) override {
    if (OnAlert) OnAlert(msg);
  }

  bool javaScriptConfirm(const QUrl& origin, const QString& msg) override {
    // Leaving a page that asks before unload comes here too; refusing would keep every later
    // page out of this view.
    if (msg == UnloadQuestion()) {
      FLog.LogHint(QStringLiteral("Web page %1 asked before being left; left it").arg(origin.toString()));
      return true;
    }
    FLog.LogHint(QStringLiteral("Web page %1 asked confirm(%2) with nobody to answer; answered cancel")
                     .arg(origin.toString(), Quoted(msg)));
    return false;
  }

  bool javaScriptPrompt(const QUrl& origin, const QString& msg, const QString&, QString*) override {
    FLog.LogHint(QStringLiteral("Web page %1 asked prompt(%2) with nobody to answer; answered cancel")
                     .arg(origin.toString(), Quoted(msg)));
    return false;
  }

 private:
  // The text Qt WebEngine hands to javaScriptConfirm for a page's beforeunload question.
  static QString UnloadQuestion() {
    return QCoreApplication::translate(
        "QWebEnginePage", "Are you sure you want to leave this page? Changes that you made may not be saved.");
  }

  ILogSink& FLog;
};

// ---------------------------------------------------------------------------------------------

TWebView::TWebView(ILogSink& log, QWidget* parent)
    : QWidget(parent), FLog(log), FView(new QWebEngineView(this)), FPage(new TWebPage(log, FView)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FView);

  // Pages of the platform start their media themselves, with sound, and no one will click.
  FPage->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
  FView->setPage(FPage);

  FClock.start();
  FRestartTimer.setSingleShot(true);
  connect(&FRestartTimer, &QTimer::timeout, this, [this] { Restart(); });

  // Raised from the event loop: the handler may hide, reload or delete this view, which it
  // must not do inside Chromium's dialog call.
  FPage->OnAlert = [this](const QString& text) {
    QTimer::singleShot(0, this, [this, text] {
      if (Events.OnJsAlert) Events.OnJsAlert(text);
    });
  };
  connect(FPage, &QWebEnginePage::loadFinished, this, [this](bool ok) {
    if (ok) FPolicy.PageLoaded(std::chrono::milliseconds(FClock.elapsed()));
    if (Events.OnLoadEnd) Events.OnLoadEnd(FPage->url().toString(), ok);
  });
  connect(FPage, &QWebEnginePage::renderProcessTerminated, this,
          [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
            RenderProcessTerminated(status, exitCode);
          });
}

TWebView::~TWebView() {
  // The page goes first, while everything its signals reach still exists.
  FRestartTimer.stop();
  FPage->disconnect(this);
  FPage->OnAlert = nullptr;
  delete FView;
}

void TWebView::LoadUrl(const QString& url) {
  FRestartTimer.stop();  // what is asked now replaces a pending recovery
  FLastUrl = url;
  FPage->load(QUrl::fromUserInput(url));
}

void TWebView::RunScript(const QString& script) { FPage->runJavaScript(script, QWebEngineScript::MainWorld); }

void TWebView::SetFrameLoadScript(const QString& script) {
  QWebEngineScriptCollection& scripts = FPage->scripts();
  for (const QWebEngineScript& old : scripts.find(kFrameLoadScriptName)) scripts.remove(old);
  if (script.isEmpty()) return;
  QWebEngineScript frameLoad;
  frameLoad.setName(kFrameLoadScriptName);
  frameLoad.setSourceCode(script);
  // Deferred runs when each frame's load has finished (or half a second after its document is
  // ready, when a resource keeps it loading), which is when the frame's content can be used.
  frameLoad.setInjectionPoint(QWebEngineScript::Deferred);
  frameLoad.setRunsOnSubFrames(true);
  frameLoad.setWorldId(QWebEngineScript::MainWorld);
  scripts.insert(frameLoad);
}

void TWebView::SetBackgroundBlack() { FPage->setBackgroundColor(Qt::black); }

bool TWebView::BrowserCreated() const { return FPage != nullptr; }

void TWebView::SetVisible(bool visible) { setVisible(visible); }

bool TWebView::IsVisible() const { return !isHidden(); }

QWebEnginePage* TWebView::Page() const { return FPage; }

QWebEngineView* TWebView::View() const { return FView; }

bool TWebView::RestartPending() const { return FRestartTimer.isActive(); }

void TWebView::RenderProcessTerminated(int status, int exitCode) {
  if (status == QWebEnginePage::NormalTerminationStatus) return;
  const QString what =
      QStringLiteral("Web page render process %1 (status %2, exit code %3) showing %4")
          .arg(QLatin1String(TerminationText(status)))
          .arg(status)
          .arg(exitCode)
          .arg(FLastUrl.isEmpty() ? QStringLiteral("no address") : FLastUrl);
  if (FLastUrl.isEmpty()) {
    FLog.LogHint(what + QStringLiteral("; nothing to load again"));
    return;
  }
  if (FRestartTimer.isActive()) {
    FLog.LogHint(what + QStringLiteral("; loading it again is already planned"));
    return;
  }
  const auto delay = FPolicy.RenderDied(std::chrono::milliseconds(FClock.elapsed()));
  FLog.LogHint(what + QStringLiteral("; loading it again in %1 s").arg(static_cast<double>(delay.count()) / 1000.0));
  FRestartTimer.start(delay);
}

void TWebView::Restart() {
  FLog.LogHint(QStringLiteral("Loading %1 again after its render process ended").arg(FLastUrl));
  FPage->load(QUrl::fromUserInput(FLastUrl));
}
