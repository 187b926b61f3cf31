#include "ui/FrmSettings.h"

#include "ui/uSkinControls.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QScreen>
#include <QShowEvent>

using namespace SkinnedDialog;

namespace {

constexpr int kWidth = 385;
constexpr int kHeight = 345;
constexpr int kAccountHeight = 136;
constexpr int kBottomHeight = 80;
constexpr int kServerHeight = kHeight - kTitleHeight - kAccountHeight - kBottomHeight;

}  // namespace

TSettingForm::TSettingForm(TIniParams& iniParams, IConnectionControl& control, IMessageBoxes& messages,
                           QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FIniParams(iniParams),
      FControl(control),
      FMessages(messages) {
  FBtnClose = Dress(this, QStringLiteral("设置"), QStringLiteral("设置"), QSize(kWidth, kHeight));

  const int serverTop = kTitleHeight;
  const int serverRows = (kServerHeight - 2 * kRowHeight - 6) / 2;
  FFields.Host = AddRowEdit(this, QStringLiteral("服务器IP："), serverTop + serverRows);
  FFields.Port = AddRowEdit(this, QStringLiteral("通讯端口："), serverTop + serverRows + kRowHeight + 6);

  const int accountTop = serverTop + kServerHeight;
  AddSeparator(this, accountTop);
  FFields.User = AddRowEdit(this, QStringLiteral("终端编号："), accountTop + 8);
  FFields.Password = AddRowEdit(this, QStringLiteral("密码："), accountTop + 46);
  FFields.Password->setEchoMode(QLineEdit::Password);
  FFields.AutoHide = AddRowCheckBox(this, FIniParams.AutoHideCaption, accountTop + 84);
  FCbLoopPointPlay = AddRowCheckBox(this, QStringLiteral("循环播放点播"), accountTop + 110);

  const int bottomTop = accountTop + kAccountHeight;
  constexpr int kGap = 30;
  const int buttonsLeft = (kWidth - 111 - kGap - 113) / 2;
  FBtnOK = new TImageButton(QStringLiteral(":/ui/pictures/btn-ok.png"), this);
  FBtnOK->setGeometry(buttonsLeft, bottomTop + (kBottomHeight - 41) / 2, 111, 41);
  FBtnCancel = new TImageButton(QStringLiteral(":/ui/pictures/btn-cancel.png"), this);
  FBtnCancel->setGeometry(buttonsLeft + 111 + kGap, bottomTop + (kBottomHeight - 41) / 2, 113, 41);

  connect(FBtnOK, &TImageButton::clicked, this, &TSettingForm::btnOkClick);
  connect(FBtnCancel, &TImageButton::clicked, this, &TSettingForm::btnCancelClick);
  connect(FBtnClose, &TImageButton::clicked, this, &TSettingForm::btnCancelClick);
}

void TSettingForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  if (!FCentred) {
    FCentred = true;
    if (const QScreen* screen = this->screen()) move(screen->geometry().center() - rect().center());
  }
  // Each time the window comes back it shows the stored settings, not what was typed and left.
  FBtnOK->setEnabled(true);
  FFields.AutoHide->setText(FIniParams.AutoHideCaption);
  FFields.Fill(FIniParams);
  FCbLoopPointPlay->setChecked(FIniParams.LoopPointPlay);
}

void TSettingForm::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
}

void TSettingForm::btnCancelClick() { hide(); }

void TSettingForm::btnOkClick() {
  if (const QString error = FFields.ServerError(); !error.isEmpty()) {
    FMessages.ShowMessage(this, error);
    return;
  }
  const QString oldHost = FIniParams.SvrHost;
  const QString oldUser = FIniParams.SvrUser;
  const QString oldPassword = FIniParams.SvrPassword;
  const int oldPort = FIniParams.SvrPort;
  FFields.Store(FIniParams);
  FIniParams.LoopPointPlay = FCbLoopPointPlay->isChecked();
  FControl.SaveSettings();
  hide();
  if (FIniParams.SvrHost == oldHost && FIniParams.SvrPort == oldPort && FIniParams.SvrUser == oldUser &&
      FIniParams.SvrPassword == oldPassword)
    return;
  FControl.StopTasks();
  FControl.Relogin();
}
