// The video view on a real X server, in one window with a web view, checked on the screen.

#include "VideoHarness.h"
#include "frames/TVlcPlayerView.h"
#include "frames/TWebView.h"
#include "support/FakeLog.h"
#include "support/QtPrinters.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QStackedWidget>
#include <QTemporaryDir>

namespace {

using ::testing::IsEmpty;

// The terminal's window is a stack of frames, and a frame holds a video view and a web view on
// top of each other. When the video drew into a native child window on X11, the web pages of
// that window stayed stale or black after the first switch. Each switch must show, on the
// screen, what it switched to.
TEST(VideoViewOnX11, VideoAndWebPagesShareTheWindowAndEachShowsWhenSwitchedTo) {
  ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
  QTemporaryDir dir;
  const QString clip = MakeClip(dir.path(), QStringLiteral("clip.mp4"), 3);
  ASSERT_FALSE(clip.isEmpty());
  TFakeLog log;
  QStackedWidget window;
  auto* frame = new QWidget(&window);  // a video view and a web view over each other
  auto* video = new TVlcPlayerView(log, frame);
  auto* framePage = new TWebView(log, frame);
  auto* otherPage = new TWebView(log, &window);  // another frame: a page only
  window.addWidget(frame);
  window.addWidget(otherPage);
  window.setGeometry(100, 80, 320, 240);
  for (QWidget* view : {static_cast<QWidget*>(video), static_cast<QWidget*>(framePage)})
    view->setGeometry(0, 0, 320, 240);
  framePage->hide();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  framePage->LoadUrl(QStringLiteral("data:text/html,<body style='background:%23fff8e0'></body>"));
  otherPage->LoadUrl(QStringLiteral("data:text/html,<body style='background:%23204060'></body>"));

  const QRect onScreen(window.mapToGlobal(QPoint(0, 0)), window.size());
  QImage screen;
  int step = 0;
  const auto shows = [&](const std::function<bool(QRgb centre)>& expected) {
    const bool shown = WaitFor(
        [&] {
          screen = window.screen()->grabWindow(0).toImage().copy(onScreen);
          return expected(screen.pixel(screen.width() / 2, screen.height() / 2));
        },
        30000);  // a first page under the sanitizers takes long to start its GPU context
    // What the screen showed instead, for whoever looks into a failure.
    if (const QString folder = qEnvironmentVariable("VIREO_SCREENSHOT_DIR"); !shown && !folder.isEmpty())
      screen.save(QDir(folder).filePath(QStringLiteral("video-xcb-step%1.png").arg(step)));
    ++step;
    return shown;
  };
  const auto cream = [](QRgb c) { return qRed(c) > 240 && qGreen(c) > 240 && qBlue(c) > 210 && qBlue(c) < 240; };
  const auto blue = [](QRgb c) { return qRed(c) < 0x30 && qGreen(c) > 0x30 && qGreen(c) < 0x50 && qBlue(c) > 0x50 && qBlue(c) < 0x70; };
  const auto picture = [&](QRgb) { return LitShare(screen, screen.rect()) > 0.5 && !cream(screen.pixel(5, 5)); };

  TEventLog events(*video);
  video->PlayMedia(clip);
  const bool videoShown = shows(picture);
  if (const QString folder = qEnvironmentVariable("VIREO_SCREENSHOT_DIR"); !folder.isEmpty())
    screen.save(QDir(folder).filePath(QStringLiteral("video-xcb.png")));
  ASSERT_TRUE(videoShown) << "lit share " << LitShare(screen, screen.rect()) << ", last time " << events.LastTime();

  video->hide();
  framePage->show();
  EXPECT_TRUE(shows(cream)) << "the frame's page does not show in place of its video";
  window.setCurrentWidget(otherPage);
  EXPECT_TRUE(shows(blue)) << "the other frame's page does not show";
  window.setCurrentWidget(frame);
  EXPECT_TRUE(shows(cream)) << "the frame's page does not show again";
  framePage->hide();
  video->show();
  EXPECT_TRUE(shows(picture)) << "the video does not show again";
  // Outside the window the screen stays black.
  const QImage whole = window.screen()->grabWindow(0).toImage();
  EXPECT_LT(LitShare(whole, onScreen.translated(onScreen.width() + 10, 0)), 0.01);
  EXPECT_THAT(log.Errors, IsEmpty());
}

}  // namespace
