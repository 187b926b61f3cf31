#include "core/DMs.h"

#include "core/uAppStatus.h"
#include "schedule/uReceive.h"

#include <QDir>

#include <exception>

namespace {

QString TaskAddresses(const TTask& task) {
  return task.Data.PointPlayUrl + task.Data.Content + task.Data.DirectPlayUrl;
}

}  // namespace

TDM::TDM(QString appDir, const IClock& clock, IClientSocket& socket, IWindowFactory& windows, TDMIntervals intervals,
         QObject* parent)
    : QObject(parent),
      FAppDir(std::move(appDir)),
      FClock(clock),
      FSocket(socket),
      FWindows(windows),
      FIntervals(intervals) {
  const QDir dir(FAppDir);
  FLog = std::make_unique<TLog>(dir.filePath(QStringLiteral("Log")) + QLatin1Char('/'), FClock);
  FDecHead = std::make_unique<TDecHead>(FLog.get());
  FIniFile = std::make_unique<TProfileFile>(dir.filePath(QStringLiteral("Setting.ini")));
  LoadSettings();
  FSocket.Close();
  FSocket.SetEvents(this);
  FSendSocketData = std::make_unique<TSendSocketData>(*FLog);
  FUpdate = std::make_unique<TUpdateHandOff>(FAppDir, *FLog);
  RecvText.clear();
  FIniParams.IsFirstUse = true;

  FPingTimer.setInterval(FIntervals.Ping);
  FTaskTimer.setInterval(FIntervals.Task);
  FUpdateTimer.setInterval(FIntervals.UpdateDelay);
  connect(&FPingTimer, &QTimer::timeout, this, &TDM::tmrPingSvrTimer);
  connect(&FTaskTimer, &QTimer::timeout, this, &TDM::tmrTaskTimer);
  connect(&FUpdateTimer, &QTimer::timeout, this, &TDM::tmrUpdateTimer);

  FLoginForm = FWindows.CreateLoginForm(*this);
}

TDM::~TDM() { DataModuleDestroy(); }

bool TDM::DataModuleCreate() {
  if (!FIniParams.SvrHost.isEmpty()) {
    FLoginForm->MoveOffScreen();
    Reconnect(false);
    FPingTimer.start();
    LastRecvTime = FClock.SteadyMs();
    FMainForm = FWindows.CreateMainForm(*this);
    return true;
  }
  FMainForm = FWindows.CreateMainForm(*this);
  const bool loggedIn = FLoginForm->ShowLoginModal();
  if (loggedIn && FIniParams.AutoHide) FMainForm->SetShowMainForm(false);
  return loggedIn;
}

void TDM::DataModuleDestroy() {
  if (FDestroyed) return;
  FDestroyed = true;
  FPingTimer.Stop();
  FTaskTimer.Stop();
  FUpdateTimer.Stop();
  FSocket.SetEvents(nullptr);
  SaveSettings();
  FLog->LogHint(QStringLiteral("退出程序！！"));
}

void TDM::LoadSettings() { ::LoadSettings(*FIniFile, FIniParams); }

void TDM::SaveSettings() {
  try {
    ::SaveSettings(*FIniFile, FIniParams);
  } catch (const std::exception& e) {
    FLog->LogHint(QStringLiteral("保存设置失败：") + QString::fromUtf8(e.what()));
  }
}

void TDM::ConnectTo(const QString& host, int port) {
  FSocket.Close();
  // A port that does not fit would be wrapped to another one (99999 to 34463).
  if (port < 1 || port > 65535) {
    if (port != FRefusedPort) FLog->LogError(QStringLiteral("服务器端口超出范围（1-65535）：%1，不连接").arg(port));
    FRefusedPort = port;
    return;
  }
  FRefusedPort = 0;
  FSocket.Open(host, port);
}

void TDM::Reconnect(bool showLoginWindow) {
  ConnectTo(FIniParams.SvrHost, FIniParams.SvrPort);
  if (showLoginWindow && FLoginForm) FLoginForm->Show();
}

void TDM::StopTasks() {
  FTaskTimer.Stop();
  FTaskList.Clear();
  TServerMsg idle;
  idle.Kind = mkIdle;
  if (FMainForm) FMainForm->PresentMsg(idle);
}

void TDM::Relogin() {
  if (FMainForm) FMainForm->HideMainForm();
  FPingTimer.Stop();
  Reconnect(true);
}

template <typename F>
void TDM::Guarded(const char* where, F&& work) {
  try {
    work();
  } catch (const std::exception& e) {
    FLog->LogHint(QString::fromLatin1(where) + QStringLiteral(" 异常：") + QString::fromUtf8(e.what()));
  } catch (...) {
    FLog->LogHint(QString::fromLatin1(where) + QStringLiteral(" 异常"));
  }
}

void TDM::ClientSocket1Connecting() {
  Guarded("ClientSocket1Connecting", [&] { FLoginForm->SetStatus(QStringLiteral("连接中 ...")); });
}

void TDM::ClientSocket1Connect() {
  Guarded("ClientSocket1Connect", [&] {
    // Bytes left over from a dropped connection must not prefix this one's stream, and its
    // silence is not this one's: the watchdog counts from now.
    FDecHead->Clear();
    LastRecvTime = FClock.SteadyMs();
    FLoginForm->Connected();
    TLoginData& login = FSendSocketData->LoginData;
    login.Username = FIniParams.SvrUser;
    login.Password = FIniParams.SvrPassword;
    login.ServerIp = FIniParams.SvrHost;
    FSendSocketData->SendLogin(FSocket);
  });
}

void TDM::ClientSocket1Disconnect() {
  FLog->LogHint(QStringLiteral("ClientSocket1Disconnect -> 与服务器断开连接"));
}

void TDM::ClientSocket1Error(int errorCode) {
  Guarded("ClientSocket1Error", [&] {
    FLoginForm->ConnectFailed(errorCode);
    FLog->LogError(QStringLiteral("ClientSocket1Error") + QString::number(errorCode));
  });
}

void TDM::ClientSocket1Read() {
  Guarded("ClientSocket1Read", [&] {
    const QByteArray bytes = FSocket.ReadAll();
    FDecHead->AddData(bytes);
    // Every complete message of this read is handled now; none waits for the next read. Only a
    // complete message counts as life: bytes of a frame that never completes (a wrong length in
    // its header) would otherwise keep a dead exchange alive for ever.
    while (FDecHead->CheckFrame()) {
      LastRecvTime = FClock.SteadyMs();
      HandleMessage(FDecHead->Body());
    }
  });
}

void TDM::HandleMessage(const QString& body) {
  RecvText = body;
  FLog->LogHint(QStringLiteral("接收到-》") + RecvText);
  TReceivedMsg received = ReceiveMessage(RecvText, FIniParams.PlayUrl, *FLog, FTaskList);
  TServerMsg& msg = received.Msg;

  if (msg.Kind == mkTask && FMainForm) FMainForm->SetLockScreen(msg.LockScreen);
  if (!msg.Valid) return;

  if (msg.Kind == mkLoginReply && msg.Success) {
    FPingTimer.start();
    FLoginForm->LoginSucceeded();
    FIniParams.VideoUrl = msg.VideoUrl;
    TLiveData_data& live = FSendSocketData->LiveData.Data;
    live.TerminalId = msg.TerminalId;
    live.TerminalGroupId = msg.TerminalGroupId;
    live.ServerIp = FIniParams.SvrHost;
    tmrPingSvrTimer();
    FTaskTimer.start();
    if (FMainForm) FMainForm->ShowLoginState();
  } else if (msg.Kind == mkLoginReply) {
    if (FMainForm) FMainForm->HideLoginState();
    if (FLoginForm) FLoginForm->LoginFailed(msg.Message);
  } else if (msg.Kind == mkTask) {
    ApplySchedule(msg);
  }

  if (FUpdate->UpdateAllowed()) {
    const TUpdateData& offer = received.Update;
    const bool isNew = offer.HasUpdate && FMainForm && FMainForm->IsNewVersion(offer.Version);
    if (FUpdate->Accept(offer, isNew)) FUpdateTimer.start();
  }
  RecvText.clear();
}

void TDM::ApplySchedule(TServerMsg& msg) {
  // The list already holds the schedule's tasks (ReceiveMessage); what is left is to show it.
  if (FLoginForm->IsVisible()) FLoginForm->Hide();
  if (FMainForm) FMainForm->AddLogEx(ScheduleSummary(msg));
  msg.Tasks.clear();
}

QString TDM::ScheduleSummary(const TServerMsg& msg) const {
  QString summary = RecvText + QStringLiteral("\r\n");
  if (msg.Tasks.size() == 2)
    summary += QStringLiteral("当前任务: ") + TaskAddresses(*msg.Tasks[0]) + QStringLiteral("\r\n下一个任务: ") +
               TaskAddresses(*msg.Tasks[1]);
  else if (msg.Tasks.size() == 1)
    summary += QStringLiteral("当前任务: ") + TaskAddresses(*msg.Tasks[0]) + QStringLiteral("\r\n下一个任务: none");
  return summary;
}

void TDM::tmrPingSvrTimer() {
  if (AppStatus.Closing) return;
  const THandlerTimer::TPause pause(FPingTimer);
  Guarded("tmrPingSvrTimer", [&] {
    if (FSocket.Active()) {
      if (FClock.SteadyMs() - LastRecvTime > FIntervals.SilenceLimit.count()) {
        FSocket.Close();
        return;
      }
      if (!FLoginForm->LoggedIn()) {
        FSendSocketData->SendLogin(FSocket);
        return;
      }
      try {
        if (FSendSocketData->SendHeartbeat(FSocket) <= 0) FSocket.Close();
      } catch (...) {
        FSocket.Close();
      }
      return;
    }
    FTaskTimer.Stop();
    FTaskList.ResetCurrent();
    FTaskList.Clear();
    if (FMainForm && FMainForm->LiveActive()) FMainForm->StopLive();
    Reconnect(false);
  });
}

void TDM::tmrTaskTimer() {
  if (AppStatus.Closing) return;
  const THandlerTimer::TPause pause(FTaskTimer);
  Guarded("tmrTaskTimer", [&] {
    TServerMsg msg;
    if (RunTaskTick(FTaskList, msg, FIniParams.NotifyPageMsg.Url) && FMainForm) FMainForm->PresentMsg(msg);
  });
}

void TDM::tmrUpdateTimer() {
  FUpdateTimer.Stop();
  Guarded("tmrUpdateTimer", [&] { FUpdate->RunUpdater(FUpdate->UpdateData()); });
}
