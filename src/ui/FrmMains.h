#pragma once
// The main window: the five content panels over one monitor, the tools bar laid over their
// bottom, the tray icon and its menus. Its decisions live in TMainFormLogic; this class builds
// the widgets, carries out what the logic asks and passes events in.

#include "core/DMs.h"
#include "core/FrmDebug.h"
#include "core/uWindowPorts.h"
#include "frames/FrameWidgets.h"
#include "frames/uWebSDK.h"
#include "ui/uMainFormLogic.h"
#include "ui/uSkinControls.h"

#include <QWidget>

#include <memory>

class QLabel;
class QMenu;
class QSystemTrayIcon;
class TSettingForm;
class TTipForm;

class TVireoMainForm final : public QWidget, public IMainWindow, private IMainFormView, private IMainFrames {
  Q_OBJECT

 public:
  static constexpr int kToolsHeight = 100;

  // versionText: the second and third parts of the executable's file version (VersionTextOf).
  TVireoMainForm(TDM& dm, TDebugForm& debugForm, IMessageBoxes& messageBoxes, QString versionText);
  ~TVireoMainForm() override;

  // IMainWindow
  void PresentMsg(const TServerMsg& msg) override;
  void SetShowMainForm(bool value) override { FShowMainForm = value; }
  void ShowLoginState() override { FLogic->ShowLoginState(); }
  void HideLoginState() override { FLogic->HideLoginState(); }
  void AddLogEx(const QString& text) override { FDebugForm.AddLogEx(text); }
  bool IsNewVersion(const QString& version) const override;
  void SetLockScreen(bool flag) override { FLogic->SetLockScreen(flag); }
  void HideMainForm() override { FLogic->HideMain(); }
  bool LiveActive() const override;
  void StopLive() override { LiveStop(); }

  // Whether the event loop is to show the window when it starts; never, after creation.
  bool ShowMainForm() const { return FShowMainForm; }
  void RemoteMessage(quint32 message, qint64 wParam) { FLogic->RemoteMessage(message, wParam); }

  TMainFormLogic& Logic() { return *FLogic; }
  QString VersionText() const { return FVersionText; }
  QWidget* pnlDown() const { return FPnlDown; }
  QSystemTrayIcon* CoolTrayIcon1() const { return FTrayIcon; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // IMainFormView
  void SetPanelVisible(TPanelId panel, bool visible) override;
  void SetButtonMarked(TButtonId button, bool marked) override;
  void PostPresentRequest(int code) override;
  void Delay(std::chrono::milliseconds wait) override;
  void Sleep(std::chrono::milliseconds wait) override;
  void ShowTip(const QString& text) override;
  void ShowWindow() override;
  void HideWindow() override { hide(); }
  bool WindowVisible() const override { return isVisible(); }
  void SetWindowTransparent(bool transparent) override { setWindowOpacity(transparent ? 0.0 : 1.0); }
  void SetToolsVisible(bool visible) override { FPnlDown->setVisible(visible); }
  void GiveUpActivation() override;
  bool SettingsVisible() const override;
  void ShowSettings() override;
  bool LoggedIn() const override;
  void ShowLoginWindow() override;
  void SetLoginState(bool visible, const QString& text) override;
  bool TrayAvailable() const override;
  void Terminate() override;

  // IMainFrames
  void LiveToDo(const TServerMsg& msg) override;
  void LiveStop() override;
  void LiveSetMuted(bool muted) override;
  void SetLiveActive(bool active) override;
  void PointPlayTask(const TServerMsg& msg) override;
  void PointPause() override;
  void PointStop() override;
  void PointResume() override;
  void ListLoad() override;
  void NoticeShow(const TServerMsg& msg) override;
  void NoticePreload(const TServerMsg& msg) override;
  void NoticeCancelPreload() override;
  void NoticeResume() override {}

  void CreateTools();
  void CreateTray();
  void LayoutFrames();
  void pnlBodyResize();
  void LayoutTools();
  void MoveToMonitor();
  void btnChangeMouseUp();
  void N1Click();
  QWidget* Panel(TPanelId panel) const;
  TImageButton* Button(TButtonId button) const;
  // Runs work from an event; an exception is logged instead of leaving the event loop.
  template <typename F>
  void Guarded(F&& work);

  TDM& FDM;
  TDebugForm& FDebugForm;
  IMessageBoxes& FMessageBoxes;
  TWebSDK FWebSDK;
  std::unique_ptr<TMainFormLogic> FLogic;
  QString FVersionText;
  bool FShowMainForm = true;
  int FMonitorIndex = 0;
  ulong FLastPress = 0;

  QWidget* FPnlBody = nullptr;
  QWidget* FPnlMainImg = nullptr;
  QWidget* FImgMain = nullptr;
  QWidget* FPnlDirectPlayer = nullptr;
  QWidget* FPnlPointPlayer = nullptr;
  QWidget* FPnlPointPlayPage = nullptr;
  QWidget* FPnlNotifyPage = nullptr;
  TFrameDirectPlayerWidget* FFrameDirectPlayer1 = nullptr;
  TFramePointPlayerWidget* FFramePointPlayer1 = nullptr;
  TFramePointPlayPageWidget* FFramePointPlayPage1 = nullptr;
  TFrameNotifyPageWidget* FFrameNotifyPage1 = nullptr;

  QWidget* FPnlDown = nullptr;
  QWidget* FPanel1 = nullptr;
  TClickLabel* FBtnLogo = nullptr;
  TClickLabel* FLbVer = nullptr;
  TImageButton* FBtnDirectPlay = nullptr;
  TImageButton* FBtnPointPlayPage = nullptr;
  TImageButton* FBtnNotify = nullptr;
  TImageButton* FBtnExit = nullptr;
  QLabel* FBtnLoginState = nullptr;
  QLabel* FLblLoginState = nullptr;
  TImageButton* FBtnChange = nullptr;
  TImageButton* FBtnSetting = nullptr;
  QWidget* FPnlPowerOff = nullptr;
  QMenu* FPmPowerOff = nullptr;
  QMenu* FPmTrayIcon = nullptr;
  QSystemTrayIcon* FTrayIcon = nullptr;

  std::unique_ptr<TSettingForm> FSettingForm;
  std::unique_ptr<TTipForm> FTipForm;
};

// Creates the login window with the controller, and the debug and main windows at start-up.
class TVireoWindowFactory final : public IWindowFactory {
 public:
  // fileVersion: the executable's embedded file version, read once by the caller.
  TVireoWindowFactory(const IClock& clock, const QString& fileVersion);
  ~TVireoWindowFactory() override;

  std::unique_ptr<ILoginWindow> CreateLoginForm(TDM& dm) override;
  IMainWindow* CreateMainForm(TDM& dm) override;
  TVireoMainForm* MainForm() const { return FMainForm.get(); }

 private:
  const IClock& FClock;
  const QString FVersionText;
  TModalMessageBoxes FMessageBoxes;
  std::unique_ptr<TDebugForm> FDebugForm;
  std::unique_ptr<TVireoMainForm> FMainForm;
};
