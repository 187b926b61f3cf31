#include "ui/uConnectionFields.h"

#include "frames/uUtils.h"

#include <QCheckBox>
#include <QLineEdit>

void TConnectionFields::Fill(const TIniParams& params) const {
  Host->setText(params.SvrHost);
  Port->setText(QString::number(params.SvrPort));
  User->setText(params.SvrUser);
  Password->setText(params.SvrPassword);
  AutoHide->setChecked(params.AutoHide);
}

QString TConnectionFields::ServerError() const {
  if (!IsIPv4Text(Host->text())) return QStringLiteral("IP填写错误！");
  if (!IsPortText(Port->text())) return QStringLiteral("端口填写错误！");
  return {};
}

void TConnectionFields::Store(TIniParams& params) const {
  params.SvrHost = Host->text().trimmed();
  params.SvrPort = Port->text().trimmed().toInt();
  params.SvrUser = User->text().trimmed();
  params.SvrPassword = Password->text().trimmed();
  params.AutoHide = AutoHide->isChecked();
}
