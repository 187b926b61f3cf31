// The video view on a real X server: libVLC draws into the view's native window, which only a
// grab of the screen sees.

#include "VideoHarness.h"
#include "frames/TVlcPlayerView.h"
#include "support/FakeLog.h"
#include "support/QtPrinters.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>

namespace {

using ::testing::IsEmpty;

TEST(VideoViewOnX11, LibVlcDrawsThePictureIntoTheViewsWindow) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  QTemporaryDir dir;
  const QString clip = MakeClip(dir.path(), QStringLiteral("clip.mp4"), 3);
  ASSERT_FALSE(clip.isEmpty());
  TFakeLog log;
  TVlcPlayerView view(log);
  view.move(100, 80);
  view.resize(320, 240);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  TEventLog events(view);

  view.PlayMedia(clip);

  const QRect onScreen(view.mapToGlobal(QPoint(0, 0)), view.size());
  QImage screen;
  const bool drawn = WaitFor(
      [&] {
        if (events.LastTime() < 500) return false;
        screen = view.screen()->grabWindow(0).toImage();
        return LitShare(screen, onScreen) > 0.5;
      },
      10000);
  if (const QString folder = qEnvironmentVariable("VIREO_SCREENSHOT_DIR"); !folder.isEmpty())
    screen.save(QDir(folder).filePath(QStringLiteral("video-xcb.png")));
  ASSERT_TRUE(drawn) << "lit share " << LitShare(screen, onScreen) << ", last time " << events.LastTime();
  // Outside the view the screen stays black.
  EXPECT_LT(LitShare(screen, onScreen.translated(onScreen.width() + 10, 0)), 0.01);
  // Qt's own painting of the view has none of it: the picture is libVLC's, in its window.
  const QImage painted = view.grab().toImage();
  EXPECT_LT(LitShare(painted, painted.rect()), 0.01);
  EXPECT_THAT(log.Errors, IsEmpty());
}

}  // namespace
