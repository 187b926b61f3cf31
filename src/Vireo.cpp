// Program entry: one instance per machine, then the controller and the event loop.

#include "core/DMs.h"
#include "core/uClock.h"
#include "frames/TWebView.h"
#include "frames/uUtils.h"
#include "net/TQtClientSocket.h"
#include "platform/TCrashReporter.h"
#include "platform/TServiceNotify.h"
#include "platform/TSignalQuit.h"
#include "platform/TSingleInstance.h"
#include "ui/FrmMains.h"
#include "ui/TRemoteServer.h"

#include <QApplication>
#include <QScreen>

namespace {

// The screens, for crash reports: which monitor a fault happened on is often the question.
QString ScreensText() {
  QStringList lines;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect g = screen->geometry();
    lines << QStringLiteral("Screen %1: %2x%3+%4+%5").arg(screen->name()).arg(g.width()).arg(g.height()).arg(g.x()).arg(g.y());
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

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
  const QString appDir = QApplication::applicationDirPath();
  const QString fileVersion = ReadFileVersionText(QApplication::applicationFilePath());
#if !defined(__SANITIZE_ADDRESS__)
  // A fault leaves a report in Log/ and ends the process by its signal, so the service manager
  // restarts it. (Sanitizer builds keep the sanitizer's own reports.)
  TCrashReporter::Install(appDir, fileVersion, ScreensText());
#endif
  // Ready, and alive for the service manager's watchdog while this thread serves events, the
  // login window's wait included.
  const TServiceNotify serviceNotify;

  const TSystemClock clock;
  TVireoWindowFactory windows(clock, fileVersion);
  TQtClientSocket socket;
  TDM dm(appDir, clock, socket, windows);
  for (const QString& report : TCrashReporter::NewReports(appDir))
    dm.Log().LogHint(QStringLiteral("上次运行异常结束，崩溃报告：Log/") + report);
  // Other programs of this user may stop a frame or end the terminal, also during the login.
  TRemoteServer remote(dm.Log(), [&windows](quint32 message, qint64 wParam) {
    if (TVireoMainForm* main = windows.MainForm()) main->RemoteMessage(message, wParam);
  });
  remote.Listen();
  if (!dm.DataModuleCreate()) return 0;
  if (windows.MainForm()->ShowMainForm()) windows.MainForm()->show();
  return QApplication::exec();
}
