#include "frames/FrameDirectPlayers.h"

TFrameDirectPlayer::TFrameDirectPlayer(TDirectPlayerParts parts, TFrameContext context, QObject* parent)
    : QObject(parent), FParts(parts), FContext(context) {
  FPlayNow.setInterval(kPlayNowDelay);
  FRePlay.setInterval(kRePlayInterval);
  connect(&FPlayNow, &QTimer::timeout, this, &TFrameDirectPlayer::tmrPlayNowTimer);
  connect(&FRePlay, &QTimer::timeout, this, &TFrameDirectPlayer::tmrRePlayTimer);
  FStall.setInterval(kStallCheckInterval);
  connect(&FStall, &QTimer::timeout, this, &TFrameDirectPlayer::tmrStallTimer);
  FParts.ShowPlayer.Events.OnMediaPlayerEndReached = [this] { ShowPlayerMediaPlayerEndReached(); };
  FParts.ShowPlayer.Events.OnMediaPlayerEncounteredError = [this] { ShowPlayerMediaPlayerEncounteredError(); };
  FParts.Chromium1.SetFrameLoadScript(kBlackBackgroundScript);
}

bool TFrameDirectPlayer::IsRtmpAddress(const QString& address) {
  // Untrimmed on purpose: " rtmp://..." is a video view address.
  return address.left(4).toLower() == QStringLiteral("rtmp");
}

void TFrameDirectPlayer::InitLayout() { SetMuted(true); }

void TFrameDirectPlayer::SetMuted(bool muted) { FParts.ShowPlayer.SetAudioMute(muted); }

void TFrameDirectPlayer::ToDo(const TServerMsg& msg) {
  if (FContext.AppStatus.Closing) return;
  const QString& url = msg.Url;
  FStopped = false;
  FContext.Log.LogHint(QStringLiteral("TFrameDirectPlayer.ToDo ") + url);
  LiveActive = true;
  FContext.DebugForm.AddLog(QStringLiteral("收到直播任务：") + url);
  if (FParts.pnlErrorVideo.IsVisible()) {
    ShowVideo();
  } else {
    ShowVideo();
    if (!IsRtmpAddress(url) && !FParts.ShowPlayer.IsPlaying())
      FContext.DebugForm.AddLog(QStringLiteral("直播停止了， 重新播放：") + url);
  }
  // Also when the same address already plays: the task asks for it afresh.
  Play(url);
  SetMuted(false);
}

void TFrameDirectPlayer::Play(const QString& address) {
  FPlayFailed = false;
  FContext.Log.LogHint(QStringLiteral("TFrameDirectPlayer.Play  ") + address);
  FWebPresentation = IsRtmpAddress(address);
  if (FWebPresentation) {
    FParts.Chromium1.SetBackgroundBlack();
    // The page reads the address from its query as it stands: no trimming, no encoding.
    FCurrentUrl = FContext.IniParams.PlayUrl + QStringLiteral("?rtmp=") + address;
    FContext.Log.LogHint(QStringLiteral("网页播放rtmp  ") + FCurrentUrl);
    FParts.Chromium1.LoadUrl(FCurrentUrl);
    FParts.Chromium1.SetVisible(true);
    FParts.ShowPlayer.SetVisible(false);
    FParts.ShowPlayer.Pause();
    return;
  }
  FParts.Chromium1.SetVisible(false);
  FParts.ShowPlayer.SetVisible(true);
  const QString trimmed = address.trimmed();
  if (trimmed.isEmpty()) return;
  FCurrentUrl = trimmed;
  FParts.ShowPlayer.Pause();
  FPendingUrl = FCurrentUrl;
  FPlayNow.start();
  FContext.DebugForm.AddLog(QStringLiteral("正在播放直播：") + FCurrentUrl);
}

void TFrameDirectPlayer::tmrPlayNowTimer() {
  if (FContext.AppStatus.Closing) return;
  FPlayNow.stop();
  FContext.Log.LogHint(QStringLiteral("TFrameDirectPlayer.tmrPlayNowTimer  ") + FPendingUrl);
  FParts.ShowPlayer.PlayMedia(FPendingUrl);
  FLastPlayTime = -1;
  FStillTicks = 0;
  FStall.start();
}

void TFrameDirectPlayer::tmrStallTimer() {
  if (FContext.AppStatus.Closing || FStopped || FPlayFailed || FWebPresentation || !FParts.ShowPlayer.IsPlaying()) {
    FLastPlayTime = -1;
    FStillTicks = 0;
    return;
  }
  const std::int64_t now = FParts.ShowPlayer.GetVideoPosInMs();
  FStillTicks = now == FLastPlayTime ? FStillTicks + 1 : 0;
  FLastPlayTime = now;
  if (FStillTicks < kStallTicks) return;
  FContext.Log.LogHint(QStringLiteral("直播画面停滞 %1 秒，按中断处理：").arg(kStallTicks * kStallCheckInterval.count() / 1000) +
                       FCurrentUrl);
  FStillTicks = 0;
  ShowPlayerMediaPlayerEndReached();
}

void TFrameDirectPlayer::ShowPlayerMediaPlayerEncounteredError() {
  FPlayFailed = true;
  if (!FStopped) FRePlay.start();
  FContext.DebugForm.AddLog(QStringLiteral("无法连接到直播：") + FCurrentUrl);
  ShowVideoError();
}

void TFrameDirectPlayer::ShowPlayerMediaPlayerEndReached() {
  FPlayFailed = true;
  if (!FStopped) FRePlay.start();
  ShowVideoError();
  FContext.Log.LogHint(QStringLiteral("ShowPlayerMediaPlayerEndReached"));
}

void TFrameDirectPlayer::tmrRePlayTimer() {
  if (FContext.AppStatus.Closing || !LiveActive || !FPlayFailed) return;
  FRePlay.stop();
  ShowVideo();
  FContext.DebugForm.AddLog(QStringLiteral("正在重连直播：") + FCurrentUrl);
  // The web page's address must not reach the video view: a late event of the stream paused
  // behind the page would otherwise replace the page with the page's address played as video.
  if (!FWebPresentation) {
    Play(FCurrentUrl);
    FRePlay.start();
  }
}

void TFrameDirectPlayer::StopLive() {
  FStopped = true;
  FRePlay.stop();
  FStall.stop();
  // A start still pending would open the stream behind whatever is shown next, unwatched.
  FPlayNow.stop();
  SetMuted(true);
  FParts.ShowPlayer.Pause();
  FParts.Chromium1.LoadUrl(QStringLiteral("about:blank"));
}

void TFrameDirectPlayer::ShowVideo() {
  FParts.pnlErrorVideo.SetVisible(false);
  FParts.ShowPlayer.SetVisible(true);
}

void TFrameDirectPlayer::ShowVideoError() {
  FParts.pnlErrorVideo.SetVisible(true);
  FParts.ShowPlayer.SetVisible(false);
}

// The views may outlive the frame by a moment; they must not call into it then.
TFrameDirectPlayer::~TFrameDirectPlayer() {
  FParts.ShowPlayer.Events.OnMediaPlayerEndReached = nullptr;
  FParts.ShowPlayer.Events.OnMediaPlayerEncounteredError = nullptr;
}
