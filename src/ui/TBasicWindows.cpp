#include "ui/TBasicWindows.h"

#include <QPalette>

TBasicMainWindow::TBasicMainWindow(TDM& dm, TDebugForm& debugForm) : FDM(dm), FDebugForm(debugForm) {
  setWindowTitle(QStringLiteral("Vireo"));
  setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setAutoFillBackground(true);
  showFullScreen();
}

QString TBasicMainWindow::Describe(const TServerMsg& msg) {
  return QStringLiteral("PresentMsg Kind=%1 ContentType=%2 ScheduleId=%3 Valid=%4 Url=%5")
      .arg(static_cast<int>(msg.Kind))
      .arg(static_cast<int>(msg.ContentType))
      .arg(msg.ScheduleId)
      .arg(msg.Valid ? 1 : 0)
      .arg(msg.Url);
}

void TBasicMainWindow::PresentMsg(const TServerMsg& msg) {
  FDM.Log().LogHint(Describe(msg));
  FLiveActive = msg.Kind == mkTask && msg.ContentType == ctDirectPlay;
  if (msg.Kind == mkTaskEnd || msg.Kind == mkIdle) FLiveActive = false;
}

void TBasicMainWindow::SetShowMainForm(bool value) { setVisible(value); }

void TBasicMainWindow::ShowLoginState() { FDM.Log().LogHint(QStringLiteral("ShowLoginState")); }

void TBasicMainWindow::HideLoginState() { FDM.Log().LogHint(QStringLiteral("HideLoginState")); }

void TBasicMainWindow::AddLogEx(const QString& text) { FDebugForm.AddLogEx(text); }

bool TBasicMainWindow::IsNewVersion(const QString& version) const { return version != FDM.IniParams().UpdateVersion; }

void TBasicMainWindow::SetLockScreen(bool flag) {
  if (flag == FLockScreen) return;
  FLockScreen = flag;
  FDM.Log().LogHint(QStringLiteral("SetLockScreen %1").arg(flag ? 1 : 0));
}

void TBasicMainWindow::HideMainForm() { hide(); }

void TBasicMainWindow::StopLive() {
  FDM.Log().LogHint(QStringLiteral("StopLive"));
  FLiveActive = false;
}

bool TBasicLoginWindow::ShowLoginModal() {
  FDM.Log().LogHint(QStringLiteral("未配置服务器：请在 Setting.ini 的 [Svr] 中填写 Host 和 Port，程序退出"));
  return false;
}

void TBasicLoginWindow::LoginFailed(const QString& message) {
  FDM.Log().LogHint(QStringLiteral("登陆服务器失败！ ") + message);
}

void TBasicLoginWindow::LoginSucceeded() {
  FDM.SaveSettings();
  FLoggedIn = true;
}

std::unique_ptr<ILoginWindow> TBasicWindowFactory::CreateLoginForm(TDM& dm) {
  return std::make_unique<TBasicLoginWindow>(dm);
}

IMainWindow* TBasicWindowFactory::CreateMainForm(TDM& dm) {
  // The debug window exists from start-up on, hidden; its memos fill while nobody looks.
  FDebugForm = std::make_unique<TDebugForm>(dm.Log(), FClock);
  FMainForm = std::make_unique<TBasicMainWindow>(dm, *FDebugForm);
  return FMainForm.get();
}
