#include "ui/FrmMains.h"

#include "core/uAppStatus.h"
#include "frames/uUtils.h"
#include "ui/FrmLogins.h"
#include "ui/FrmSettings.h"
#include "ui/FrmTips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>

#include <exception>

namespace {

// The idle picture, stretched over its panel.
class TStretchedImage final : public QWidget {
 public:
  explicit TStretchedImage(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }
  void SetPicture(const QPixmap& picture) {
    FPicture = picture;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), FPicture);
  }

 private:
  QPixmap FPicture;
};

QWidget* ColouredPanel(QWidget* parent, const QColor& colour) {
  auto* panel = new QWidget(parent);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, colour);
  panel->setPalette(palette);
  panel->setAutoFillBackground(true);
  return panel;
}

QIcon AppIcon() {
  QIcon icon;
  for (const int size : {16, 22, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/ui/pictures/app-icon-%1.png").arg(size), QSize(size, size));
  return icon;
}

QString AppDir() { return QCoreApplication::applicationDirPath() + QLatin1Char('/'); }

}  // namespace

TVireoMainForm::TVireoMainForm(TDM& dm, TDebugForm& debugForm, IMessageBoxes& messageBoxes, QString versionText)
    : FDM(dm), FDebugForm(debugForm), FMessageBoxes(messageBoxes), FWebSDK(dm.IniParams()), FVersionText(std::move(versionText)) {
  setObjectName(QStringLiteral("VireoMainForm"));
  setWindowTitle(QStringLiteral("VireoMainForm"));
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setWindowIcon(AppIcon());

  FPnlBody = ColouredPanel(this, Qt::black);
  FPnlMainImg = new QWidget(FPnlBody);
  FImgMain = new TStretchedImage(FPnlMainImg);
  FPnlDirectPlayer = ColouredPanel(FPnlBody, Qt::black);
  FPnlPointPlayer = ColouredPanel(FPnlBody, Qt::black);
  FPnlPointPlayPage = ColouredPanel(FPnlBody, Qt::white);
  FPnlNotifyPage = ColouredPanel(FPnlBody, Qt::white);

  const TFrameContext context{dm.IniParams(), AppStatus, dm.Log(), debugForm};
  FFrameDirectPlayer1 = new TFrameDirectPlayerWidget(context, FPnlDirectPlayer);
  FFramePointPlayer1 = new TFramePointPlayerWidget(context, FPnlPointPlayer);
  FFramePointPlayPage1 = new TFramePointPlayPageWidget(FWebSDK, dm.Log(), FPnlPointPlayPage);
  FFrameNotifyPage1 = new TFrameNotifyPageWidget(context, FPnlNotifyPage);

  CreateTools();
  FPnlBody->installEventFilter(this);
  FPnlDown->installEventFilter(this);
  // Every press of a mouse button on the window counts as the activating click (X11 has no
  // activation query); presses on the video and web views reach the application's filter too.
  qApp->installEventFilter(this);

  FLogic = std::make_unique<TMainFormLogic>(
      TMainFormContext{dm.IniParams(), AppStatus, dm.TaskList(), dm.Log(), debugForm},
      static_cast<IMainFormView&>(*this), static_cast<IMainFrames&>(*this), this);

  // Creation, in the window's order: monitor, frames, tools, settings, events, tray, version.
  if (QGuiApplication::screens().size() < 2) FBtnChange->hide();
  FMonitorIndex = 0;
  MoveToMonitor();
  FPnlBody->setGeometry(rect());
  LayoutFrames();
  LayoutTools();
  FSettingForm = std::make_unique<TSettingForm>(dm.IniParams(), dm, messageBoxes);

  TFramePointPlayPage& listPage = FFramePointPlayPage1->Frame();
  listPage.OnPlayRequest = [this](const TServerMsg& msg) { Guarded([&] { FLogic->PointPlaySelected(msg); }); };
  listPage.OnPlayRequestFailed = [this](const QString&) { FLogic->PointPlayRequestFailed(); };
  FFrameNotifyPage1->Frame().OnPageAlert = [this](const QString& text) { FLogic->PageAlert(text); };
  FFramePointPlayer1->ShowPlayer().Events.OnMediaPlayerEndReached = [this] {
    Guarded([&] { FLogic->PointPlayerEndReached(); });
  };
  FFrameNotifyPage1->Frame().SetPageSize(FPnlBody->width(), FPnlBody->height());

  CreateTray();
  FLbVer->setText(FVersionText);
  FLbVer->adjustSize();

  FLogic->FormCreate();
  FShowMainForm = false;
  // The window is up from its creation; its first showing decides whether it hides to the tray.
  ShowWindow();
}

TVireoMainForm::~TVireoMainForm() {
  qApp->removeEventFilter(this);
  // The players stop while everything they report to still exists.
  FFramePointPlayer1->Frame().StopPlay();
  FFrameDirectPlayer1->ShowPlayer().Stop();
  if (FTrayIcon) FTrayIcon->hide();
}

template <typename F>
void TVireoMainForm::Guarded(F&& work) {
  try {
    work();
  } catch (const std::exception& e) {
    FDM.Log().LogHint(QStringLiteral("主窗口异常：") + QString::fromUtf8(e.what()));
  }
}

void TVireoMainForm::CreateTools() {
  FPnlDown = ColouredPanel(FPnlBody, Qt::white);
  FPnlDown->setFont(UiFont(14, true));
  FPnlDown->resize(width(), kToolsHeight);
  FPanel1 = ColouredPanel(FPnlDown, QColor(0xC5, 0xC5, 0xC5));

  FBtnLogo = new TClickLabel(FPnlDown);
  FBtnLogo->setPixmap(QPixmap(QStringLiteral(":/ui/pictures/logo.png")));
  FBtnLogo->setGeometry(54, 24, 98, 50);
  FLbVer = new TClickLabel(FPnlDown);
  FLbVer->setFont(UiFont(14, true));
  FLbVer->setStyleSheet(QStringLiteral("color: #3388FF;"));
  FLbVer->move(54 + 98 + 4, FBtnLogo->y());
  for (TClickLabel* label : {FBtnLogo, FLbVer})
    connect(label, &TClickLabel::doubleClicked, this, [this] {
      FDebugForm.show();
      FDebugForm.raise();
    });

  FBtnDirectPlay = new TImageButton(QStringLiteral(":/ui/pictures/btn-live.png"), FPnlDown);
  FBtnPointPlayPage = new TImageButton(QStringLiteral(":/ui/pictures/btn-vod.png"), FPnlDown);
  FBtnNotify = new TImageButton(QStringLiteral(":/ui/pictures/btn-notice.png"), FPnlDown);
  FBtnExit = new TImageButton(QStringLiteral(":/ui/pictures/btn-hide.png"), FPnlDown);
  for (TImageButton* button : {FBtnDirectPlay, FBtnPointPlayPage, FBtnNotify, FBtnExit}) button->resize(95, 32);
  connect(FBtnDirectPlay, &TImageButton::clicked, this, [this] { Guarded([&] { FLogic->btnDirectPlayClick(); }); });
  connect(FBtnPointPlayPage, &TImageButton::mouseReleased, this,
          [this] { Guarded([&] { FLogic->btnPointPlayPageMouseUp(); }); });
  connect(FBtnNotify, &TImageButton::clicked, this, [this] { Guarded([&] { FLogic->btnNotifyClick(); }); });
  connect(FBtnExit, &TImageButton::clicked, this, [this] { FLogic->btnCloseClick(); });

  FBtnLoginState = new QLabel(FPnlDown);
  FBtnLoginState->setPixmap(QPixmap(QStringLiteral(":/ui/pictures/login-state.png")));
  FBtnLoginState->resize(27, 27);
  // Shown as drawn, not greyed: it takes no input, but it is no disabled control either.
  FBtnLoginState->setAttribute(Qt::WA_TransparentForMouseEvents);
  FLblLoginState = new QLabel(FPnlDown);
  FLblLoginState->setFont(UiFont(16, true));
  FLblLoginState->setStyleSheet(QStringLiteral("color: #808080;"));
  FLblLoginState->resize(104, 22);

  FBtnChange = new TImageButton(QStringLiteral(":/ui/pictures/btn-change.png"), FPnlDown);
  FBtnChange->resize(26, 25);
  FBtnChange->setToolTip(QStringLiteral("切换屏幕"));
  connect(FBtnChange, &TImageButton::mouseReleased, this, [this] { btnChangeMouseUp(); });
  FBtnSetting = new TImageButton(QStringLiteral(":/ui/pictures/btn-setting.png"), FPnlDown);
  FBtnSetting->resize(25, 25);
  connect(FBtnSetting, &TImageButton::clicked, this, [this] { FLogic->btnSettingClick(); });

  FPnlPowerOff = ColouredPanel(FPnlDown, Qt::white);
  FPnlPowerOff->resize(23, 23);
  FPmPowerOff = new QMenu(this);
  FPmPowerOff->setFont(UiFont(14));
  connect(FPmPowerOff->addAction(QStringLiteral("Power Off")), &QAction::triggered, this, [this] { N1Click(); });
  FPnlPowerOff->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(FPnlPowerOff, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { FPmPowerOff->popup(FPnlPowerOff->mapToGlobal(at)); });
}

void TVireoMainForm::CreateTray() {
  FPmTrayIcon = new QMenu(this);
  FPmTrayIcon->setFont(UiFont(14));
  connect(FPmTrayIcon->addAction(QStringLiteral("设置")), &QAction::triggered, this, [this] { FLogic->btnSettingClick(); });
  FPmTrayIcon->addSeparator();
  connect(FPmTrayIcon->addAction(QStringLiteral("关闭")), &QAction::triggered, this, [this] { FLogic->N4Click(); });
  FPmTrayIcon->addSeparator();

  FTrayIcon = new QSystemTrayIcon(AppIcon(), this);
  FTrayIcon->setToolTip(QCoreApplication::applicationName().left(127));
  FTrayIcon->setContextMenu(FPmTrayIcon);
  // A double click also starts with a single click, which is the one that counts.
  connect(FTrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) Guarded([&] { FLogic->CoolTrayIcon1Click(); });
  });
  FTrayIcon->show();
}

void TVireoMainForm::LayoutFrames() {
  for (QWidget* panel : {FPnlDirectPlayer, FPnlPointPlayer, FPnlPointPlayPage, FPnlNotifyPage}) {
    panel->hide();
    panel->setGeometry(FPnlBody->rect());
  }
  FFrameDirectPlayer1->Frame().InitLayout();
  FFrameNotifyPage1->Frame().InitLayout();
  FFrameNotifyPage1->Frame().DocPath = AppDir() + QStringLiteral("doc/");
  QDir().mkpath(FFrameNotifyPage1->Frame().DocPath);

  FPnlMainImg->setGeometry(FPnlBody->rect());
  FPnlMainImg->hide();
  FImgMain->show();
  QPixmap picture(AppDir() + QStringLiteral("main.jpg"));
  if (picture.isNull()) picture.load(QStringLiteral(":/ui/pictures/main.png"));
  static_cast<TStretchedImage*>(FImgMain)->SetPicture(picture);
}

bool TVireoMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) {
    if (watched == FPnlBody) pnlBodyResize();
    if (watched == FPnlDown) LayoutTools();
  } else if (event->type() == QEvent::MouseButtonPress) {
    auto* widget = qobject_cast<QWidget*>(watched);
    // A press travels up the parents of the widget under the mouse; it counts once.
    const ulong stamp = static_cast<QMouseEvent*>(event)->timestamp();
    if (widget && widget->window() == this && stamp != FLastPress) {
      FLastPress = stamp;
      FLogic->MouseActivate();
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TVireoMainForm::pnlBodyResize() {
  for (QWidget* panel : {FPnlMainImg, FPnlDirectPlayer, FPnlPointPlayer, FPnlPointPlayPage, FPnlNotifyPage})
    panel->setGeometry(FPnlBody->rect());
  FImgMain->setGeometry(FPnlMainImg->rect());
  for (QWidget* frame : std::initializer_list<QWidget*>{FFrameDirectPlayer1, FFramePointPlayer1, FFramePointPlayPage1,
                                                        FFrameNotifyPage1})
    frame->setGeometry(frame->parentWidget()->rect());
  FPnlDown->setGeometry(0, FPnlBody->height() - FPnlDown->height(), FPnlBody->width(), FPnlDown->height());
  FPnlDown->raise();
}

void TVireoMainForm::LayoutTools() {
  const int w = width();
  const int top = (FPnlDown->height() - 32) / 2;
  FPanel1->setGeometry(0, 0, FPnlDown->width(), 1);
  int left = (FPnlDown->width() - 665) / 2;
  for (TImageButton* button : {FBtnDirectPlay, FBtnPointPlayPage, FBtnNotify, FBtnExit}) {
    button->move(left, top);
    left += 190;
  }
  // The label may need more room than its 104 pixels for a long terminal number.
  FLblLoginState->setGeometry(w - 260, top + 6, std::max(104, FLblLoginState->sizeHint().width()), 22);
  FBtnLoginState->move(FLblLoginState->x() - 30, top + 4);
  FBtnChange->move(w - 110, top + 4);
  FBtnSetting->move(w - 50, top + 4);
  FPnlPowerOff->move(FPnlDown->width() - FPnlPowerOff->width(), 10);
}

void TVireoMainForm::MoveToMonitor() {
  const QList<QScreen*> screens = QGuiApplication::screens();
  if (screens.isEmpty()) return;
  QScreen* screen = screens.value(FMonitorIndex, screens.first());
  setScreen(screen);
  setGeometry(screen->geometry());
}

void TVireoMainForm::btnChangeMouseUp() {
  const int count = static_cast<int>(QGuiApplication::screens().size());
  if (count == 0) return;
  const int next = (FMonitorIndex + 1) % count;
  if (next == FMonitorIndex) return;
  FMonitorIndex = next;
  MoveToMonitor();
  LayoutTools();
  FFrameNotifyPage1->Frame().SetPageSize(FPnlBody->width(), FPnlBody->height());
}

void TVireoMainForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FPnlBody->setGeometry(rect());
}

void TVireoMainForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) FLogic->FormShow();
}

void TVireoMainForm::closeEvent(QCloseEvent* event) {
  // The window is never closed by the user; it only hides.
  event->ignore();
  FLogic->FormCloseQuery();
}

void TVireoMainForm::N1Click() {
  FLogic->btnCloseClick();
  close();
}

void TVireoMainForm::PresentMsg(const TServerMsg& msg) {
  Guarded([&] { FLogic->PresentMsg(msg); });
}

bool TVireoMainForm::IsNewVersion(const QString& version) const { return version != FDM.IniParams().UpdateVersion; }

QWidget* TVireoMainForm::Panel(TPanelId panel) const {
  switch (panel) {
    case TPanelId::MainImg:
      return FPnlMainImg;
    case TPanelId::DirectPlayer:
      return FPnlDirectPlayer;
    case TPanelId::PointPlayer:
      return FPnlPointPlayer;
    case TPanelId::PointPlayPage:
      return FPnlPointPlayPage;
    case TPanelId::NotifyPage:
      return FPnlNotifyPage;
    case TPanelId::None:
      break;
  }
  return nullptr;
}

TImageButton* TVireoMainForm::Button(TButtonId button) const {
  switch (button) {
    case TButtonId::DirectPlay:
      return FBtnDirectPlay;
    case TButtonId::PointPlayPage:
      return FBtnPointPlayPage;
    case TButtonId::Notify:
      return FBtnNotify;
    case TButtonId::None:
      break;
  }
  return nullptr;
}

void TVireoMainForm::SetPanelVisible(TPanelId panel, bool visible) {
  if (QWidget* widget = Panel(panel)) {
    widget->setVisible(visible);
    if (visible) widget->raise();
  }
  FPnlDown->raise();
}

void TVireoMainForm::SetButtonMarked(TButtonId button, bool marked) {
  if (TImageButton* widget = Button(button)) widget->SetMarked(marked);
}

void TVireoMainForm::PostPresentRequest(int code) {
  QMetaObject::invokeMethod(this, [this, code] { Guarded([&] { FLogic->PresentRequest(code); }); },
                            Qt::QueuedConnection);
}

void TVireoMainForm::Delay(std::chrono::milliseconds wait) { ::Delay(static_cast<std::int32_t>(wait.count())); }

void TVireoMainForm::Sleep(std::chrono::milliseconds wait) { QThread::msleep(static_cast<unsigned long>(wait.count())); }

void TVireoMainForm::ShowTip(const QString& text) {
  if (!FTipForm) FTipForm = std::make_unique<TTipForm>(this, FDM.Log());
  FTipForm->ShowTip(text);
}

void TVireoMainForm::ShowWindow() {
  // Without a window manager a full-screen request alone leaves the window at its default size;
  // the geometry of the monitor is set as well.
  MoveToMonitor();
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
  update();
}

void TVireoMainForm::GiveUpActivation() {
  // Nothing to hand over on X11: every press on the window already counts as an activating
  // click, whether or not the window is active.
}

bool TVireoMainForm::SettingsVisible() const { return FSettingForm->isVisible(); }

void TVireoMainForm::ShowSettings() {
  FSettingForm->show();
  FSettingForm->raise();
  FSettingForm->activateWindow();
}

bool TVireoMainForm::LoggedIn() const { return FDM.LoginForm() && FDM.LoginForm()->LoggedIn(); }

void TVireoMainForm::ShowLoginWindow() {
  if (FDM.LoginForm()) FDM.LoginForm()->Show();
}

void TVireoMainForm::SetLoginState(bool visible, const QString& text) {
  FLblLoginState->setText(text);
  FLblLoginState->setVisible(visible);
  FBtnLoginState->setVisible(visible);
  LayoutTools();
}

bool TVireoMainForm::TrayAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TVireoMainForm::Terminate() { QCoreApplication::exit(0); }

void TVireoMainForm::LiveToDo(const TServerMsg& msg) { FFrameDirectPlayer1->Frame().ToDo(msg); }
void TVireoMainForm::LiveStop() { FFrameDirectPlayer1->Frame().StopLive(); }
void TVireoMainForm::LiveSetMuted(bool muted) { FFrameDirectPlayer1->Frame().SetMuted(muted); }
bool TVireoMainForm::LiveActive() const { return FFrameDirectPlayer1->Frame().LiveActive; }
void TVireoMainForm::SetLiveActive(bool active) { FFrameDirectPlayer1->Frame().LiveActive = active; }
void TVireoMainForm::PointPlayTask(const TServerMsg& msg) { FFramePointPlayer1->Frame().PlayTask(msg); }
void TVireoMainForm::PointPause() { FFramePointPlayer1->Frame().PausePlay(); }
void TVireoMainForm::PointStop() { FFramePointPlayer1->Frame().StopPlay(); }
void TVireoMainForm::PointResume() { FFramePointPlayer1->ShowPlayer().Resume(); }
void TVireoMainForm::ListLoad() { FFramePointPlayPage1->Frame().LoadListPage(); }
void TVireoMainForm::NoticeShow(const TServerMsg& msg) {
  // The notice panel appears a second after this request. Shown now beneath the current panel,
  // its page is already drawn when the panel is raised; a web view that becomes visible only then
  // takes a few hundred milliseconds more to draw its first picture.
  if (FPnlNotifyPage->isHidden()) {
    FPnlNotifyPage->lower();
    FPnlNotifyPage->show();
  }
  FFrameNotifyPage1->Frame().ShowNotice(msg);
}
void TVireoMainForm::NoticePreload(const TServerMsg& msg) { FFrameNotifyPage1->Frame().PreloadNotice(msg); }
void TVireoMainForm::NoticeCancelPreload() { FFrameNotifyPage1->Frame().CancelPreload(); }

TVireoWindowFactory::TVireoWindowFactory(const IClock& clock, const QString& fileVersion)
    : FClock(clock), FVersionText(VersionTextOf(fileVersion)) {}

TVireoWindowFactory::~TVireoWindowFactory() = default;

std::unique_ptr<ILoginWindow> TVireoWindowFactory::CreateLoginForm(TDM& dm) {
  return std::make_unique<TLoginForm>(dm.IniParams(), dm, FMessageBoxes, FVersionText);
}

IMainWindow* TVireoWindowFactory::CreateMainForm(TDM& dm) {
  // The debug window exists from start-up on, hidden; its memos fill while nobody looks.
  FDebugForm = std::make_unique<TDebugForm>(dm.Log(), FClock);
  FMainForm = std::make_unique<TVireoMainForm>(dm, *FDebugForm, FMessageBoxes, FVersionText);
  return FMainForm.get();
}
