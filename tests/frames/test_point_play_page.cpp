// The on-demand list page frame: the alert bridge and the list page load.

#include "FakeViews.h"
#include "frames/FramePointPlayPages.h"
#include "support/FakeLog.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

struct ExtractCase {
  const char* text;
  const char* address;
};

class ExtractPlayUrlTest : public ::testing::TestWithParam<ExtractCase> {};

TEST_P(ExtractPlayUrlTest, TakesTheFirstNonEmptyAddress) {
  EXPECT_EQ(TFramePointPlayPage::ExtractPlayUrl(QString::fromUtf8(GetParam().text)), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(
    Alerts, ExtractPlayUrlTest,
    ::testing::Values(ExtractCase{R"({"data":{"RTMP":"a","RTMP_H":"b","RTMP_SH":"c"}})", "a"},
                      ExtractCase{R"({"data":{"RTMP":"","RTMP_H":"b","RTMP_SH":"c"}})", "b"},
                      ExtractCase{R"({"data":{"RTMP_SH":"c"}})", "c"},
                      ExtractCase{R"({"data":{"RTMP":" rtmp://x/视频 "}})", " rtmp://x/视频 "},
                      ExtractCase{R"({"data":{"RTMP":5}})", "5"},  // other types read as text
                      ExtractCase{R"({"RTMP":"a"})", ""},
                      ExtractCase{R"({"data":{"RTMP":"","RTMP_H":""}})", ""},
                      ExtractCase{R"({"data":"a"})", ""},
                      ExtractCase{"hello", ""},
                      ExtractCase{"", ""}));

class PointPlayPageTest : public ::testing::Test {
 protected:
  PointPlayPageTest() {
    Page.OnPlayRequest = [this](const TServerMsg& msg) { Requests.push_back(msg); };
    Page.OnPlayRequestFailed = [this](const QString& text) { Failures << text; };
  }

  TIniParams Params;
  TWebSDK WebSDK{Params};
  TFakeLog Log;
  TFakeWebView Web;
  TFramePointPlayPage Page{Web, WebSDK, Log};
  std::vector<TServerMsg> Requests;
  QStringList Failures;
};

TEST_F(PointPlayPageTest, AlertWithAnAddressRequestsAPlay) {
  Params.VideoUrl = "x";  // nothing of the settings goes into the request
  Web.Events.OnJsAlert(R"({"data":{"RTMP_H":"http://h/b.mp4"}})");
  ASSERT_EQ(Requests.size(), 1u);
  const TServerMsg& msg = Requests[0];
  EXPECT_EQ(msg.Kind, mkTask);
  EXPECT_EQ(msg.ContentType, ctPointPlay);
  EXPECT_EQ(msg.Url, "http://h/b.mp4");
  EXPECT_EQ(msg.ScheduleId, 0);
  EXPECT_FALSE(msg.Valid);
  EXPECT_TRUE(Failures.isEmpty());
  EXPECT_EQ(Log.Hints, QStringList{R"(点击点播列表回传参数 -》{"data":{"RTMP_H":"http://h/b.mp4"}})"});
}

TEST_F(PointPlayPageTest, AlertWithoutAnAddressFailsWithTheWholeText) {
  for (const QString& text : {QStringLiteral("hello"), QStringLiteral(R"({"RTMP":"a"})")}) {
    Web.Events.OnJsAlert(text);
    EXPECT_EQ(Failures.last(), text);
    EXPECT_EQ(Log.Hints.last(), "点击点播列表回传参数 -》" + text);
  }
  EXPECT_TRUE(Requests.empty());
}

TEST_F(PointPlayPageTest, WithoutAPlayHandlerAlertsAreOnlyLogged) {
  Page.OnPlayRequest = nullptr;
  Web.Events.OnJsAlert("hello");
  Web.Events.OnJsAlert(R"({"data":{"RTMP":"a"}})");
  EXPECT_TRUE(Failures.isEmpty());
  EXPECT_EQ(Log.Hints.size(), 2);
}

TEST_F(PointPlayPageTest, LoadListPageLoadsTheAddressOnceTheBrowserExists) {
  Params.VideoUrl = "http://h/list";
  Web.Created = false;
  Page.LoadListPage();
  EXPECT_TRUE(Web.Loaded.isEmpty());
  Web.Created = true;
  Page.LoadListPage();
  Page.LoadListPage();  // reloaded every time
  EXPECT_EQ(Web.Loaded, (QStringList{"http://h/list", "http://h/list"}));
}

}  // namespace
