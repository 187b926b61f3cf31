#pragma once
// The live-broadcast frame: RTMP addresses go to the platform's web player page, any other
// address is played by the video view after a short delay and watched by a re-connection
// timer that replays the stream after an error or an end of stream.

#include "frames/uFrameContext.h"
#include "frames/uMediaViews.h"
#include "protocol/uMyRecords.h"

#include <QObject>
#include <QTimer>

#include <chrono>

struct TDirectPlayerParts {
  IVideoView& ShowPlayer;
  IVisual& pnlErrorVideo;
  IWebView& Chromium1;
};

class TFrameDirectPlayer final : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kPlayNowDelay{500};
  static constexpr std::chrono::milliseconds kRePlayInterval{30000};
  // A stream whose play time has not moved for kStallTicks checks while the player says it plays
  // has frozen; it counts as ended. Streams often freeze without any error.
  static constexpr std::chrono::milliseconds kStallCheckInterval{5000};
  static constexpr int kStallTicks = 4;
  // Run in every frame of the player page once loaded, so it is black like the frame.
  static inline const QString kBlackBackgroundScript = QStringLiteral("document.body.style.background = \"black\"; ");

  TFrameDirectPlayer(TDirectPlayerParts parts, TFrameContext context, QObject* parent = nullptr);
  ~TFrameDirectPlayer() override;

  void InitLayout();
  void ToDo(const TServerMsg& msg);
  void StopLive();
  void SetMuted(bool muted);

  // Handlers, public so that tests drive them without waiting.
  void tmrPlayNowTimer();
  void tmrRePlayTimer();
  void tmrStallTimer();
  void ShowPlayerMediaPlayerEncounteredError();
  void ShowPlayerMediaPlayerEndReached();

  // Set by ToDo, cleared by the main window when the live task ends or another kind starts.
  bool LiveActive = false;

  const QString& CurrentUrl() const { return FCurrentUrl; }
  const QString& PendingUrl() const { return FPendingUrl; }
  bool Stopped() const { return FStopped; }
  bool PlayFailed() const { return FPlayFailed; }
  const QTimer& tmrPlayNow() const { return FPlayNow; }
  const QTimer& tmrRePlay() const { return FRePlay; }
  const QTimer& tmrStall() const { return FStall; }

  // The web player page only takes addresses whose first four characters read "rtmp".
  static bool IsRtmpAddress(const QString& address);

 private:
  void Play(const QString& address);
  void ShowVideo();
  void ShowVideoError();

  TDirectPlayerParts FParts;
  TFrameContext FContext;
  QString FCurrentUrl;
  QString FPendingUrl;
  bool FStopped = false;
  bool FPlayFailed = false;
  bool FWebPresentation = false;  // the web view shows CurrentUrl
  QTimer FPlayNow;
  QTimer FRePlay;
  QTimer FStall;
  std::int64_t FLastPlayTime = -1;  // the play time at the last stall check
  int FStillTicks = 0;              // checks in a row that found it unchanged
};
