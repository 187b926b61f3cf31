#include "ui/FrmLogins.h"

#include "ui/uSkinControls.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>

using namespace SkinnedDialog;

namespace {

constexpr int kWidth = 385;
constexpr int kHeight = 355;
constexpr int kServerHeight = 101;
constexpr int kAccountHeight = 108;
constexpr int kStatusHeight = 32;
constexpr int kShownTop = 200;
constexpr int kHiddenTop = -10000;

bool IsEnterKey(const QKeyEvent* key) { return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter; }

}  // namespace

TLoginForm::TLoginForm(TIniParams& iniParams, IConnectionControl& control, IMessageBoxes& messages,
                       const QString& versionText, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FIniParams(iniParams),
      FControl(control),
      FMessages(messages) {
  FBtnClose = Dress(this, QStringLiteral("登陆"), QStringLiteral("登录"), QSize(kWidth, kHeight));

  const int serverTop = kTitleHeight;
  FFields.Host = AddRowEdit(this, QStringLiteral("服务器IP："), serverTop + 15);
  FFields.Port = AddRowEdit(this, QStringLiteral("通讯端口："), serverTop + 55);
  const int accountTop = serverTop + kServerHeight;
  AddSeparator(this, accountTop);
  FFields.User = AddRowEdit(this, QStringLiteral("终端编号："), accountTop + 8);
  FFields.Password = AddRowEdit(this, QStringLiteral("密码："), accountTop + 46);
  FFields.Password->setEchoMode(QLineEdit::Password);
  FFields.AutoHide = AddRowCheckBox(this, FIniParams.AutoHideCaption, accountTop + 82);

  const int bottomTop = accountTop + kAccountHeight;
  FBtnOk = new TImageButton(QStringLiteral(":/ui/pictures/btn-login.png"), this);
  FBtnOk->setGeometry((kWidth - 261) / 2, bottomTop + 8, 261, 45);
  FLbVer = new QLabel(QStringLiteral("v") + versionText, this);
  SetUiFont(FLbVer, 12);
  FLbVer->setStyleSheet(QStringLiteral("color: #999999;"));
  FLbVer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  FLbVer->setGeometry(kWidth - 210, kHeight - kStatusHeight - 20, 200, 18);
  FPnlStatus = new QLabel(this);
  SetUiFont(FPnlStatus, 16);
  FPnlStatus->setAlignment(Qt::AlignCenter);
  FPnlStatus->setStyleSheet(QStringLiteral("background: #D7E8FF; color: #1F3A60;"));
  FPnlStatus->setGeometry(0, kHeight - kStatusHeight, kWidth, kStatusHeight);
  FPnlStatus->hide();

  for (QLineEdit* edit : {FFields.Host, FFields.Port, FFields.User, FFields.Password}) edit->installEventFilter(this);
  connect(FBtnOk, &TImageButton::clicked, this, &TLoginForm::btnOkClick);
  connect(FBtnClose, &TImageButton::clicked, this, &TLoginForm::Hide);
  FTmrCheckSvr.setInterval(kCheckServerMs);
  connect(&FTmrCheckSvr, &QTimer::timeout, this, &TLoginForm::tmrCheckSvrTimer);

  FillFromSettings();
  move(812, kShownTop);
}

void TLoginForm::FillFromSettings() {
  FFields.Fill(FIniParams);
}

bool TLoginForm::ShowLoginModal() {
  FLoggedIn = false;
  Show();
  // Not QDialog::exec: that wait ends when the window hides, and this one must outlast a trip
  // to the tray. QCoreApplication::exit ends every running loop, this one included.
  QEventLoop loop;
  FModalLoop = &loop;
  loop.exec();
  FModalLoop = nullptr;
  return FLoggedIn;
}

void TLoginForm::SetStatus(const QString& text) {
  FPnlStatus->setText(text);
  FPnlStatus->show();
}

void TLoginForm::Connected() {
  SetStatus(QStringLiteral("登录中......"));
  if (!FTmrCheckSvr.isActive()) FTmrCheckSvr.start();
}

void TLoginForm::ConnectFailed(int errorCode) {
  FLoggedIn = false;
  FBtnOk->setEnabled(true);
  SetStatus(QStringLiteral("连接服务器失败！错误代码 ") + QString::number(errorCode));
}

void TLoginForm::LoginFailed(const QString& message) {
  // The platform refused this session: the next heartbeat tick logs in again, and the tray
  // brings up this window rather than the main window.
  FLoggedIn = false;
  FBtnOk->setEnabled(true);
  SetStatus(QStringLiteral("登陆服务器失败！ ") + message);
}

void TLoginForm::LoginSucceeded() {
  FIniParams.AutoHide = FFields.AutoHide->isChecked();
  FControl.SaveSettings();
  FLoggedIn = true;
  Hide();
  if (FModalLoop) FModalLoop->quit();
}

void TLoginForm::Show() {
  show();
  raise();
  activateWindow();
}

void TLoginForm::Hide() {
  move(x(), kHiddenTop);
  hide();
}

void TLoginForm::MoveOffScreen() { Hide(); }

void TLoginForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  // Each time the window comes back it shows the stored settings, not what was typed and left.
  move(x(), kShownTop);
  FBtnOk->setEnabled(true);
  if (FIniParams.SvrHost.isEmpty()) FPnlStatus->hide();
  FillFromSettings();
}

void TLoginForm::closeEvent(QCloseEvent* event) {
  event->ignore();
  Hide();
}

bool TLoginForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched != FFields.Host && watched != FFields.Port && watched != FFields.User && watched != FFields.Password)
    return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress) {
    FSkipEnterRelease = false;
  } else if (event->type() == QEvent::KeyRelease) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (IsEnterKey(key) && !key->isAutoRepeat()) {
      if (FSkipEnterRelease)
        FSkipEnterRelease = false;
      else
        btnOkClick();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TLoginForm::ShowMessage(const QString& text) {
  FMessages.ShowMessage(this, text);
  FSkipEnterRelease = true;
}

void TLoginForm::btnOkClick() {
  if (const QString error = FFields.ServerError(); !error.isEmpty()) {
    ShowMessage(error);
    return;
  }
  if (FFields.User->text().trimmed().isEmpty()) {
    ShowMessage(QStringLiteral("用户名不能为空！"));
    FFields.User->selectAll();
    FFields.User->setFocus();
    return;
  }
  FBtnOk->setEnabled(false);
  FLastHost = FFields.Host->text();
  FFields.Store(FIniParams);
  FLastPort = FIniParams.SvrPort;
  FControl.SaveSettings();
  FControl.ConnectTo(FIniParams.SvrHost, FLastPort);
  SetStatus(QStringLiteral("连接中......"));
}

void TLoginForm::tmrCheckSvrTimer() {
  FTmrCheckSvr.stop();
  if (FBtnOk->isEnabled() || FLoggedIn) return;
  FBtnOk->setEnabled(true);
  SetStatus(QStringLiteral("服务器未响应"));
}
