#pragma once
// The settings window: server address, terminal number, password and the two options. A changed
// server or account drops the running schedule and logs in again; options alone are only saved.

#include "core/uIniParams.h"
#include "core/uWindowPorts.h"
#include "ui/uConnectionFields.h"

#include <QWidget>

class IMessageBoxes;
class QCheckBox;
class QLineEdit;
class TImageButton;

class TSettingForm final : public QWidget {
  Q_OBJECT

 public:
  TSettingForm(TIniParams& iniParams, IConnectionControl& control, IMessageBoxes& messages,
               QWidget* parent = nullptr);

  // Checks the address and port, stores everything and hides the window.
  void btnOkClick();
  // Hides the window; nothing is stored.
  void btnCancelClick();

  QLineEdit* edtHost() const { return FFields.Host; }
  QLineEdit* edtPort() const { return FFields.Port; }
  QLineEdit* edtUser() const { return FFields.User; }
  QLineEdit* edtPassword() const { return FFields.Password; }
  QCheckBox* cbAppAutoHide() const { return FFields.AutoHide; }
  QCheckBox* cbLoopPointPlay() const { return FCbLoopPointPlay; }
  TImageButton* btnOK() const { return FBtnOK; }
  TImageButton* btnCancel() const { return FBtnCancel; }
  TImageButton* btnClose() const { return FBtnClose; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  TIniParams& FIniParams;
  IConnectionControl& FControl;
  IMessageBoxes& FMessages;
  TConnectionFields FFields;
  QCheckBox* FCbLoopPointPlay = nullptr;
  TImageButton* FBtnOK = nullptr;
  TImageButton* FBtnCancel = nullptr;
  TImageButton* FBtnClose = nullptr;
  bool FCentred = false;
};
