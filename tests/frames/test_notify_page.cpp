// The notice frame's preload and swap, with fake views.

#include "FakeViews.h"
#include "frames/FrameNotifyPages.h"
#include "support/FakeLog.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TServerMsg Notice(const QString& url) {
  TServerMsg msg;
  msg.ContentType = ctNotify;
  msg.Url = url;
  return msg;
}

struct SizeCase {
  const char* url;
  const char* loaded;
};

class SizedUrlTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizedUrlTest, AppendsTheDisplaySize) {
  EXPECT_EQ(TFrameNotifyPage::SizedUrl(GetParam().url, 1920, 980), GetParam().loaded);
}

INSTANTIATE_TEST_SUITE_P(Addresses, SizedUrlTest,
                         ::testing::Values(SizeCase{"http://h/n/1", "http://h/n/1?w=1920&h=980"},
                                           SizeCase{"http://h/n?id=1", "http://h/n?id=1&w=1920&h=980"},
                                           SizeCase{"http://h/n?", "http://h/n?&w=1920&h=980"},
                                           SizeCase{"", "?w=1920&h=980"}));

class NotifyPageTest : public ::testing::Test {
 protected:
  NotifyPageTest() {
    Frame.InitLayout();
    Frame.SetPageSize(1920, 980);
    Frame.OnPageAlert = [this](const QString& text) { Alerts << text; };
  }

  TIniParams Params;
  TAppStatus Status;
  TFakeLog Log;
  TFakeDebugLog Debug;
  TFakeWebView ViewA, ViewB;
  TFakeVisual PanelA{true}, PanelB{true};
  TFrameNotifyPage Frame{{ViewA, PanelA, ViewB, PanelB}, {Params, Status, Log, Debug}};
  QStringList Alerts;
};

TEST_F(NotifyPageTest, PreloadedNoticeSwapsInWithoutANewLoad) {
  EXPECT_FALSE(PanelB.IsVisible());  // InitLayout hides the preload panel
  Frame.PreloadNotice(Notice("http://h/n/1"));
  EXPECT_EQ(ViewB.Loaded, QStringList{"http://h/n/1"});  // unchanged: no size
  EXPECT_TRUE(Frame.PreloadPending());

  Frame.ShowNotice(Notice("http://h/n/1"));
  EXPECT_TRUE(PanelB.IsVisible());
  EXPECT_FALSE(PanelA.IsVisible());
  EXPECT_EQ(&Frame.wbNotify(), &ViewB);
  EXPECT_EQ(&Frame.pnlPre(), &PanelA);
  EXPECT_TRUE(ViewA.Loaded.isEmpty());
  EXPECT_EQ(ViewB.Loaded.size(), 1);
  EXPECT_FALSE(Frame.PreloadPending());
  EXPECT_EQ(Log.Hints, (QStringList{"******预加载公告 -》http://h/n/1", "******开始公告任务 -》http://h/n/1"}));

  // Shown again: loaded with its size into the view now shown.
  Frame.ShowNotice(Notice("http://h/n/1"));
  EXPECT_EQ(ViewB.Loaded.last(), "http://h/n/1?w=1920&h=980");
  EXPECT_TRUE(PanelB.IsVisible());
}

TEST_F(NotifyPageTest, NoticeNotPreloadedLoadsInPlace) {
  struct Case {
    const char* name;
    std::function<void()> before;
    const char* shown;
  };
  const std::vector<Case> cases = {
      {"no preload", [] {}, "http://h/n/1"},
      {"other address", [this] { Frame.PreloadNotice(Notice("http://h/n/2")); }, "http://h/n/1"},
      {"letter case differs", [this] { Frame.PreloadNotice(Notice("http://h/N/1")); }, "http://h/n/1"},
      {"cancelled", [this] {
         Frame.PreloadNotice(Notice("http://h/n/1"));
         Frame.CancelPreload();
       }, "http://h/n/1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IWebView* shown = &Frame.wbNotify();
    c.before();
    Frame.ShowNotice(Notice(c.shown));
    EXPECT_EQ(&Frame.wbNotify(), shown);
    EXPECT_EQ(static_cast<TFakeWebView*>(shown)->Loaded.last(), QString(c.shown) + "?w=1920&h=980");
    EXPECT_FALSE(Frame.PreloadPending());
  }
}

TEST_F(NotifyPageTest, AlertsOfBothViewsReachTheHandler) {
  Frame.PreloadNotice(Notice("http://h/n/1"));
  ViewB.Events.OnJsAlert("from the hidden page");
  ViewA.Events.OnJsAlert("from the shown page");
  EXPECT_EQ(Alerts, (QStringList{"from the hidden page", "from the shown page"}));
  Frame.OnPageAlert = nullptr;
  ViewA.Events.OnJsAlert("nobody listens");  // swallowed
}

TEST_F(NotifyPageTest, ClosingIgnoresShowButNotPreload) {
  Status.Closing = true;
  Frame.ShowNotice(Notice("http://h/n/1"));
  EXPECT_TRUE(ViewA.Loaded.isEmpty());
  Frame.PreloadNotice(Notice("http://h/n/2"));
  EXPECT_EQ(ViewB.Loaded, QStringList{"http://h/n/2"});
}

}  // namespace
