#include "ui/TBasicWindows.h"

#include "core/uAppStatus.h"

#include <QPalette>
#include <QScreen>

TBasicMainWindow::TBasicMainWindow(TDM& dm, TDebugForm& debugForm)
    : FDM(dm), FDebugForm(debugForm), FWebSDK(dm.IniParams()) {
  setWindowTitle(QStringLiteral("Vireo"));
  setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setAutoFillBackground(true);

  const TFrameContext context{dm.IniParams(), AppStatus, dm.Log(), debugForm};
  FIdle = new QWidget(this);
  FLive = new TFrameDirectPlayerWidget(context, this);
  FPoint = new TFramePointPlayerWidget(context, this);
  FList = new TFramePointPlayPageWidget(FWebSDK, dm.Log(), this);
  FNotice = new TFrameNotifyPageWidget(context, this);
  for (QWidget* panel : std::initializer_list<QWidget*>{FIdle, FLive, FPoint, FList, FNotice}) addWidget(panel);
  setCurrentWidget(FIdle);

  FList->Frame().OnPlayRequest = [this](const TServerMsg& msg) {
    FDM.IniParams().PointPlayMsg = msg;
    SwitchPanel(FPoint);
    Post([this] { FPoint->Frame().PlayTask(FDM.IniParams().PointPlayMsg); });
  };
  FPoint->ShowPlayer().Events.OnMediaPlayerEndReached = [this] {
    // A looping video repeats by itself; one that ends goes back to the list.
    if (FDM.IniParams().LoopPointPlay) return;
    SwitchPanel(FList);
    Post([this] { FList->Frame().LoadListPage(); });
  };
  // Covering the screen by geometry as well: without a window manager (a kiosk X session) a
  // full-screen request alone leaves the window at its default size.
  setGeometry(screen()->geometry());
  showFullScreen();
  FNotice->Frame().SetPageSize(width(), height());
}

TBasicMainWindow::~TBasicMainWindow() {
  // The players stop while everything they report to still exists.
  FPoint->Frame().StopPlay();
  FLive->ShowPlayer().Stop();
}

void TBasicMainWindow::Post(std::function<void()> start) {
  QMetaObject::invokeMethod(this, std::move(start), Qt::QueuedConnection);
}

void TBasicMainWindow::SwitchPanel(QWidget* panel) {
  QWidget* current = currentWidget();
  if (panel == current) return;
  if (current == FLive) FLive->Frame().StopLive();
  if (current == FPoint) FPoint->Frame().PausePlay();
  if (current == FNotice) FNotice->Frame().CancelPreload();
  setCurrentWidget(panel);
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
  TIniParams& params = FDM.IniParams();
  switch (msg.Kind) {
    case mkNoticePreload:
      FNotice->Frame().PreloadNotice(msg);
      return;
    case mkTaskEnd:
    case mkIdle:
      FLive->Frame().LiveActive = false;
      SwitchPanel(FIdle);
      return;
    case mkTask:
      break;
    default:
      return;
  }
  switch (msg.ContentType) {
    case ctDirectPlay:
      params.DirectPlayMsg = msg;
      SwitchPanel(FLive);
      Post([this] { FLive->Frame().ToDo(FDM.IniParams().DirectPlayMsg); });
      break;
    case ctPointPlay:
      params.PointPlayMsg = msg;
      FLive->Frame().LiveActive = false;
      SwitchPanel(FPoint);
      Post([this] { FPoint->Frame().PlayTask(FDM.IniParams().PointPlayMsg); });
      break;
    case ctNotify:
      params.NotifyPageMsg = msg;
      FLive->Frame().LiveActive = false;
      FNotice->Frame().ShowNotice(msg);
      SwitchPanel(FNotice);
      break;
    case ctNone:
      break;
  }
}

bool TBasicMainWindow::LiveActive() const { return FLive->Frame().LiveActive; }

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
  FLive->Frame().StopLive();
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
