#pragma once
// What the controller asks of the main window and the login window, and nothing more, so that
// it runs with the real windows, with minimal stand-ins, or with fakes in tests.

#include "protocol/uMyRecords.h"

#include <QString>

class IMainWindow {
 public:
  virtual ~IMainWindow() = default;
  virtual void PresentMsg(const TServerMsg& msg) = 0;
  virtual void SetShowMainForm(bool value) = 0;
  virtual void ShowLoginState() = 0;
  virtual void HideLoginState() = 0;
  virtual void AddLogEx(const QString& text) = 0;
  virtual bool IsNewVersion(const QString& version) const = 0;
  virtual void SetLockScreen(bool flag) = 0;
  virtual void HideMainForm() = 0;
  virtual bool LiveActive() const = 0;  // the live-broadcast frame is playing
  virtual void StopLive() = 0;
};

class ILoginWindow {
 public:
  virtual ~ILoginWindow() = default;
  // Runs the modal login dialog; true when a login succeeded before it closed.
  virtual bool ShowLoginModal() = 0;
  virtual void SetStatus(const QString& text) = 0;
  virtual void Connected() = 0;
  virtual void ConnectFailed(int errorCode) = 0;  // clears LoggedIn
  virtual void LoginFailed(const QString& message) = 0;
  virtual void LoginSucceeded() = 0;  // saves settings, sets LoggedIn, closes the dialog
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool IsVisible() const = 0;
  virtual bool LoggedIn() const = 0;
  virtual void MoveOffScreen() = 0;  // automatic login: the window exists but is never seen
};
