#pragma once
// The main window's decisions, without widgets: which content panel is shown and which tools
// button is marked, how a presented message starts a frame, the tools buttons' rules, the login
// state, and when the window and its tools bar show and hide. The window's widgets and the four
// frames are reached through the two small interfaces below, so tests drive every rule with fakes
// and call the timer handlers by hand.

#include "core/uAppStatus.h"
#include "core/uDebugLog.h"
#include "core/uIniParams.h"
#include "platform/uLogSink.h"
#include "protocol/uMyRecords.h"
#include "schedule/uTaskList.h"

#include <QObject>
#include <QTimer>

#include <chrono>

enum class TPanelId { None, MainImg, DirectPlayer, PointPlayer, PointPlayPage, NotifyPage };
enum class TButtonId { None, DirectPlay, PointPlayPage, Notify };

// The start requests that the window posts to itself.
enum TPresentRequest : int {
  prNotice = 1,
  prPointPlayer = 2,
  prLive = 3,
  prListPage = 4,
};

// What the decisions ask of the window and its companions.
class IMainFormView {
 public:
  virtual ~IMainFormView() = default;
  virtual void SetPanelVisible(TPanelId panel, bool visible) = 0;
  virtual void SetButtonMarked(TButtonId button, bool marked) = 0;
  // Runs PresentRequest(code) from the event loop, after the current handler has returned.
  virtual void PostPresentRequest(int code) = 0;
  // Waits while serving events.
  virtual void Delay(std::chrono::milliseconds wait) = 0;
  // Waits without serving events.
  virtual void Sleep(std::chrono::milliseconds wait) = 0;
  virtual void ShowTip(const QString& text) = 0;
  // Shows the window over its monitor and brings it to the front.
  virtual void ShowWindow() = 0;
  virtual void HideWindow() = 0;
  virtual bool WindowVisible() const = 0;
  virtual void SetWindowTransparent(bool transparent) = 0;
  virtual void SetToolsVisible(bool visible) = 0;
  // Leaves the window inactive, so the next click on it is again an activating click.
  virtual void GiveUpActivation() = 0;
  virtual bool SettingsVisible() const = 0;
  virtual void ShowSettings() = 0;
  virtual bool LoggedIn() const = 0;
  virtual void ShowLoginWindow() = 0;
  // Shows the login state with its text, or hides it.
  virtual void SetLoginState(bool visible, const QString& text) = 0;
  // Without a tray host a hidden window could never be brought back by the user.
  virtual bool TrayAvailable() const = 0;
  virtual void Terminate() = 0;
};

// The frame operations the main window uses.
class IMainFrames {
 public:
  virtual ~IMainFrames() = default;
  virtual void LiveToDo(const TServerMsg& msg) = 0;
  virtual void LiveStop() = 0;
  virtual void LiveSetMuted(bool muted) = 0;
  virtual bool LiveActive() const = 0;
  virtual void SetLiveActive(bool active) = 0;
  virtual void PointPlayTask(const TServerMsg& msg) = 0;
  virtual void PointPause() = 0;
  virtual void PointStop() = 0;   // waits until the player has stopped
  virtual void PointResume() = 0; // continues a paused video where it was
  virtual void ListLoad() = 0;
  virtual void NoticeShow(const TServerMsg& msg) = 0;
  virtual void NoticePreload(const TServerMsg& msg) = 0;
  virtual void NoticeCancelPreload() = 0;
  virtual void NoticeResume() = 0;
};

struct TMainFormContext {
  TIniParams& IniParams;
  TAppStatus& AppStatus;
  const TTaskList& TaskList;
  ILogSink& Log;
  IDebugLog& DebugForm;
};

// "2.53" for a file version "1.2.53.3": its second and third parts; "" with fewer than three.
QString VersionTextOf(const QString& fileVersion);

class TMainFormLogic final : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kHideLoginStateInterval{30000};
  static constexpr std::chrono::milliseconds kHideSelfInterval{500};
  static constexpr std::chrono::milliseconds kTimerOutHideInterval{10000};
  static constexpr std::chrono::milliseconds kHidePnlToolsInterval{6000};
  static constexpr std::chrono::milliseconds kCloseInterval{2000};
  static constexpr std::chrono::milliseconds kNoticeSwitchDelay{1000};
  static constexpr std::chrono::milliseconds kPresentPause{100};

  static inline const QString kNotLiveTip = QStringLiteral("当前任务不是直播任务    ");
  static inline const QString kNotNoticeTip = QStringLiteral("当前任务不是通知   ");
  static inline const QString kNotPointTip = QStringLiteral("当前任务不是点播任务   ");
  static inline const QString kNoStreamTip = QStringLiteral("加载视频流出错");

  TMainFormLogic(TMainFormContext context, IMainFormView& view, IMainFrames& frames, QObject* parent = nullptr);

  // The end of the window's creation: the idle picture, no login state, tools bar unlocked.
  void FormCreate();

  void PresentMsg(const TServerMsg& msg);
  // A posted start request is served.
  void PresentRequest(int code);
  void SwitchPanel(TPanelId panel, TButtonId button);
  void ShowDirectPlayer();
  void ShowPointPlayer();
  void ShowPointPlayPage();
  void ShowNotifyPage();

  // Tools buttons.
  void btnDirectPlayClick();
  void btnNotifyClick();
  void btnPointPlayPageMouseUp();
  void btnSettingClick();

  // Frame events.
  void PointPlaySelected(const TServerMsg& msg);
  void PointPlayRequestFailed();
  void PageAlert(const QString& text);
  void PointPlayerEndReached();

  void ShowLoginState();
  void HideLoginState();
  void SetLockScreen(bool lock);

  // Visibility, tray and exit.
  void FormShow();
  void ShowMain();
  void HideMain();
  void btnCloseClick();
  void FormCloseQuery();
  void CoolTrayIcon1Click();
  void N4Click();  // the exit procedure
  void MouseActivate();
  // A message from another local program: 0x40D stops a frame, 0x435 exits.
  void RemoteMessage(quint32 message, qint64 wParam);

  // Timer handlers, public so that tests drive them.
  void tmrHideLoginStateTimer();
  void tmrHideSelfTimer();
  void tmrTimerOutHideTimer();
  void tmrHidePnlToolsTimer();
  void tmrCloseTimer();

  TPanelId CurPanel() const { return FCurPanel; }
  TButtonId CurButton() const { return FCurButton; }
  const TServerMsg& CurMsg() const { return FCurMsg; }
  bool LockScreen() const { return FLockScreen; }
  const QTimer& tmrHideLoginState() const { return FHideLoginState; }
  const QTimer& tmrHideSelf() const { return FHideSelf; }
  const QTimer& tmrTimerOutHide() const { return FTimerOutHide; }
  const QTimer& tmrHidePnlTools() const { return FHidePnlTools; }
  const QTimer& tmrClose() const { return FClose; }

  // The log line written for each presented message.
  static QString Describe(const TServerMsg& msg);

 private:
  // A valid current task of the task list, or nothing.
  bool CurrentTask(TServerMsg& msg) const;
  void AddLog(const QString& text) { FContext.DebugForm.AddLog(text); }
  // Logs once per run that the window stays up because there is no tray to return to.
  bool TrayOrLogOnce();

  TMainFormContext FContext;
  IMainFormView& FView;
  IMainFrames& FFrames;

  TServerMsg FCurMsg;
  TPanelId FCurPanel = TPanelId::None;
  TButtonId FCurButton = TButtonId::None;
  bool FLockScreen = false;
  bool FNoTrayLogged = false;

  QTimer FHideLoginState;
  QTimer FHideSelf;
  QTimer FTimerOutHide;
  QTimer FHidePnlTools;
  QTimer FClose;
};
