// The live frame's routing, delayed start and re-connection watchdog, with fake views; the
// timers are driven by calling their handlers.

#include "FakeViews.h"
#include "frames/FrameDirectPlayers.h"
#include "support/FakeLog.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TServerMsg LiveTask(const QString& url) {
  TServerMsg msg;
  msg.Kind = mkTask;
  msg.ContentType = ctDirectPlay;
  msg.Url = url;
  return msg;
}

class DirectPlayerTest : public ::testing::Test {
 protected:
  DirectPlayerTest() {
    Params.PlayUrl = QStringLiteral("http://p/play");
    Frame.InitLayout();
  }
  ~DirectPlayerTest() override { Status.Closing = false; }

  // A stream that is playing after its delayed start.
  void Started(const QString& url) {
    Frame.ToDo(LiveTask(url));
    Frame.tmrPlayNowTimer();
  }

  TIniParams Params;
  TAppStatus Status;
  TFakeLog Log;
  TFakeDebugLog Debug;
  TFakeVideoView Player;
  TFakeVisual ErrorPanel{false};
  TFakeWebView Web;
  TFrameDirectPlayer Frame{{Player, ErrorPanel, Web}, {Params, Status, Log, Debug}};
};

struct RouteCase {
  const char* playUrl;
  const char* address;
  const char* webPage;     // loaded into the web view, or nullptr
  const char* pendingUrl;  // handed to the video view 0.5 s later, or nullptr
};

class DirectPlayerRouteTest : public DirectPlayerTest, public ::testing::WithParamInterface<RouteCase> {};

TEST_P(DirectPlayerRouteTest, AddressChoosesTheView) {
  const RouteCase& c = GetParam();
  Params.PlayUrl = c.playUrl;
  Frame.ToDo(LiveTask(c.address));

  EXPECT_EQ(Web.IsVisible(), c.webPage != nullptr);
  EXPECT_EQ(Player.IsVisible(), c.webPage == nullptr);
  EXPECT_FALSE(ErrorPanel.IsVisible());
  if (c.webPage) {
    EXPECT_EQ(Web.Loaded, QStringList{c.webPage});
    EXPECT_EQ(Frame.CurrentUrl(), c.webPage);
    EXPECT_TRUE(Web.Black);
    EXPECT_FALSE(Frame.tmrPlayNow().isActive());
  } else {
    EXPECT_TRUE(Web.Loaded.isEmpty());
  }
  EXPECT_EQ(Frame.tmrPlayNow().isActive(), c.pendingUrl != nullptr);
  if (c.pendingUrl) {
    EXPECT_EQ(Frame.tmrPlayNow().interval(), 500);
    Frame.tmrPlayNowTimer();
    EXPECT_EQ(Player.Calls.last(), QStringLiteral("PlayMedia ") + c.pendingUrl);
    EXPECT_FALSE(Frame.tmrPlayNow().isActive());
  }
  EXPECT_EQ(Player.Muted, false);
  EXPECT_TRUE(Frame.LiveActive);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, DirectPlayerRouteTest,
    ::testing::Values(
        RouteCase{"http://p/play", "RTMP://a/b", "http://p/play?rtmp=RTMP://a/b", nullptr},
        RouteCase{"http://p/play", "rtmpt://a/b", "http://p/play?rtmp=rtmpt://a/b", nullptr},
        // Neither trimmed nor encoded, and a second "?" after a page query.
        RouteCase{"http://p/play.html?a=1", "rtmp://s/live/x y ", "http://p/play.html?a=1?rtmp=rtmp://s/live/x y ",
                  nullptr},
        // The rtmp test reads the untrimmed address; the video view gets it trimmed.
        RouteCase{"http://p/play", " rtmp://a/b", nullptr, "rtmp://a/b"},
        RouteCase{"http://p/play", "rtsp://cam/live ", nullptr, "rtsp://cam/live"},
        RouteCase{"http://p/play", "http://h/live.m3u8", nullptr, "http://h/live.m3u8"},
        RouteCase{"http://p/play", "   ", nullptr, nullptr},
        RouteCase{"http://p/play", "", nullptr, nullptr}));

TEST_F(DirectPlayerTest, LogsEachStepOfAVideoStart) {
  Frame.ToDo(LiveTask("http://h/a.m3u8"));
  Frame.tmrPlayNowTimer();
  EXPECT_EQ(Log.Hints, (QStringList{"TFrameDirectPlayer.ToDo http://h/a.m3u8", "TFrameDirectPlayer.Play  http://h/a.m3u8",
                                    "TFrameDirectPlayer.tmrPlayNowTimer  http://h/a.m3u8"}));
  EXPECT_EQ(Debug.Lines, (QStringList{"收到直播任务：http://h/a.m3u8", "直播停止了， 重新播放：http://h/a.m3u8",
                                      "正在播放直播：http://h/a.m3u8"}));
}

TEST_F(DirectPlayerTest, WebPageStartLogsAndPausesTheVideo) {
  Started("http://h/a.m3u8");
  Player.Calls.clear();
  Frame.ToDo(LiveTask("rtmp://s/x"));
  EXPECT_EQ(Log.Hints.last(), "网页播放rtmp  http://p/play?rtmp=rtmp://s/x");
  // Whatever played stays paused, not stopped; and no "live stopped" line for a web address.
  EXPECT_EQ(Player.Calls, QStringList{"Pause"});
  EXPECT_FALSE(Debug.Lines.contains("直播停止了， 重新播放：rtmp://s/x"));
}

TEST_F(DirectPlayerTest, SameAddressAgainRestartsIt) {
  Started("rtsp://cam/1");
  Player.Calls.clear();
  Frame.ToDo(LiveTask("rtsp://cam/1"));
  EXPECT_EQ(Player.Calls, QStringList{"Pause"});
  EXPECT_TRUE(Frame.tmrPlayNow().isActive());
  // Playing: no "live stopped" line this time.
  EXPECT_EQ(Debug.Lines.count("直播停止了， 重新播放：rtsp://cam/1"), 1);
  Frame.tmrPlayNowTimer();
  EXPECT_EQ(Player.Calls.last(), "PlayMedia rtsp://cam/1");
}

TEST_F(DirectPlayerTest, SameWebAddressAgainLoadsThePageAgain) {
  Frame.ToDo(LiveTask("rtmp://s/x"));
  Frame.ToDo(LiveTask("rtmp://s/x"));
  EXPECT_EQ(Web.Loaded.size(), 2);
}

TEST_F(DirectPlayerTest, WatchdogReplaysAfterFailureAndThenIdles) {
  for (const bool endOfStream : {false, true}) {
    SCOPED_TRACE(endOfStream ? "end of stream" : "error");
    Started("rtsp://cam/1");
    endOfStream ? Player.Events.OnMediaPlayerEndReached() : Player.Events.OnMediaPlayerEncounteredError();
    EXPECT_TRUE(Frame.PlayFailed());
    EXPECT_TRUE(ErrorPanel.IsVisible());
    EXPECT_FALSE(Player.IsVisible());
    ASSERT_TRUE(Frame.tmrRePlay().isActive());
    EXPECT_EQ(Frame.tmrRePlay().interval(), 30000);

    Frame.tmrRePlayTimer();
    EXPECT_FALSE(ErrorPanel.IsVisible());
    EXPECT_TRUE(Player.IsVisible());
    EXPECT_EQ(Debug.Lines.last(), "正在播放直播：rtsp://cam/1");
    EXPECT_TRUE(Debug.Lines.contains("正在重连直播：rtsp://cam/1"));
    EXPECT_FALSE(Frame.PlayFailed());
    EXPECT_TRUE(Frame.tmrPlayNow().isActive());
    EXPECT_TRUE(Frame.tmrRePlay().isActive());
    Frame.tmrPlayNowTimer();
    EXPECT_EQ(Player.Calls.last(), "PlayMedia rtsp://cam/1");

    // No new failure: the watchdog ticks without acting.
    const qsizetype calls = Player.Calls.size();
    Frame.tmrRePlayTimer();
    EXPECT_EQ(Player.Calls.size(), calls);
    EXPECT_FALSE(Frame.tmrPlayNow().isActive());
    EXPECT_TRUE(Frame.tmrRePlay().isActive());
  }
  EXPECT_TRUE(Debug.Lines.contains("无法连接到直播：rtsp://cam/1"));
  EXPECT_TRUE(Log.Hints.contains("ShowPlayerMediaPlayerEndReached"));
}

TEST_F(DirectPlayerTest, AFrozenStreamCountsAsEndedAfterTwentySeconds) {
  Started("http://cam/live.m3u8");
  ASSERT_TRUE(Frame.tmrStall().isActive());
  EXPECT_EQ(Frame.tmrStall().interval() * TFrameDirectPlayer::kStallTicks, 20000);
  // Moving time never counts; the first check only takes the time.
  for (int tick = 0; tick < 10; ++tick) {
    Player.PosMs += 5000;
    Frame.tmrStallTimer();
  }
  EXPECT_FALSE(Frame.PlayFailed());
  for (int tick = 0; tick < TFrameDirectPlayer::kStallTicks; ++tick) {
    EXPECT_FALSE(Frame.PlayFailed()) << tick;
    Frame.tmrStallTimer();
  }
  EXPECT_TRUE(Frame.PlayFailed());
  EXPECT_TRUE(ErrorPanel.IsVisible());
  EXPECT_TRUE(Frame.tmrRePlay().isActive());
  EXPECT_TRUE(Log.Hints.contains("直播画面停滞 20 秒，按中断处理：http://cam/live.m3u8"));
}

TEST_F(DirectPlayerTest, AStreamThatIsNotPlayingIsNeverCalledFrozen) {
  struct Case {
    const char* name;
    std::function<void()> setUp;
  };
  const Case cases[] = {
      {"paused or not started", [&] { Player.Playing = false; }},
      {"stopped", [&] { Frame.StopLive(); }},
      {"web page", [&] { Frame.ToDo(LiveTask("rtmp://s/live")); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Started("http://cam/live.m3u8");
    c.setUp();
    for (int tick = 0; tick < 2 * TFrameDirectPlayer::kStallTicks; ++tick) Frame.tmrStallTimer();
    EXPECT_FALSE(ErrorPanel.IsVisible());
  }
}

TEST_F(DirectPlayerTest, WatchdogLeavesAWebAddressAlone) {
  Frame.ToDo(LiveTask("rtmp://s/x"));
  Player.Events.OnMediaPlayerEncounteredError();  // a late event of the paused stream
  Frame.tmrRePlayTimer();
  EXPECT_FALSE(Frame.tmrRePlay().isActive());
  EXPECT_FALSE(Frame.tmrPlayNow().isActive());
  EXPECT_EQ(Web.Loaded.size(), 1);
}

TEST_F(DirectPlayerTest, WatchdogWaitsWhileTheTaskIsNotCurrentOrTheProgramCloses) {
  Started("rtsp://cam/1");
  Frame.LiveActive = false;
  Player.Events.OnMediaPlayerEncounteredError();
  EXPECT_TRUE(ErrorPanel.IsVisible());
  Frame.tmrRePlayTimer();
  EXPECT_TRUE(ErrorPanel.IsVisible());
  EXPECT_TRUE(Frame.tmrRePlay().isActive());

  Frame.LiveActive = true;
  Status.Closing = true;
  Frame.tmrRePlayTimer();
  EXPECT_TRUE(ErrorPanel.IsVisible());
  EXPECT_FALSE(Frame.tmrPlayNow().isActive());
}

TEST_F(DirectPlayerTest, StopLiveStopsTheWatchdogAndAPendingStart) {
  Frame.ToDo(LiveTask("rtsp://cam/1"));
  ASSERT_TRUE(Frame.tmrPlayNow().isActive());
  Frame.StopLive();
  EXPECT_TRUE(Frame.Stopped());
  EXPECT_FALSE(Frame.tmrPlayNow().isActive());
  EXPECT_EQ(Player.Muted, true);
  EXPECT_EQ(Player.Calls.last(), "Pause");
  EXPECT_EQ(Web.Loaded.last(), "about:blank");
  EXPECT_TRUE(Frame.LiveActive);  // the main window clears it

  // A late error still shows the picture but starts no watchdog.
  Player.Events.OnMediaPlayerEncounteredError();
  EXPECT_TRUE(ErrorPanel.IsVisible());
  EXPECT_FALSE(Frame.tmrRePlay().isActive());

  // The next task starts afresh, from the error picture too.
  Frame.ToDo(LiveTask("rtsp://cam/2"));
  EXPECT_FALSE(Frame.Stopped());
  EXPECT_FALSE(ErrorPanel.IsVisible());
  EXPECT_TRUE(Frame.tmrPlayNow().isActive());
}

TEST_F(DirectPlayerTest, ClosingIgnoresTasksAndPendingStarts) {
  Frame.ToDo(LiveTask("rtsp://cam/1"));
  Status.Closing = true;
  Frame.tmrPlayNowTimer();
  EXPECT_FALSE(Player.Calls.contains("PlayMedia rtsp://cam/1"));
  EXPECT_TRUE(Frame.tmrPlayNow().isActive());

  Frame.ToDo(LiveTask("rtmp://s/x"));
  EXPECT_TRUE(Web.Loaded.isEmpty());
}

TEST_F(DirectPlayerTest, PageGetsTheBlackBackgroundScriptInEveryFrame) {
  EXPECT_EQ(Web.FrameLoadScript, "document.body.style.background = \"black\"; ");
  EXPECT_EQ(Player.Muted, true);  // InitLayout
}

}  // namespace
