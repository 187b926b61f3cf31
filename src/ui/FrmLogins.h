#pragma once
// The login window: server address, terminal number and password, checked and stored before the
// controller connects; the controller reports the connection's progress back through
// ILoginWindow. Hidden, it stays alive off-screen so the tray can bring it back.

#include "core/uIniParams.h"
#include "core/uWindowPorts.h"
#include "ui/uConnectionFields.h"

#include <QTimer>
#include <QWidget>

class IMessageBoxes;
class QCheckBox;
class QEventLoop;
class QLabel;
class QLineEdit;
class TImageButton;

class TLoginForm final : public QWidget, public ILoginWindow {
  Q_OBJECT

 public:
  static constexpr int kCheckServerMs = 5000;

  TLoginForm(TIniParams& iniParams, IConnectionControl& control, IMessageBoxes& messages,
             const QString& versionText, QWidget* parent = nullptr);

  // Shows the window and serves events until a login succeeds or the application exits. Hiding
  // the window does not end the wait: the tray shows it again.
  bool ShowLoginModal() override;
  void SetStatus(const QString& text) override;
  void Connected() override;
  void ConnectFailed(int errorCode) override;
  void LoginFailed(const QString& message) override;
  void LoginSucceeded() override;
  void Show() override;
  void Hide() override;
  bool IsVisible() const override { return isVisible(); }
  bool LoggedIn() const override { return FLoggedIn; }
  void MoveOffScreen() override;

  // Checks the fields, stores them and starts connecting.
  void btnOkClick();
  // The server took too long to answer the login.
  void tmrCheckSvrTimer();

  // The host text as typed and the port of the login last started.
  const QString& LastHost() const { return FLastHost; }
  int LastPort() const { return FLastPort; }

  QLineEdit* edtHost() const { return FFields.Host; }
  QLineEdit* edtPort() const { return FFields.Port; }
  QLineEdit* edtUser() const { return FFields.User; }
  QLineEdit* edtPassword() const { return FFields.Password; }
  QCheckBox* cbAppAutoHide() const { return FFields.AutoHide; }
  TImageButton* btnOk() const { return FBtnOk; }
  TImageButton* btnClose() const { return FBtnClose; }
  QLabel* pnlStatus() const { return FPnlStatus; }
  QLabel* lbVer() const { return FLbVer; }
  QTimer* tmrCheckSvr() { return &FTmrCheckSvr; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillFromSettings();
  void ShowMessage(const QString& text);

  TIniParams& FIniParams;
  IConnectionControl& FControl;
  IMessageBoxes& FMessages;
  TConnectionFields FFields;
  TImageButton* FBtnOk = nullptr;
  TImageButton* FBtnClose = nullptr;
  QLabel* FPnlStatus = nullptr;
  QLabel* FLbVer = nullptr;
  QTimer FTmrCheckSvr;
  QEventLoop* FModalLoop = nullptr;
  bool FLoggedIn = false;
  QString FLastHost;
  int FLastPort = 0;
  // A message box closed by Enter leaves the key's release to the edit behind it; that release
  // must not start the same failing login again.
  bool FSkipEnterRelease = false;
};
