#include "ui/uMainFormLogic.h"

#include "ui/uRemoteMessages.h"

#include <exception>

namespace {

void StartIfIdle(QTimer& timer) {
  if (!timer.isActive()) timer.start();
}

}  // namespace

QString VersionTextOf(const QString& fileVersion) {
  const QStringList parts = fileVersion.split(QLatin1Char('.'));
  if (parts.size() <= 2) return {};
  return parts[1] + QLatin1Char('.') + parts[2];
}

TMainFormLogic::TMainFormLogic(TMainFormContext context, IMainFormView& view, IMainFrames& frames, QObject* parent)
    : QObject(parent), FContext(context), FView(view), FFrames(frames) {
  const std::pair<QTimer*, std::chrono::milliseconds> timers[] = {
      {&FHideLoginState, kHideLoginStateInterval}, {&FHideSelf, kHideSelfInterval},
      {&FTimerOutHide, kTimerOutHideInterval},     {&FHidePnlTools, kHidePnlToolsInterval},
      {&FClose, kCloseInterval},
  };
  for (const auto& [timer, interval] : timers) timer->setInterval(interval);
  connect(&FHideLoginState, &QTimer::timeout, this, &TMainFormLogic::tmrHideLoginStateTimer);
  connect(&FHideSelf, &QTimer::timeout, this, &TMainFormLogic::tmrHideSelfTimer);
  connect(&FTimerOutHide, &QTimer::timeout, this, &TMainFormLogic::tmrTimerOutHideTimer);
  connect(&FHidePnlTools, &QTimer::timeout, this, &TMainFormLogic::tmrHidePnlToolsTimer);
  connect(&FClose, &QTimer::timeout, this, &TMainFormLogic::tmrCloseTimer);
}

void TMainFormLogic::FormCreate() {
  SwitchPanel(TPanelId::MainImg, TButtonId::None);
  HideLoginState();
  FLockScreen = false;
}

QString TMainFormLogic::Describe(const TServerMsg& msg) {
  return QStringLiteral("PresentMsg Kind=%1 ContentType=%2 ScheduleId=%3 Valid=%4 Url=%5")
      .arg(static_cast<int>(msg.Kind))
      .arg(static_cast<int>(msg.ContentType))
      .arg(msg.ScheduleId)
      .arg(msg.Valid ? 1 : 0)
      .arg(msg.Url);
}

void TMainFormLogic::PresentMsg(const TServerMsg& msg) {
  // An empty schedule ends "a task" at every tick; only ends that change the screen are described.
  if (msg.Kind != mkTaskEnd || FCurMsg.Valid) FContext.Log.LogHint(Describe(msg));
  if (msg.Kind == mkTask) {
    FCurMsg = msg;
    FCurMsg.Tasks.clear();
    FTimerOutHide.stop();
  }
  switch (msg.Kind) {
    case mkTaskEnd:
      FContext.Log.LogHint(QStringLiteral("任务超时"));
      if (FCurMsg.ContentType == ctDirectPlay) FFrames.SetLiveActive(false);
      if (FCurMsg.Valid) {
        FCurMsg.Valid = false;
        if (FCurPanel != TPanelId::MainImg) StartIfIdle(FTimerOutHide);
        SwitchPanel(TPanelId::MainImg, TButtonId::None);
      }
      return;
    case mkIdle:
      SwitchPanel(TPanelId::MainImg, TButtonId::None);
      ShowMain();
      return;
    case mkNoticePreload:
      FFrames.NoticePreload(msg);
      return;
    case mkTask:
      break;
    default:
      return;
  }

  if (const auto task = FContext.TaskList.CurrentTask(); task && task->ScheduleId == msg.ScheduleId) {
    AddLog(QStringLiteral("errorCode:  ") + task->ErrorCode);
    AddLog(QStringLiteral("Message:   ") + task->Message);
  }
  TIniParams& params = FContext.IniParams;
  switch (msg.ContentType) {
    case ctDirectPlay:
      params.DirectPlayMsg = msg;
      ShowDirectPlayer();
      AddLog(msg.Url);
      break;
    case ctPointPlay:
      params.PointPlayMsg = msg;
      ShowPointPlayer();
      AddLog(msg.Url);
      FFrames.SetLiveActive(false);
      break;
    case ctNotify:
      params.NotifyPageMsg = msg;
      ShowNotifyPage();
      AddLog(msg.Url);
      AddLog(msg.Attachment.Uri);
      FFrames.SetLiveActive(false);
      break;
    default:
      return;
  }
  ShowMain();
}

void TMainFormLogic::PresentRequest(int code) {
  FView.Sleep(kPresentPause);
  const TIniParams& params = FContext.IniParams;
  switch (code) {
    case prNotice:
      FFrames.NoticeShow(params.NotifyPageMsg);
      break;
    case prPointPlayer:
      FFrames.PointPlayTask(params.PointPlayMsg);
      break;
    case prLive:
      FFrames.LiveToDo(params.DirectPlayMsg);
      break;
    case prListPage:
      FFrames.ListLoad();
      break;
    default:
      break;
  }
}

void TMainFormLogic::SwitchPanel(TPanelId panel, TButtonId button) {
  // The same panel again: the start request posted next restarts its content. The live frame is
  // left running, so a new stream replaces the old one without a blank page in between.
  if (panel == FCurPanel) return;
  const TPanelId old = FCurPanel;
  if (old != TPanelId::None) {
    FView.SetPanelVisible(old, false);
    if (FCurButton != TButtonId::None) FView.SetButtonMarked(FCurButton, false);
  }
  switch (old) {
    case TPanelId::DirectPlayer:
      FFrames.LiveStop();
      break;
    case TPanelId::PointPlayer:
      FFrames.PointPause();
      break;
    case TPanelId::NotifyPage:
      FFrames.NoticeCancelPreload();
      break;
    default:
      break;
  }
  FCurButton = button;
  FCurPanel = panel;
  FView.SetPanelVisible(panel, true);
  if (button != TButtonId::None) FView.SetButtonMarked(button, true);
}

void TMainFormLogic::ShowDirectPlayer() {
  SwitchPanel(TPanelId::DirectPlayer, TButtonId::DirectPlay);
  FView.PostPresentRequest(prLive);
}

void TMainFormLogic::ShowPointPlayer() {
  SwitchPanel(TPanelId::PointPlayer, TButtonId::PointPlayPage);
  FView.PostPresentRequest(prPointPlayer);
}

void TMainFormLogic::ShowPointPlayPage() {
  SwitchPanel(TPanelId::PointPlayPage, TButtonId::PointPlayPage);
  FView.PostPresentRequest(prListPage);
}

void TMainFormLogic::ShowNotifyPage() {
  // The page starts loading a second before its panel appears.
  FView.PostPresentRequest(prNotice);
  FView.Delay(kNoticeSwitchDelay);
  SwitchPanel(TPanelId::NotifyPage, TButtonId::Notify);
}

bool TMainFormLogic::CurrentTask(TServerMsg& msg) const {
  FContext.TaskList.CurrentMsg(msg);
  return msg.Valid;
}

void TMainFormLogic::btnDirectPlayClick() {
  if (FCurPanel == TPanelId::DirectPlayer) return;
  TServerMsg task;
  if (CurrentTask(task) && task.ContentType == ctDirectPlay)
    ShowDirectPlayer();
  else
    FView.ShowTip(kNotLiveTip);
}

void TMainFormLogic::btnNotifyClick() {
  if (FCurPanel == TPanelId::NotifyPage) return;
  TServerMsg task;
  if (CurrentTask(task) && task.ContentType == ctNotify)
    ShowNotifyPage();
  else
    FView.ShowTip(kNotNoticeTip);
}

void TMainFormLogic::btnPointPlayPageMouseUp() {
  // The on-demand list is open to the user only while no task is on.
  TServerMsg task;
  if (!CurrentTask(task)) {
    ShowPointPlayPage();
    return;
  }
  if (task.ContentType != ctPointPlay) FView.ShowTip(kNotPointTip);
}

void TMainFormLogic::btnSettingClick() { FView.ShowSettings(); }

void TMainFormLogic::PointPlaySelected(const TServerMsg& msg) {
  FContext.IniParams.PointPlayMsg = msg;
  ShowPointPlayer();
  AddLog(QStringLiteral("点击播放点播 ： ") + msg.Url);
}

void TMainFormLogic::PointPlayRequestFailed() { FView.ShowTip(kNoStreamTip); }

void TMainFormLogic::PageAlert(const QString& text) { FView.ShowTip(text); }

void TMainFormLogic::PointPlayerEndReached() {
  // A looping video repeats by itself.
  if (!FContext.IniParams.LoopPointPlay) ShowPointPlayPage();
}

void TMainFormLogic::ShowLoginState() {
  StartIfIdle(FHideLoginState);
  FView.SetLoginState(true, FContext.IniParams.SvrUser.left(6) + QStringLiteral("  登录成功"));
}

void TMainFormLogic::HideLoginState() {
  FHideLoginState.stop();
  FView.SetLoginState(false, {});
}

void TMainFormLogic::tmrHideLoginStateTimer() { HideLoginState(); }

void TMainFormLogic::SetLockScreen(bool lock) {
  if (FLockScreen) FView.SetToolsVisible(false);
  if (lock == FLockScreen) return;
  FLockScreen = lock;
  if (lock) {
    FHidePnlTools.stop();
    FView.SetToolsVisible(false);
  } else {
    tmrHidePnlToolsTimer();
  }
}

bool TMainFormLogic::TrayOrLogOnce() {
  if (FView.TrayAvailable()) return true;
  if (!FNoTrayLogged) {
    FNoTrayLogged = true;
    FContext.Log.LogHint(QStringLiteral("系统托盘不可用：主窗口保持显示，不隐藏到托盘"));
  }
  return false;
}

void TMainFormLogic::FormShow() {
  TIniParams& params = FContext.IniParams;
  if (params.AutoHide && params.IsFirstUse && TrayOrLogOnce()) {
    params.IsFirstUse = false;
    FView.SetWindowTransparent(true);
    StartIfIdle(FHideSelf);
  }
  StartIfIdle(FHidePnlTools);
}

void TMainFormLogic::tmrHideSelfTimer() {
  FHideSelf.stop();
  FView.HideWindow();
  FView.SetWindowTransparent(false);
}

void TMainFormLogic::ShowMain() { FView.ShowWindow(); }

void TMainFormLogic::HideMain() { FView.HideWindow(); }

void TMainFormLogic::btnCloseClick() {
  FFrames.PointPause();
  FFrames.LiveSetMuted(true);
  FFrames.NoticeCancelPreload();
  HideMain();
}

void TMainFormLogic::FormCloseQuery() { btnCloseClick(); }

void TMainFormLogic::CoolTrayIcon1Click() {
  if (FContext.AppStatus.Closing) return;
  if (!FView.LoggedIn()) {
    FView.ShowLoginWindow();
    return;
  }
  if (FCurMsg.Valid) {
    switch (FCurMsg.ContentType) {
      case ctDirectPlay:
        FFrames.LiveSetMuted(false);
        break;
      case ctPointPlay:
        FFrames.PointResume();
        break;
      case ctNotify:
        FFrames.NoticeResume();
        break;
      default:
        break;
    }
  }
  ShowMain();
}

void TMainFormLogic::N4Click() {
  FContext.AppStatus.Closing = true;
  if (FView.WindowVisible()) FView.HideWindow();
  // The program ends in any case, also when a frame fails to stop.
  try {
    FFrames.LiveStop();
    FFrames.NoticeCancelPreload();
    FFrames.PointStop();
  } catch (const std::exception& e) {
    FContext.Log.LogHint(QStringLiteral("退出时停止播放失败：") + QString::fromUtf8(e.what()));
  }
  StartIfIdle(FClose);
}

void TMainFormLogic::tmrCloseTimer() {
  FClose.stop();
  FView.Terminate();
}

void TMainFormLogic::tmrTimerOutHideTimer() {
  FTimerOutHide.stop();
  if (TrayOrLogOnce()) HideMain();
}

void TMainFormLogic::tmrHidePnlToolsTimer() {
  FHidePnlTools.stop();
  if (FView.SettingsVisible() || !FView.WindowVisible()) return;
  FView.SetToolsVisible(false);
  FView.GiveUpActivation();
}

void TMainFormLogic::MouseActivate() {
  if (FLockScreen) return;
  FView.SetToolsVisible(true);
  FHidePnlTools.stop();
  FView.GiveUpActivation();
  FHidePnlTools.start();
}

void TMainFormLogic::RemoteMessage(quint32 message, qint64 wParam) {
  if (message == kWmRemoteExit) {
    N4Click();
    return;
  }
  if (message != kWmRemoteStop) return;
  if (wParam == 1) FFrames.PointPause();
  if (wParam == 2) FFrames.LiveStop();
}
