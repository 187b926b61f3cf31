#pragma once
// The controller: owns the settings, the log, the connection to the platform with its frame
// assembler and sender, the task list and the three timers. It logs in on every connection,
// turns each received message into a record and dispatches it, keeps the connection alive and
// drives the task clock. It reaches the windows only through IMainWindow and ILoginWindow.

#include "core/uClock.h"
#include "core/uIniParams.h"
#include "core/uLog.h"
#include "core/uUpdateHandOff.h"
#include "core/uWindowPorts.h"
#include "net/uClientSocket.h"
#include "platform/TProfileFile.h"
#include "protocol/uDecHeads.h"
#include "protocol/uSendSocketDatas.h"
#include "schedule/uTaskList.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>

class TDM;

// A controller timer. Its handler runs with the timer paused, so a slow handler is never entered
// again by its own timer; when the handler ends the timer runs again, unless something stopped
// it on purpose meanwhile (a settings change inside a handler's wait stops the clocks for good).
class THandlerTimer final : public QTimer {
 public:
  // A deliberate stop; use it instead of stop().
  void Stop() {
    ++FStops;
    stop();
  }

  class TPause {
   public:
    explicit TPause(THandlerTimer& timer) : FTimer(timer), FStopsBefore(timer.FStops) { FTimer.stop(); }
    ~TPause() {
      if (FTimer.FStops == FStopsBefore && !FTimer.isActive()) FTimer.start();
    }
    TPause(const TPause&) = delete;
    TPause& operator=(const TPause&) = delete;

   private:
    THandlerTimer& FTimer;
    const int FStopsBefore;
  };

 private:
  int FStops = 0;
};

// Creates the windows when the controller's start-up asks for them.
class IWindowFactory {
 public:
  virtual ~IWindowFactory() = default;
  virtual std::unique_ptr<ILoginWindow> CreateLoginForm(TDM& dm) = 0;
  // The main window and the debug window; they stay with the factory.
  virtual IMainWindow* CreateMainForm(TDM& dm) = 0;
};

// The controller's timing. The program uses these values; tests that run the real event loop
// may shorten them.
struct TDMIntervals {
  std::chrono::milliseconds Ping{15000};
  std::chrono::milliseconds Task{7000};
  std::chrono::milliseconds UpdateDelay{1000};
  // A connection that has brought no complete message for longer than this is dropped.
  std::chrono::milliseconds SilenceLimit{40000};
};

class TDM final : public QObject, public IConnectionControl, private IClientSocketEvents {
  Q_OBJECT

 public:
  // appDir holds "Setting.ini", "Log/" and "Update.ini".
  TDM(QString appDir, const IClock& clock, IClientSocket& socket, IWindowFactory& windows,
      TDMIntervals intervals = {}, QObject* parent = nullptr);
  ~TDM() override;

  // The constructor makes the log, the settings, the sender and the task list; this runs the
  // rest of start-up: automatic login, or the modal login dialog. False when the program is to
  // end (the dialog closed without a login).
  bool DataModuleCreate();
  // Saves the settings and writes the last log entry; runs once, also from the destructor.
  void DataModuleDestroy();

  void LoadSettings();
  void SaveSettings() override;
  void ConnectTo(const QString& host, int port) override;
  void Reconnect(bool showLoginWindow);
  void StopTasks() override;
  void Relogin() override;

  // Timer handlers, public so that tests drive them without waiting.
  void tmrPingSvrTimer();
  void tmrTaskTimer();
  void tmrUpdateTimer();

  TIniParams& IniParams() { return FIniParams; }
  TLog& Log() { return *FLog; }
  TTaskList& TaskList() { return FTaskList; }
  const TUpdateHandOff& Update() const { return *FUpdate; }
  ILoginWindow* LoginForm() const { return FLoginForm.get(); }
  IMainWindow* MainForm() const { return FMainForm; }
  const QTimer& tmrPingSvr() const { return FPingTimer; }
  const QTimer& tmrTask() const { return FTaskTimer; }
  const QTimer& tmrUpdate() const { return FUpdateTimer; }

 private:
  void ClientSocket1Connecting() override;
  void ClientSocket1Connect() override;
  void ClientSocket1Disconnect() override;
  void ClientSocket1Read() override;
  void ClientSocket1Error(int errorCode) override;

  void HandleMessage(const QString& body);
  void ApplySchedule(TServerMsg& msg);
  QString ScheduleSummary(const TServerMsg& msg) const;
  // Runs work; an exception is logged instead of leaving the event handler.
  template <typename F>
  void Guarded(const char* where, F&& work);

  QString FAppDir;
  const IClock& FClock;
  IClientSocket& FSocket;
  IWindowFactory& FWindows;
  const TDMIntervals FIntervals;

  std::unique_ptr<TLog> FLog;
  std::unique_ptr<TProfileFile> FIniFile;
  TIniParams FIniParams;
  std::unique_ptr<TDecHead> FDecHead;
  std::unique_ptr<TSendSocketData> FSendSocketData;
  TTaskList FTaskList;
  std::unique_ptr<TUpdateHandOff> FUpdate;
  std::unique_ptr<ILoginWindow> FLoginForm;
  IMainWindow* FMainForm = nullptr;

  THandlerTimer FPingTimer;
  THandlerTimer FTaskTimer;
  THandlerTimer FUpdateTimer;
  // Steady ms of the last complete message, or of the connection when none came since.
  qint64 LastRecvTime = 0;
  int FRefusedPort = 0;  // an out-of-range port already reported
  QString RecvText;
  bool FDestroyed = false;
};
