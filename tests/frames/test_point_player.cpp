// The on-demand player frame with fake views.

#include "FakeViews.h"
#include "frames/FramePointPlayers.h"
#include "support/FakeLog.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

class FakeBar final : public IPlayerBar {
 public:
  void SetNowTime(const QString& text) override { NowTime = text; }
  void SetDuration(const QString& text) override { Duration = text; }
  void SetProgressMax(std::int32_t max) override { Max = max; }
  void SetProgressValue(std::int32_t value) override { Value = value; }
  QString NowTime, Duration;
  std::int32_t Max = -1, Value = -1;
};

TServerMsg PointTask(const QString& url) {
  TServerMsg msg;
  msg.ContentType = ctPointPlay;
  msg.Url = url;
  return msg;
}

class PointPlayerTest : public ::testing::Test {
 protected:
  TIniParams Params;
  TAppStatus Status;
  TFakeLog Log;
  TFakeDebugLog Debug;
  TFakeVideoView Player;
  TFakePlayList List;
  TFakeVisual ErrorPanel{false};
  FakeBar Bar;
  TFramePointPlayer Frame{{Player, List, ErrorPanel, Bar}, {Params, Status, Log, Debug}};
};

TEST_F(PointPlayerTest, PlaysOneItemInTheModeOfTheSetting) {
  for (const bool loop : {true, false}) {
    Params.LoopPointPlay = loop;
    Frame.PlayTask(PointTask("http://h/a.mp4"));
    Frame.PlayTask(PointTask("rtmp://h/b"));
    EXPECT_EQ(List.Items, QStringList{"rtmp://h/b"});
    EXPECT_EQ(List.Mode, loop ? IPlayList::TPlaybackMode::Loop : IPlayList::TPlaybackMode::Default);
    EXPECT_EQ(List.Played.last(), "rtmp://h/b");
  }
}

TEST_F(PointPlayerTest, ErrorShowsThePictureUntilTheNextTask) {
  Frame.PlayTask(PointTask("http://h/a.mp4"));
  Player.Events.OnMediaPlayerEncounteredError();
  EXPECT_TRUE(ErrorPanel.IsVisible());
  EXPECT_FALSE(Player.IsVisible());
  Frame.PlayTask(PointTask("http://h/b.mp4"));
  EXPECT_FALSE(ErrorPanel.IsVisible());
  EXPECT_TRUE(Player.IsVisible());
  EXPECT_TRUE(Log.Hints.isEmpty());  // this frame logs nothing
}

TEST_F(PointPlayerTest, ClosingIgnoresTasks) {
  Status.Closing = true;
  Frame.PlayTask(PointTask("http://h/a.mp4"));
  EXPECT_TRUE(List.Played.isEmpty());
}

TEST_F(PointPlayerTest, BarFollowsLengthAndTime) {
  Player.Events.OnMediaPlayerLengthChanged(3723000);
  EXPECT_EQ(Bar.Duration, "01:02:03");
  EXPECT_EQ(Bar.NowTime, "00:00:00");
  EXPECT_EQ(Bar.Max, 3723000);
  EXPECT_EQ(Bar.Value, 0);
  Player.Events.OnMediaPlayerTimeChanged(61500);
  EXPECT_EQ(Bar.NowTime, "00:01:01");
  EXPECT_EQ(Bar.Value, 61500);
  // Past the 32-bit range the bar stays at its end instead of turning negative.
  Player.Events.OnMediaPlayerLengthChanged(3'000'000'000LL);
  EXPECT_EQ(Bar.Max, 2147483647);
}

TEST_F(PointPlayerTest, PauseAndStopReachTheView) {
  Frame.PausePlay();
  Frame.StopPlay();
  EXPECT_EQ(Player.Calls, (QStringList{"Pause", "Stop"}));
  // The end of the media is the main window's to handle.
  EXPECT_FALSE(Player.Events.OnMediaPlayerEndReached);
}

}  // namespace
