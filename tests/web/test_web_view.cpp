// The web view with the real Qt WebEngine, loading pages from the stand-in platform and from a
// small server of the test's own.

#include "frames/TWebView.h"
#include "platform-server/PlatformHarness.h"
#include "support/FakeLog.h"
#include "support/QtPrinters.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QImage>
#include <QMap>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::Pair;

// A log entry or other Qt text that contains the part.
MATCHER_P(Mentions, part, "mentions " + ::testing::PrintToString(QString(part))) { return arg.contains(QString(part)); }

constexpr int kLoadMs = 15000;  // only a failing test waits this long

const json kScenario = {
    {"notices",
     {{"hello", {{"title", "Hello"}, {"text", "A notice"}, {"alert", "notice says hi"}}},
      {"plain", {{"title", "Plain"}, {"text", "Nothing to say"}}}}},
    {"videos", {{{"title", "Clip"}, {"RTMP", "{media}/clip.mp4"}, {"RTMP_H", "{media}/clip-h.mp4"}, {"RTMP_SH", ""}}}},
};

// Runs the event loop until done() or the deadline. Not QTest::qWaitFor: it sleeps between
// rounds of events, which slows Chromium's many small tasks on this thread down tenfold.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = kLoadMs) {
  if (done()) return true;
  QEventLoop loop;
  QTimer poll;
  poll.callOnTimeout([&] {
    if (done()) loop.quit();
  });
  poll.start(5);
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  loop.exec();
  return done();
}

// A script's result in the page's main world, or an invalid QVariant when none comes.
QVariant Eval(QWebEnginePage* page, const QString& script) {
  auto result = std::make_shared<std::optional<QVariant>>();
  page->runJavaScript(script, QWebEngineScript::MainWorld, [result](const QVariant& value) { *result = value; });
  WaitFor([&] { return result->has_value(); }, 5000);
  return result->value_or(QVariant());
}

// Pages of the test's own, by name, on 127.0.0.1.
class TPageServer {
 public:
  TPageServer() {
    FServer.route("/<arg>", [this](const QString& name) {
      return FPages.contains(name) ? QHttpServerResponse("text/html; charset=utf-8", FPages[name])
                                   : QHttpServerResponse(QHttpServerResponder::StatusCode::NotFound);
    });
    Port = FServer.listen(QHostAddress::LocalHost, 0);
  }
  void Add(const QString& name, const QString& html) { FPages[name] = html.toUtf8(); }
  QString Url(const QString& name, const QString& host = QStringLiteral("127.0.0.1")) const {
    return QStringLiteral("http://%1:%2/%3").arg(host).arg(Port).arg(name);
  }

  quint16 Port = 0;

 private:
  QHttpServer FServer;
  QMap<QString, QByteArray> FPages;
};

// Watches, from inside any event loop (a modal dialog's too), for a dialog or another window;
// one that appears is noted and closed so that the test goes on.
class TDialogWatch {
 public:
  explicit TDialogWatch(const QWidget* own) : FOwn(own) {
    FTimer.callOnTimeout([this] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == FOwn || !w->isVisible()) continue;
        Seen << QStringLiteral("%1 \"%2\"").arg(QLatin1String(w->metaObject()->className()), w->windowTitle());
        if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->reject();
        w->close();
      }
    });
    FTimer.start(10);
  }
  QStringList Seen;

 private:
  const QWidget* FOwn;
  QTimer FTimer;
};

// A shown view that keeps what it raised.
struct TRecordedView {
  TRecordedView() {
    View->Events.OnLoadEnd = [this](const QString& url, bool ok) { Loads.emplace_back(url, ok); };
    View->Events.OnJsAlert = [this](const QString& text) { Alerts << text; };
    View->resize(320, 240);
    View->SetVisible(true);
  }

  // Loads and waits for the load's end; false when none came.
  bool Load(const QString& url) {
    const size_t before = Loads.size();
    View->LoadUrl(url);
    return WaitFor([&] { return Loads.size() > before; });
  }

  TFakeLog Log;
  std::unique_ptr<TWebView> View = std::make_unique<TWebView>(Log);
  std::vector<std::pair<QString, bool>> Loads;
  QStringList Alerts;
};

class WebView : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Platform.Started()) << Platform.Stderr().toStdString();
    ASSERT_NE(Pages.Port, 0);
  }

  QString Notice(const QString& name) const { return Platform.HttpBase() + "/notice/" + name + "?w=320&h=240"; }

  TPlatformRun Platform{kScenario};
  TPageServer Pages;
};

TEST_F(WebView, LoadEndReportsTheAddressAndWhetherItLoaded) {
  QTcpServer closed;  // a port that was free a moment ago refuses connections
  ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
  const QString refused = QStringLiteral("http://127.0.0.1:%1/nothing").arg(closed.serverPort());
  closed.close();

  TRecordedView v;
  EXPECT_TRUE(v.View->BrowserCreated());
  const std::vector<std::pair<QString, bool>> cases = {
      {Notice("plain"), true},
      {QStringLiteral("about:blank"), true},
      {refused, false},
      {Platform.HttpBase() + "/list", true},
  };
  for (const auto& [url, ok] : cases) {
    SCOPED_TRACE(url.toStdString());
    ASSERT_TRUE(v.Load(url));
    EXPECT_THAT(v.Loads.back(), Pair(url, ok));
  }
  EXPECT_THAT(v.Log.Hints, IsEmpty());
}

TEST_F(WebView, NoticeAlertGoesToTheHandlerWithoutADialog) {
  TRecordedView v;
  TDialogWatch watch(v.View.get());
  ASSERT_TRUE(v.Load(Notice("hello")));
  // The alert came from the page's load handler: had it waited for a click, the load would
  // not have finished.
  EXPECT_TRUE(v.Loads.back().second);
  EXPECT_TRUE(WaitFor([&] { return !v.Alerts.isEmpty(); }));
  EXPECT_THAT(v.Alerts, ElementsAre(QStringLiteral("notice says hi")));
  EXPECT_THAT(watch.Seen, IsEmpty());
}

TEST_F(WebView, ClickOnAListItemRaisesItsAlert) {
  TRecordedView v;
  TDialogWatch watch(v.View.get());
  ASSERT_TRUE(v.Load(Platform.HttpBase() + "/list"));
  v.View->RunScript(QStringLiteral("document.querySelector('#videos a').click()"));
  ASSERT_TRUE(WaitFor([&] { return !v.Alerts.isEmpty(); }));
  ASSERT_EQ(v.Alerts.size(), 1);
  const json alert = json::parse(v.Alerts[0].toStdString(), nullptr, false);
  const std::string media = Platform.HttpBase().toStdString() + "/media/";
  EXPECT_EQ(alert, json({{"data", {{"RTMP", media + "clip.mp4"}, {"RTMP_H", media + "clip-h.mp4"}, {"RTMP_SH", ""}}}}));
  EXPECT_THAT(watch.Seen, IsEmpty());
}

TEST_F(WebView, ScriptRunsInThePagesOwnWorld) {
  // A variable of the page's own script is seen only from the page's world.
  Pages.Add("page", "<!DOCTYPE html><title>before</title><script>var pageValue = 'seen from the page';</script>");
  TRecordedView v;
  ASSERT_TRUE(v.Load(Pages.Url("page")));
  v.View->RunScript(QStringLiteral("document.title = pageValue; document.body.dataset.mark = 'set';"));
  EXPECT_TRUE(WaitFor([&] { return v.View->Page()->title() == QStringLiteral("seen from the page"); }))
      << v.View->Page()->title().toStdString();
  EXPECT_EQ(Eval(v.View->Page(), QStringLiteral("document.body.dataset.mark")).toString(), QStringLiteral("set"));
}

TEST_F(WebView, FrameLoadScriptRunsInEveryFrameOnceLoaded) {
  // One sub-frame of the same origin, one of another site (its own render process when sites
  // are isolated).
  Pages.Add("outer", QStringLiteral("<!DOCTYPE html><h1>outer</h1><iframe src=\"/inner?same\"></iframe>"
                                    "<iframe src=\"%1?cross\"></iframe>")
                         .arg(Pages.Url("inner", QStringLiteral("localhost"))));
  Pages.Add("inner", "<!DOCTYPE html><p>inner</p>");
  Pages.Add("next", "<!DOCTYPE html><p>next</p>");

  TRecordedView v;
  TDialogWatch watch(v.View.get());
  v.View->SetFrameLoadScript(QStringLiteral("alert('old script')"));
  v.View->SetFrameLoadScript(QStringLiteral(
      "alert((window === top ? 'top ' : 'sub ') + location.pathname + location.search +"
      "      (document.readyState === 'loading' ? ' loading' : ' parsed'))"));
  ASSERT_TRUE(v.Load(Pages.Url("outer")));
  const QStringList expected = {"top /outer parsed", "sub /inner?same parsed", "sub /inner?cross parsed"};
  EXPECT_TRUE(WaitFor([&] { return v.Alerts.size() >= expected.size(); }, 5000)) << v.Alerts.join(" | ").toStdString();
  EXPECT_THAT(v.Alerts, ::testing::UnorderedElementsAreArray(expected));

  // Every later page too.
  v.Alerts.clear();
  ASSERT_TRUE(v.Load(Pages.Url("next")));
  EXPECT_TRUE(WaitFor([&] { return !v.Alerts.isEmpty(); }, 5000));
  EXPECT_THAT(v.Alerts, ElementsAre(QStringLiteral("top /next parsed")));
  EXPECT_THAT(watch.Seen, IsEmpty());
}

TEST_F(WebView, ConfirmAndPromptAreAnsweredAsCancelled) {
  Pages.Add("ask", "<!DOCTYPE html><script>window.addEventListener('load', function () {"
                   "  var c = confirm('Delete everything?'); var p = prompt('Your name?', 'nobody');"
                   "  alert('answers ' + c + ' ' + p); });</script>");
  TRecordedView v;
  TDialogWatch watch(v.View.get());
  ASSERT_TRUE(v.Load(Pages.Url("ask")));
  ASSERT_TRUE(WaitFor([&] { return !v.Alerts.isEmpty(); }, 5000));
  EXPECT_THAT(v.Alerts, ElementsAre(QStringLiteral("answers false null")));
  EXPECT_THAT(v.Log.Hints, Contains(Mentions("confirm(\"Delete everything?\")")));
  EXPECT_THAT(v.Log.Hints, Contains(Mentions("prompt(\"Your name?\")")));
  EXPECT_THAT(watch.Seen, IsEmpty());
}

TEST_F(WebView, APageThatAsksBeforeUnloadIsLeft) {
  Pages.Add("stay", "<!DOCTYPE html><body style=\"margin:0;height:100vh\"><script>"
                    "window.addEventListener('beforeunload', function (e) { e.preventDefault(); e.returnValue = 'stay'; });"
                    "</script></body>");
  Pages.Add("next", "<!DOCTYPE html><p>next</p>");
  TRecordedView v;
  ASSERT_TRUE(v.Load(Pages.Url("stay")));
  // Chromium asks only on pages somebody has touched; the first clicks may come before the
  // page takes input.
  bool touched = false;
  for (int i = 0; i < 50 && !touched; ++i) {
    QWidget* input = v.View->View()->focusProxy();
    if (input) QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(50, 50));
    WaitFor([] { return false; }, 100);
    touched = Eval(v.View->Page(), "navigator.userActivation.hasBeenActive").toBool();
  }
  ASSERT_TRUE(touched);

  ASSERT_TRUE(v.Load(Pages.Url("next")));
  EXPECT_THAT(v.Loads.back(), Pair(Pages.Url("next"), true));
  EXPECT_THAT(v.Log.Hints, Contains(Mentions("asked before being left")));
}

TEST_F(WebView, BackgroundIsBlackWherePagesPaintNothing) {
  TRecordedView v;
  v.View->SetBackgroundBlack();
  ASSERT_TRUE(v.Load(QStringLiteral("about:blank")));
  const auto centre = [&] {
    const QImage image = v.View->grab().toImage();
    return image.isNull() ? QColor() : image.pixelColor(image.rect().center());
  };
  EXPECT_TRUE(WaitFor([&] { return centre() == QColor(Qt::black); }, 5000)) << centre().name().toStdString();
}

// The render process of the shown page, killed as the kernel's OOM killer would.
bool KillRenderer(QWebEnginePage* page) {
  const qint64 pid = page->renderProcessPid();
  return pid > 0 && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

TEST_F(WebView, KilledRenderProcessIsReplacedAfterTheBackOff) {
  TRecordedView v;
  const QString url = Notice("plain");
  ASSERT_TRUE(v.Load(url));
  const qint64 firstPid = v.View->Page()->renderProcessPid();

  QElapsedTimer sinceKill;
  sinceKill.start();
  ASSERT_TRUE(KillRenderer(v.View->Page()));
  ASSERT_TRUE(WaitFor([&] { return v.View->RestartPending(); }, 5000));
  ASSERT_EQ(v.Log.Hints.size(), 1);
  EXPECT_THAT(v.Log.Hints[0], Mentions("was killed"));
  EXPECT_THAT(v.Log.Hints[0], Mentions("exit code 9"));
  EXPECT_THAT(v.Log.Hints[0], Mentions(url));
  EXPECT_THAT(v.Log.Hints[0], Mentions("in 2 s"));

  const size_t loadsBefore = v.Loads.size();
  ASSERT_TRUE(WaitFor([&] { return v.Loads.size() > loadsBefore && v.Loads.back().second; }));
  EXPECT_GE(sinceKill.elapsed(), 1900);
  EXPECT_THAT(v.Loads.back(), Pair(url, true));
  EXPECT_NE(v.View->Page()->renderProcessPid(), firstPid);
  EXPECT_EQ(Eval(v.View->Page(), "document.title").toString(), QStringLiteral("Plain"));
}

TEST_F(WebView, PendingRecoveryEndsWithTheView) {
  TRecordedView v;
  ASSERT_TRUE(v.Load(Notice("plain")));
  ASSERT_TRUE(KillRenderer(v.View->Page()));
  ASSERT_TRUE(WaitFor([&] { return v.View->RestartPending(); }, 5000));
  v.View.reset();
  WaitFor([] { return false; }, 2500);  // past the back-off: nothing may fire into the destroyed view
  EXPECT_THAT(v.Log.Hints, Not(Contains(Mentions("again after"))));
}

}  // namespace
