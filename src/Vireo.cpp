// Program entry: one instance per machine, then the controller and the event loop.

#include "core/DMs.h"
#include "core/uClock.h"
#include "frames/TWebView.h"
#include "net/TQtClientSocket.h"
#include "platform/TSignalQuit.h"
#include "platform/TSingleInstance.h"
#include "ui/FrmMains.h"
#include "ui/TRemoteServer.h"

#include <QApplication>

int main(int argc, char** argv) {
  const TSingleInstance instance(QStringLiteral("(Kelo_Vireo)Only One Application Instance Run!"));
  if (!instance.IsFirst()) return 0;

  PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vireo"));
  QApplication::setApplicationDisplayName(QStringLiteral("Vireo"));
  // The terminal waits in the tray with no window shown; that is not a reason to exit.
  QApplication::setQuitOnLastWindowClosed(false);
  // A service manager's stop (or Ctrl-C) ends the loop normally, so settings are saved and the
  // last log entry is written.
  const TSignalQuit signalQuit;

  const TSystemClock clock;
  TVireoWindowFactory windows(clock);
  TQtClientSocket socket;
  TDM dm(QApplication::applicationDirPath(), clock, socket, windows);
  // Other programs of this user may stop a frame or end the terminal, also during the login.
  TRemoteServer remote(dm.Log(), [&windows](quint32 message, qint64 wParam) {
    if (TVireoMainForm* main = windows.MainForm()) main->RemoteMessage(message, wParam);
  });
  remote.Listen();
  if (!dm.DataModuleCreate()) return 0;
  if (windows.MainForm()->ShowMainForm()) windows.MainForm()->show();
  return QApplication::exec();
}
