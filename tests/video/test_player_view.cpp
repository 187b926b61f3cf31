// The video view with the real libVLC, headless: libVLC renders into memory and the widget
// paints what it decoded.

#include "VideoHarness.h"
#include "frames/TVlcMediaList.h"
#include "frames/TVlcPlayerView.h"
#include "platform-server/PlatformHarness.h"
#include "support/FakeLog.h"
#include "support/QtPrinters.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using ::testing::IsEmpty;
using ::testing::SizeIs;

constexpr int kPlayMs = 10000;  // only a failing case waits this long

// Clips for the whole run of this process, made on first request.
const QString& Clip(double seconds, const QString& name = QStringLiteral("clip.mp4")) {
  static QTemporaryDir dir;
  static std::map<QString, QString> made;
  const QString file = QString::number(seconds) + QLatin1Char('-') + name;
  auto it = made.find(file);
  if (it == made.end()) it = made.emplace(file, MakeClip(dir.path(), file, seconds)).first;
  return it->second;
}

libvlc_state_t StateOf(TVlcPlayerView& view) { return libvlc_media_player_get_state(view.Player()); }

class VideoView : public ::testing::Test {
 protected:
  TFakeLog Log;
};

// The name has a space and a non-ASCII character: only as a path does it open.
TEST_F(VideoView, PlaysALocalFileRaisingItsEventsInOrderOnTheGuiThreadAndPaintsIt) {
  const QString clip = Clip(2, QStringLiteral("片 1.mp4"));
  ASSERT_FALSE(clip.isEmpty());
  TVlcPlayerView view(Log);
  view.resize(400, 240);  // wider than the picture
  view.show();
  TEventLog events(view);

  view.PlayMedia(clip);

  QImage shot;
  ASSERT_TRUE(WaitFor(
      [&] {
        if (events.LastTime() < 400) return false;
        shot = view.grab().toImage();
        return LitShare(shot, shot.rect()) > 0.5;
      },
      kPlayMs))
      << "last time " << events.LastTime();
  EXPECT_TRUE(view.IsPlaying());
  EXPECT_NEAR(view.GetVideoLenInMs(), 2000, 100);
  EXPECT_GT(view.GetVideoPosInMs(), 0);
  // The whole picture in its own shape, centred, black bars beside it.
  const QRect picture = LitBounds(shot);
  EXPECT_NEAR(picture.left(), 40, 3);
  EXPECT_NEAR(picture.right(), 359, 3);
  EXPECT_NEAR(picture.top(), 0, 3);
  EXPECT_NEAR(picture.bottom(), 239, 3);

  ASSERT_TRUE(WaitFor([&] { return events.Has(TEventLog::End); }, kPlayMs));
  QTest::qWait(300);  // room for anything that would come late

  EXPECT_FALSE(view.IsPlaying());
  ASSERT_THAT(events.Entries, SizeIs(testing::Ge(4u)));
  for (const auto& entry : events.Entries) EXPECT_TRUE(entry.OnGuiThread);
  EXPECT_EQ(events.Count(TEventLog::Error), 0);
  EXPECT_EQ(events.Count(TEventLog::End), 1);
  EXPECT_EQ(events.Entries.back().Kind, TEventLog::End);
  ASSERT_GE(events.IndexOf(TEventLog::Length), 0);
  EXPECT_NEAR(events.Entries[events.IndexOf(TEventLog::Length)].Ms, 2000, 100);
  std::int64_t previous = -1;
  for (const auto& entry : events.Entries) {
    if (entry.Kind != TEventLog::Time) continue;
    EXPECT_GE(entry.Ms, previous);
    previous = entry.Ms;
  }
  EXPECT_GE(previous, 1000);
  EXPECT_THAT(Log.Errors, IsEmpty());
}

TEST_F(VideoView, PlaysAClipOverHttpFromThePlatform) {
  const QString clip = Clip(2);
  ASSERT_FALSE(clip.isEmpty());
  QFile file(clip);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  TPlatformRun platform(json::object(), {{"clip.mp4", file.readAll()}});
  ASSERT_TRUE(platform.Started()) << platform.Stderr().toStdString();
  TVlcPlayerView view(Log);
  view.resize(320, 240);
  view.show();
  TEventLog events(view);

  view.PlayMedia(platform.HttpBase() + "/media/clip.mp4");

  ASSERT_TRUE(WaitFor([&] { return events.Has(TEventLog::End) || events.Has(TEventLog::Error); }, kPlayMs));
  EXPECT_EQ(events.Count(TEventLog::Error), 0);
  ASSERT_GE(events.IndexOf(TEventLog::Length), 0);
  EXPECT_LT(events.IndexOf(TEventLog::Length), events.IndexOf(TEventLog::End));
  EXPECT_NEAR(events.Entries[events.IndexOf(TEventLog::Length)].Ms, 2000, 100);
  EXPECT_GE(events.LastTime(), 1000);
}

struct TAddressCase {
  const char* Name;
  const char* Address;
};

void PrintTo(const TAddressCase& c, std::ostream* os) { *os << c.Address; }

class RefusedAddress : public VideoView, public ::testing::WithParamInterface<TAddressCase> {};

TEST_P(RefusedAddress, RaisesTheErrorEvent) {
  TVlcPlayerView view(Log);
  TEventLog events(view);

  view.PlayMedia(QString::fromUtf8(GetParam().Address));

  ASSERT_TRUE(WaitFor([&] { return events.Has(TEventLog::Error); }, kPlayMs));
  EXPECT_TRUE(events.Entries[events.IndexOf(TEventLog::Error)].OnGuiThread);
  EXPECT_FALSE(view.IsPlaying());
  view.Stop();  // a path given to libVLC as a location crashed here
}

INSTANTIATE_TEST_SUITE_P(Addresses, RefusedAddress,
                         ::testing::Values(TAddressCase{"Http", "http://127.0.0.1:1/none.mp4"},
                                           TAddressCase{"Rtsp", "rtsp://127.0.0.1:1/x"},
                                           TAddressCase{"MissingFile", "/nonexistent/x.mp4"}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(VideoView, PlayingAnotherAddressStopsTheFirst) {
  const QString longClip = Clip(6);
  const QString shortClip = Clip(1);
  ASSERT_FALSE(longClip.isEmpty());
  ASSERT_FALSE(shortClip.isEmpty());
  TVlcPlayerView view(Log);
  TEventLog events(view);
  view.PlayMedia(longClip);
  ASSERT_TRUE(WaitFor([&] { return events.LastTime() > 200; }, kPlayMs));

  view.PlayMedia(shortClip);
  events.Entries.clear();

  ASSERT_TRUE(WaitFor([&] { return events.Has(TEventLog::End); }, kPlayMs));
  ASSERT_GE(events.IndexOf(TEventLog::Length), 0);
  EXPECT_NEAR(events.Entries[events.IndexOf(TEventLog::Length)].Ms, 1000, 100);
  EXPECT_LT(events.LastTime(), 1200);
  EXPECT_EQ(events.Count(TEventLog::End), 1);
}

// Pause and Resume act only on the state they are meant for: pausing twice does not toggle back
// to playing, and resuming a stopped player does not start it.
TEST_F(VideoView, PauseAndResumeOnlyActInTheirState) {
  const QString clip = Clip(6);
  ASSERT_FALSE(clip.isEmpty());
  TVlcPlayerView view(Log);
  view.PlayMedia(clip);
  ASSERT_TRUE(WaitFor([&] { return view.IsPlaying() && view.GetVideoPosInMs() > 200; }, kPlayMs));

  view.Resume();
  QTest::qWait(300);
  EXPECT_TRUE(view.IsPlaying());

  view.Pause();
  ASSERT_TRUE(WaitFor([&] { return StateOf(view) == libvlc_Paused; }, kPlayMs));
  view.Pause();
  QTest::qWait(300);
  EXPECT_EQ(StateOf(view), libvlc_Paused);
  const std::int64_t pausedAt = view.GetVideoPosInMs();
  QTest::qWait(300);
  EXPECT_EQ(view.GetVideoPosInMs(), pausedAt);

  view.Resume();
  ASSERT_TRUE(WaitFor([&] { return view.IsPlaying(); }, kPlayMs));
  ASSERT_TRUE(WaitFor([&] { return view.GetVideoPosInMs() > pausedAt; }, kPlayMs));

  view.Stop();
  EXPECT_FALSE(view.IsPlaying());
  view.Pause();
  view.Resume();
  QTest::qWait(300);
  EXPECT_FALSE(view.IsPlaying());
  EXPECT_NE(StateOf(view), libvlc_Paused);
}

// The queued events of a view that is gone are dropped, and its frames stop with it.
TEST_F(VideoView, DestroyingAViewWhileEventsAreQueuedIsSafe) {
  const QString clip = Clip(6);
  ASSERT_FALSE(clip.isEmpty());
  int raised = 0;
  auto view = std::make_unique<TVlcPlayerView>(Log);
  view->resize(320, 240);
  view->show();
  view->Events.OnMediaPlayerLengthChanged = [&](std::int64_t) { ++raised; };
  view->Events.OnMediaPlayerTimeChanged = [&](std::int64_t) { ++raised; };
  view->Events.OnMediaPlayerEndReached = [&] { ++raised; };
  view->Events.OnMediaPlayerEncounteredError = [&] { ++raised; };
  view->PlayMedia(clip);
  QThread::msleep(1000);  // events and frames pile up unserved

  view.reset();
  QTest::qWait(300);

  EXPECT_EQ(raised, 0);
}

struct TVersionCase {
  const char* Name;
  const char* Version;
  std::optional<std::vector<std::string>> Arguments;  // none: libVLC is not even started
};

const std::vector<std::string> kCommon{"--ignore-config",   "--no-one-instance",  "--intf=dummy",
                                       "--quiet",           "--drop-late-frames", "--network-caching=2000",
                                       "--spu",             "--osd",              "--no-video-on-top",
                                       "--no-overlay",      "--no-snapshot-preview"};

std::vector<std::string> CommonAnd(std::vector<std::string> more) {
  std::vector<std::string> all = kCommon;
  all.insert(all.end(), more.begin(), more.end());
  return all;
}

void PrintTo(const TVersionCase& c, std::ostream* os) { *os << (c.Version ? c.Version : "(none)"); }

class VersionArguments : public VideoView, public ::testing::WithParamInterface<TVersionCase> {};

TEST_P(VersionArguments, StartLibVlcWithTheArgumentsOfItsVersion) {
  const TVersionCase& c = GetParam();
  std::optional<std::vector<std::string>> passed;
  TVlcPlayerView view(Log, {[&] { return c.Version; },
                            [&](int argc, const char* const* argv) -> libvlc_instance_t* {
                              passed.emplace(argv, argv + argc);
                              return nullptr;
                            }});

  view.PlayMedia(QStringLiteral("rtsp://127.0.0.1:1/x"));

  EXPECT_EQ(passed, c.Arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionArguments,
    ::testing::Values(
        TVersionCase{"V3_0_24", "3.0.24 Vetinari", CommonAnd({"--sub-source=marq", "--sub-filter=logo:marq"})},
        TVersionCase{"V2_1_0", "2.1.0", CommonAnd({"--sub-source=marq", "--sub-filter=logo:marq"})},
        TVersionCase{"V2_0_8", "2.0.8 Twoflower", CommonAnd({"--no-video-title-show", "--sub-source=marq", "--sub-filter=logo:marq"})},
        TVersionCase{"V1_1_13", "1.1.13-git The Luggage", CommonAnd({"--no-video-title-show", "--sub-filter=logo:marq"})},
        TVersionCase{"V1_0_0", "1.0.0", CommonAnd({"--no-video-title-show"})},
        TVersionCase{"V1", "1", CommonAnd({"--no-video-title-show"})},
        TVersionCase{"V0_9_10", "0.9.10 Grishenko", std::nullopt},
        TVersionCase{"Unparsable", "unknown", std::nullopt},
        TVersionCase{"None", nullptr, std::nullopt}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TUnusableCase {
  const char* Name;
  const char* Version;
};

void PrintTo(const TUnusableCase& c, std::ostream* os) { *os << c.Version; }

class UnusableLibVlc : public VideoView, public ::testing::WithParamInterface<TUnusableCase> {};

TEST_P(UnusableLibVlc, LeavesTheViewAndItsListInertAndIsLoggedOnce) {
  const QString clip = Clip(1);
  const char* version = GetParam().Version;
  TVlcPlayerView view(Log, {[version] { return version; }, [](int, const char* const*) -> libvlc_instance_t* { return nullptr; }});
  TEventLog events(view);
  TVlcMediaList list(view, Log);

  view.PlayMedia(clip);
  view.PlayMedia(QStringLiteral("http://127.0.0.1:1/none.mp4"));
  view.Pause();
  view.Resume();
  view.SetAudioMute(true);
  view.Stop();
  list.Add(clip);
  list.SetPlaybackMode(IPlayList::TPlaybackMode::Loop);
  list.PlayItem(0);
  QTest::qWait(300);

  EXPECT_EQ(view.Player(), nullptr);
  EXPECT_EQ(view.Instance(), nullptr);
  EXPECT_FALSE(view.IsPlaying());
  EXPECT_EQ(view.GetVideoLenInMs(), 0);
  EXPECT_EQ(view.GetVideoPosInMs(), 0);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THAT(events.Entries, IsEmpty());
  EXPECT_THAT(Log.Errors, SizeIs(1));
  EXPECT_TRUE(Log.Errors.value(0).contains(QStringLiteral("libVLC"))) << Log.Errors.value(0).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Runtimes, UnusableLibVlc,
                         ::testing::Values(TUnusableCase{"TooOld", "0.8.6i Janus"},
                                           TUnusableCase{"FailsToStart", "3.0.24 Vetinari"}),
                         [](const auto& info) { return std::string(info.param.Name); });

struct TOptionsCase {
  const char* Name;
  const char* Address;
  bool Http;
};

void PrintTo(const TOptionsCase& c, std::ostream* os) { *os << c.Address; }

class MediaOptions : public ::testing::TestWithParam<TOptionsCase> {};

TEST_P(MediaOptions, HttpGetsItsOwnCachingEverythingElseNetworkCachingOverTcp) {
  const QStringList network{":network-caching=2000", ":rtsp-tcp", ":deinterlace=0", ":deinterlace-mode=discard"};
  const QStringList http{":http-caching=500", ":deinterlace=0", ":deinterlace-mode=discard"};
  EXPECT_EQ(TVlcPlayerView::MediaOptions(QString::fromUtf8(GetParam().Address)), GetParam().Http ? http : network);
}

INSTANTIATE_TEST_SUITE_P(Schemes, MediaOptions,
                         ::testing::Values(TOptionsCase{"Http", "http://127.0.0.1/live.mp4", true},
                                           TOptionsCase{"HttpUpperCase", "HTTP://127.0.0.1/live.mp4", true},
                                           TOptionsCase{"HttpSpaced", " Http ://127.0.0.1/live.mp4", true},
                                           TOptionsCase{"Https", "https://127.0.0.1/live.mp4", false},
                                           TOptionsCase{"Rtmp", "rtmp://127.0.0.1/live/http://x", false},
                                           TOptionsCase{"Rtsp", "rtsp://127.0.0.1/x", false},
                                           TOptionsCase{"Udp", "udp://@:1234", false},
                                           TOptionsCase{"LocalPath", "/media/http.mp4", false}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
