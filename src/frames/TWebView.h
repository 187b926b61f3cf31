#pragma once
// The web view of the frames: Qt WebEngine in a widget, made fit for a terminal that nobody
// attends: no dialog ever waits for a click, and a page whose render process dies comes back.

#include "platform/uLogSink.h"
#include "frames/uMediaViews.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <optional>

class QWebEnginePage;
class QWebEngineView;
class TWebPage;

// Call first in main(), before the QApplication exists: Chromium refuses to start its sandbox
// as root, and Qt WebEngine must share OpenGL contexts with the widgets.
void PrepareWebEngineEnvironment();

// When to load a page again after its render process died. Deaths in a row wait longer each
// time (first, doubled, up to max); a page that stayed alive long enough after loading counts
// as recovered, and the next death waits the first delay again. Times are the caller's
// monotonic milliseconds, so the decisions are tested without waiting.
class TRenderRestartPolicy {
 public:
  using ms = std::chrono::milliseconds;

  explicit TRenderRestartPolicy(ms first = std::chrono::seconds(2), ms max = std::chrono::seconds(60),
                                ms stableAfter = std::chrono::seconds(60));

  // A page finished loading successfully at `now`.
  void PageLoaded(ms now);
  // The render process died at `now`: how long to wait before loading again.
  ms RenderDied(ms now);

 private:
  ms FFirst;
  ms FMax;
  ms FStableAfter;
  ms FNext;
  std::optional<ms> FLoadedAt;  // since the last death
};

class TWebView : public QWidget, public IWebView {
 public:
  explicit TWebView(ILogSink& log, QWidget* parent = nullptr);
  ~TWebView() override;

  void LoadUrl(const QString& url) override;
  void RunScript(const QString& script) override;
  void SetFrameLoadScript(const QString& script) override;
  void SetBackgroundBlack() override;
  bool BrowserCreated() const override;

  void SetVisible(bool visible) override;
  bool IsVisible() const override;

  QWebEnginePage* Page() const;
  QWebEngineView* View() const;

  // Whether a reload after a render process death is waiting for its back-off.
  bool RestartPending() const;

 private:
  void RenderProcessTerminated(int status, int exitCode);
  void Restart();

  ILogSink& FLog;
  QWebEngineView* FView;
  TWebPage* FPage;
  QString FLastUrl;
  TRenderRestartPolicy FPolicy;
  QElapsedTimer FClock;
  QTimer FRestartTimer;  // a member: it cannot fire after the view is gone
};
