// The play list with the real libVLC, playing through a headless video view.

#include "VideoHarness.h"
#include "frames/TVlcMediaList.h"
#include "frames/TVlcPlayerView.h"
#include "support/FakeLog.h"
#include "support/QtPrinters.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>

namespace {

using ::testing::IsEmpty;
using ::testing::SizeIs;
using TMode = IPlayList::TPlaybackMode;

constexpr int kPlayMs = 10000;  // only a failing case waits this long

// A one-second clip for the whole run of this process.
const QString& ShortClip() {
  static QTemporaryDir dir;
  static const QString clip = MakeClip(dir.path(), QStringLiteral("item.mp4"), 1);
  return clip;
}

class MediaList : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(ShortClip().isEmpty()); }
  TFakeLog Log;
};

TEST_F(MediaList, CountsWhatWasAddedUntilCleared) {
  TVlcPlayerView view(Log);
  TVlcMediaList list(view, Log);
  EXPECT_EQ(list.Count(), 0);
  list.Add(ShortClip());
  list.Add(QStringLiteral("http://127.0.0.1:1/none.mp4"));
  EXPECT_EQ(list.Count(), 2);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  list.Add(ShortClip());
  EXPECT_EQ(list.Count(), 1);

  list.PlayItem(3);  // no such item: nothing plays
  QTest::qWait(300);
  EXPECT_FALSE(view.IsPlaying());
  EXPECT_THAT(Log.Hints, SizeIs(1));
  EXPECT_THAT(Log.Errors, IsEmpty());
}

struct TModeCase {
  const char* Name;
  TMode Mode;
};

void PrintTo(const TModeCase& c, std::ostream* os) { *os << c.Name; }

class MediaListMode : public MediaList, public ::testing::WithParamInterface<TModeCase> {};

// One item: in loop mode it starts over after its end, by default it plays once. The view's
// events tell, since the list plays through the view's player.
TEST_P(MediaListMode, LoopPlaysTheItemAgainDefaultPlaysItOnce) {
  const bool loop = GetParam().Mode == TMode::Loop;
  TVlcPlayerView view(Log);
  TEventLog events(view);
  TVlcMediaList list(view, Log);
  list.Add(ShortClip());
  list.SetPlaybackMode(GetParam().Mode);

  list.PlayItem(0);

  if (loop) {
    ASSERT_TRUE(WaitFor([&] { return events.Count(TEventLog::End) >= 2; }, kPlayMs));
    // Between the two ends the time went back to the start.
    const int firstEnd = events.IndexOf(TEventLog::End);
    std::int64_t earliestAfter = INT64_MAX;
    for (std::size_t i = firstEnd + 1; i < events.Entries.size(); ++i)
      if (events.Entries[i].Kind == TEventLog::Time) earliestAfter = std::min(earliestAfter, events.Entries[i].Ms);
    EXPECT_LT(earliestAfter, 500);
  } else {
    ASSERT_TRUE(WaitFor([&] { return events.Has(TEventLog::End); }, kPlayMs));
    QTest::qWait(1500);  // a second round would have begun by now
    EXPECT_EQ(events.Count(TEventLog::End), 1);
    EXPECT_EQ(events.Entries.back().Kind, TEventLog::End);
    EXPECT_FALSE(view.IsPlaying());
  }
  EXPECT_EQ(events.Count(TEventLog::Error), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, MediaListMode,
                         ::testing::Values(TModeCase{"Loop", TMode::Loop}, TModeCase{"Default", TMode::Default}),
                         [](const auto& info) { return std::string(info.param.Name); });

// The view may go first: its list stops using the player and does nothing from then on.
TEST_F(MediaList, OutlivingItsViewIsSafe) {
  auto view = std::make_unique<TVlcPlayerView>(Log);
  TVlcMediaList list(*view, Log);
  list.Add(ShortClip());
  list.SetPlaybackMode(TMode::Loop);
  list.PlayItem(0);
  ASSERT_TRUE(WaitFor([&] { return view->IsPlaying(); }, kPlayMs));

  view.reset();
  QTest::qWait(300);
  list.Add(ShortClip());
  list.PlayItem(0);

  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
