#pragma once
// The windows the terminal runs with until the full ones exist: a black full-screen main window
// that logs what it is asked to present and presents it in the four content frames, and a login
// path that needs a configured host.

#include "core/DMs.h"
#include "core/FrmDebug.h"
#include "core/uWindowPorts.h"
#include "frames/FrameWidgets.h"
#include "frames/uWebSDK.h"

#include <QStackedWidget>

#include <memory>

class TBasicMainWindow final : public QStackedWidget, public IMainWindow {
 public:
  TBasicMainWindow(TDM& dm, TDebugForm& debugForm);
  ~TBasicMainWindow() override;

  void PresentMsg(const TServerMsg& msg) override;
  void SetShowMainForm(bool value) override;
  void ShowLoginState() override;
  void HideLoginState() override;
  void AddLogEx(const QString& text) override;
  bool IsNewVersion(const QString& version) const override;
  void SetLockScreen(bool flag) override;
  void HideMainForm() override;
  bool LiveActive() const override;
  void StopLive() override;

  // The log line written for a presented record.
  static QString Describe(const TServerMsg& msg);

 private:
 private:
  // Shows a panel; the frame of the panel it replaces is stopped, paused or left ready.
  void SwitchPanel(QWidget* panel);
  // Runs the start of a frame's content after the current handler has returned.
  void Post(std::function<void()> start);

  TDM& FDM;
  TDebugForm& FDebugForm;
  TWebSDK FWebSDK;
  QWidget* FIdle;
  TFrameDirectPlayerWidget* FLive;
  TFramePointPlayerWidget* FPoint;
  TFramePointPlayPageWidget* FList;
  TFrameNotifyPageWidget* FNotice;
  bool FLockScreen = false;
};

class TBasicLoginWindow final : public ILoginWindow {
 public:
  explicit TBasicLoginWindow(TDM& dm) : FDM(dm) {}

  bool ShowLoginModal() override;
  void SetStatus(const QString&) override {}
  void Connected() override {}
  void ConnectFailed(int) override { FLoggedIn = false; }
  void LoginFailed(const QString& message) override;
  void LoginSucceeded() override;
  void Show() override {}
  void Hide() override {}
  bool IsVisible() const override { return false; }
  bool LoggedIn() const override { return FLoggedIn; }
  void MoveOffScreen() override {}

 private:
  TDM& FDM;
  bool FLoggedIn = false;
};

class TBasicWindowFactory final : public IWindowFactory {
 public:
  explicit TBasicWindowFactory(const IClock& clock) : FClock(clock) {}

  std::unique_ptr<ILoginWindow> CreateLoginForm(TDM& dm) override;
  IMainWindow* CreateMainForm(TDM& dm) override;

 private:
  const IClock& FClock;
  std::unique_ptr<TDebugForm> FDebugForm;
  std::unique_ptr<TBasicMainWindow> FMainForm;
};
