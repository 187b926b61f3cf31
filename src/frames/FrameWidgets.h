#pragma once
// The four content frames as the main window places them: each builds its real views (libVLC,
// Qt WebEngine) and panels, lays them over the whole frame and hands them to the frame's logic.

#include "frames/FrameDirectPlayers.h"
#include "frames/FrameNotifyPages.h"
#include "frames/FramePointPlayPages.h"
#include "frames/FramePointPlayers.h"
#include "frames/TVlcMediaList.h"
#include "frames/TVlcPlayerView.h"
#include "frames/TWebView.h"
#include "frames/uFrameContext.h"
#include "frames/uMediaViews.h"

#include <QPixmap>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QProgressBar;

// A plain panel that the frames show and hide.
class TPanel : public QWidget, public IVisual {
 public:
  explicit TPanel(QWidget* parent = nullptr);
  void SetVisible(bool visible) override { setVisible(visible); }
  bool IsVisible() const override { return !isHidden(); }
};

// The error display: a white panel with a still picture that fits it.
class TErrorPanel final : public TPanel {
 public:
  TErrorPanel(const QString& picture, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap FPicture;
};

// The on-demand player's bottom bar: elapsed time, progress and length.
class TPlayerBar final : public TPanel, public IPlayerBar {
 public:
  static constexpr int kHeight = 41;
  explicit TPlayerBar(QWidget* parent = nullptr);
  void SetNowTime(const QString& text) override;
  void SetDuration(const QString& text) override;
  void SetProgressMax(std::int32_t max) override;
  void SetProgressValue(std::int32_t value) override;

 private:
  QLabel* FNowTime;
  QProgressBar* FProgress;
  QLabel* FDuration;
};

// Base of the frame widgets: black, and every registered child fills the frame.
class TFrameWidget : public QWidget {
 public:
  explicit TFrameWidget(QWidget* parent);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  template <typename W>
  W* Filling(W* child) {
    FFilling.push_back(child);
    return child;
  }
  virtual void LayoutChildren();

 private:
  std::vector<QWidget*> FFilling;
};

class TFrameDirectPlayerWidget final : public TFrameWidget {
 public:
  TFrameDirectPlayerWidget(TFrameContext context, QWidget* parent = nullptr);
  TFrameDirectPlayer& Frame() { return *FFrame; }
  TVlcPlayerView& ShowPlayer() { return *FShowPlayer; }
  TWebView& Chromium1() { return *FChromium1; }
  TErrorPanel& pnlErrorVideo() { return *FErrorPanel; }

 private:
  TVlcPlayerView* FShowPlayer;
  TErrorPanel* FErrorPanel;
  TWebView* FChromium1;
  std::unique_ptr<TFrameDirectPlayer> FFrame;
};

class TFramePointPlayerWidget final : public TFrameWidget {
 public:
  TFramePointPlayerWidget(TFrameContext context, QWidget* parent = nullptr);
  TFramePointPlayer& Frame() { return *FFrame; }
  TVlcPlayerView& ShowPlayer() { return *FShowPlayer; }
  TVlcMediaList& PlayList() { return *FPlayList; }
  TErrorPanel& pnlErrorVideo() { return *FErrorPanel; }

 protected:
  void LayoutChildren() override;

 private:
  TVlcPlayerView* FShowPlayer;
  TErrorPanel* FErrorPanel;
  TPlayerBar* FPanel5;
  std::unique_ptr<TVlcMediaList> FPlayList;
  std::unique_ptr<TFramePointPlayer> FFrame;
};

class TFramePointPlayPageWidget final : public TFrameWidget {
 public:
  TFramePointPlayPageWidget(const TWebSDK& webSdk, ILogSink& log, QWidget* parent = nullptr);
  TFramePointPlayPage& Frame() { return *FFrame; }
  TWebView& wbPointPlay() { return *FWbPointPlay; }

 private:
  TWebView* FWbPointPlay;
  std::unique_ptr<TFramePointPlayPage> FFrame;
};

class TFrameNotifyPageWidget final : public TFrameWidget {
 public:
  TFrameNotifyPageWidget(TFrameContext context, QWidget* parent = nullptr);
  TFrameNotifyPage& Frame() { return *FFrame; }
  // The view shown now and the one that preloads (they swap roles).
  TWebView& wbNotify();
  TWebView& wbNotifyPre();

 protected:
  void LayoutChildren() override;

 private:
  TPanel* FPanels[2];
  TWebView* FViews[2];
  QProgressBar* FDownLoad;
  QLabel* FDownLoadLabel;
  std::unique_ptr<TFrameNotifyPage> FFrame;
};
