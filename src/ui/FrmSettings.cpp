#include "ui/FrmSettings.h"

#include "frames/uUtils.h"
#include "ui/uSkinControls.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QShowEvent>

namespace {

constexpr int kWidth = 385;
constexpr int kHeight = 345;
constexpr int kTitleHeight = 41;
constexpr int kAccountHeight = 136;
constexpr int kBottomHeight = 80;
constexpr int kServerHeight = kHeight - kTitleHeight - kAccountHeight - kBottomHeight;
// Labels end where the edits begin; the pair is centred in the window.
constexpr int kLabelLeft = 30;
constexpr int kLabelWidth = 100;
constexpr int kEditLeft = 136;
constexpr int kEditWidth = 210;
constexpr int kRowHeight = 32;

QLineEdit* AddRowEdit(QWidget* parent, const QString& label, int top) {
  auto* caption = new QLabel(label, parent);
  SetUiFont(caption, 16);
  caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  caption->setGeometry(kLabelLeft, top, kLabelWidth, kRowHeight);
  auto* edit = new QLineEdit(parent);
  SetUiFont(edit, 16);
  edit->setGeometry(kEditLeft, top, kEditWidth, kRowHeight);
  return edit;
}

QCheckBox* AddCheckBox(QWidget* parent, const QString& caption, int top) {
  auto* box = new QCheckBox(caption, parent);
  SetUiFont(box, 16);
  box->setGeometry(kEditLeft, top, kEditWidth, 22);
  return box;
}

}  // namespace

TSettingForm::TSettingForm(TIniParams& iniParams, IConnectionControl& control, IMessageBoxes& messages,
                           QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FIniParams(iniParams),
      FControl(control),
      FMessages(messages) {
  setWindowTitle(QStringLiteral("设置"));
  setFixedSize(kWidth, kHeight);
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setStyleSheet(QStringLiteral(
      "QLabel { color: #333333; }"
      "QLineEdit { border: 1px solid #C8CDD4; border-radius: 3px; padding: 0 6px; background: white; color: #222222; }"
      "QLineEdit:focus { border-color: #0080FF; }"
      "QFrame#separator { background: #E6E9EE; }"
      "QCheckBox { color: #333333; }"));

  auto* title = new TTitleStrip(QColor(0x00, 0x80, 0xFF), this);
  title->setGeometry(0, 0, kWidth, kTitleHeight);
  auto* caption = new QLabel(QStringLiteral("设置"), title);
  SetUiFont(caption, 18, true);
  caption->setStyleSheet(QStringLiteral("color: white;"));
  caption->setGeometry(16, 0, 200, kTitleHeight);
  caption->setAttribute(Qt::WA_TransparentForMouseEvents);
  FBtnClose = new TImageButton(QStringLiteral(":/ui/pictures/btn-close.png"), title);
  FBtnClose->setGeometry(kWidth - 41, 0, 41, 41);

  const int serverTop = kTitleHeight;
  const int serverRows = (kServerHeight - 2 * kRowHeight - 6) / 2;
  FEdtHost = AddRowEdit(this, QStringLiteral("服务器IP："), serverTop + serverRows);
  FEdtPort = AddRowEdit(this, QStringLiteral("通讯端口："), serverTop + serverRows + kRowHeight + 6);

  const int accountTop = serverTop + kServerHeight;
  auto* line = new QFrame(this);
  line->setObjectName(QStringLiteral("separator"));
  line->setGeometry(20, accountTop, kWidth - 40, 1);
  FEdtUser = AddRowEdit(this, QStringLiteral("终端编号："), accountTop + 8);
  FEdtPassword = AddRowEdit(this, QStringLiteral("密码："), accountTop + 46);
  FEdtPassword->setEchoMode(QLineEdit::Password);
  FCbAppAutoHide = AddCheckBox(this, FIniParams.AutoHideCaption, accountTop + 84);
  FCbLoopPointPlay = AddCheckBox(this, QStringLiteral("循环播放点播"), accountTop + 110);

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
  FCbAppAutoHide->setText(FIniParams.AutoHideCaption);
  FEdtHost->setText(FIniParams.SvrHost);
  FEdtPort->setText(QString::number(FIniParams.SvrPort));
  FEdtUser->setText(FIniParams.SvrUser);
  FEdtPassword->setText(FIniParams.SvrPassword);
  FCbAppAutoHide->setChecked(FIniParams.AutoHide);
  FCbLoopPointPlay->setChecked(FIniParams.LoopPointPlay);
}

void TSettingForm::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
}

void TSettingForm::btnCancelClick() { hide(); }

void TSettingForm::btnOkClick() {
  if (!IsIPv4Text(FEdtHost->text())) {
    FMessages.ShowMessage(this, QStringLiteral("IP填写错误！"));
    return;
  }
  if (!IsPortText(FEdtPort->text())) {
    FMessages.ShowMessage(this, QStringLiteral("端口填写错误！"));
    return;
  }
  const QString oldHost = FIniParams.SvrHost;
  const QString oldUser = FIniParams.SvrUser;
  const QString oldPassword = FIniParams.SvrPassword;
  const int oldPort = FIniParams.SvrPort;
  FIniParams.SvrHost = FEdtHost->text().trimmed();
  FIniParams.SvrPort = FEdtPort->text().trimmed().toInt();
  FIniParams.SvrUser = FEdtUser->text().trimmed();
  FIniParams.SvrPassword = FEdtPassword->text().trimmed();
  FIniParams.AutoHide = FCbAppAutoHide->isChecked();
  FIniParams.LoopPointPlay = FCbLoopPointPlay->isChecked();
  FControl.SaveSettings();
  hide();
  if (FIniParams.SvrHost == oldHost && FIniParams.SvrPort == oldPort && FIniParams.SvrUser == oldUser &&
      FIniParams.SvrPassword == oldPassword)
    return;
  FControl.StopTasks();
  FControl.Relogin();
}
