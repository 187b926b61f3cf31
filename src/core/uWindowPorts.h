#pragma once
// What the controller asks of the main window and the login window, and what those windows ask
// of the controller, and nothing more, so that each side runs with fakes of the other in tests.

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
  // A refused login: clears LoggedIn, so the next heartbeat tick logs in again instead of
  // keeping a session the platform refused.
  virtual void LoginFailed(const QString& message) = 0;
  virtual void LoginSucceeded() = 0;  // saves settings, sets LoggedIn, closes the dialog
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool IsVisible() const = 0;
  virtual bool LoggedIn() const = 0;
  virtual void MoveOffScreen() = 0;  // automatic login: the window exists but is never seen
};

// What the login and settings windows ask of the controller.
class IConnectionControl {
 public:
  virtual ~IConnectionControl() = default;
  virtual void SaveSettings() = 0;  // a failed write is logged, never thrown
  // Drops the connection, if any, and starts connecting to host:port.
  virtual void ConnectTo(const QString& host, int port) = 0;
  virtual void StopTasks() = 0;  // stops the task clock, clears the schedule, shows the idle picture
  virtual void Relogin() = 0;    // hides the main window and logs in again with the login window up
};
