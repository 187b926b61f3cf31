#pragma once
// The tip band: a dark, half-transparent strip over the top of the main window with one line of
// text, gone after a few seconds or at a click on its " X ". It never takes the focus, so a tip
// does not interrupt what the main window is doing.

#include "platform/uLogSink.h"

#include <QTimer>
#include <QWidget>

class QLabel;

class TTipForm final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kAutoHideMs = 4000;
  static constexpr int kBandHeight = 70;
  static constexpr double kOpacity = 200.0 / 255.0;

  // The band is a tool window of the main window, which owns it.
  TTipForm(QWidget* mainWindow, ILogSink& log);

  // Shows the text and restarts the hide timer; a band already shown keeps its place.
  void ShowTip(const QString& text);
  void tmrAutoHideTimer();

  // Whether the window system blends this window with what lies under it (on X11 that takes a
  // compositing manager).
  static bool CanBeTranslucent();

  QLabel* lbTip() const { return FLbTip; }
  QLabel* lbClose() const { return FLbClose; }
  QLabel* lbTitle() const { return FLbTitle; }
  QTimer* tmrAutoHide() { return &FTmrAutoHide; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CentreTip();

  QWidget* FMainWindow;
  ILogSink& FLog;
  QLabel* FLbTip = nullptr;
  QLabel* FLbClose = nullptr;
  QLabel* FLbTitle = nullptr;
  QTimer FTmrAutoHide;
};
