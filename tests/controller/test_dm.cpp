// The controller driven through its socket events and timer handlers, with fake windows, a fake
// socket and a clock set by hand; nothing here waits for a timer.

#include "core/DMs.h"
#include "core/uAppStatus.h"
#include "net/TQtClientSocket.h"
#include "platform/uGbk.h"
#include "support/FakeClock.h"
#include "support/Frames.h"

#include <gtest/gtest.h>

#include <functional>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

namespace {

class FakeSocket final : public IClientSocket {
 public:
  void SetEvents(IClientSocketEvents* events) override { Events = events; }
  void Open(const QString& host, int port) override {
    Opens << QStringLiteral("%1:%2").arg(host).arg(port);
  }
  void Close() override {
    ++Closes;
    if (Connected && Events) {
      Connected = false;
      Events->ClientSocket1Disconnect();
    }
    Connected = false;
  }
  bool Active() const override { return Connected; }
  QByteArray ReadAll() override { return std::exchange(Incoming, {}); }
  qint64 SendBytes(const QByteArray& bytes) override {
    Sent << bytes;
    return SendResult.value_or(bytes.size());
  }

  // What the network would do.
  void Connect() {
    Connected = true;
    Events->ClientSocket1Connect();
  }
  void Receive(const QByteArray& bytes) {
    Incoming += bytes;
    Events->ClientSocket1Read();
  }

  IClientSocketEvents* Events = nullptr;
  bool Connected = false;
  QStringList Opens;
  int Closes = 0;
  QByteArray Incoming;
  QList<QByteArray> Sent;
  std::optional<qint64> SendResult;
};

class FakeMain final : public IMainWindow {
 public:
  explicit FakeMain(TDM& dm) : DM(dm) {}
  void PresentMsg(const TServerMsg& msg) override {
    Presented.push_back(msg);
    if (OnPresent) std::exchange(OnPresent, nullptr)();
  }
  void SetShowMainForm(bool value) override { ShowMainForm = value; }
  void ShowLoginState() override { Calls << "ShowLoginState"; }
  void HideLoginState() override { Calls << "HideLoginState"; }
  void AddLogEx(const QString& text) override { LogEx << text; }
  bool IsNewVersion(const QString& version) const override { return version != DM.IniParams().UpdateVersion; }
  void SetLockScreen(bool flag) override { LockScreen << flag; }
  void HideMainForm() override { Calls << "Hide"; }
  bool LiveActive() const override { return Live; }
  void StopLive() override {
    Calls << "StopLive";
    Live = false;
    if (OnStopLive) std::exchange(OnStopLive, nullptr)();
  }

  TDM& DM;
  // What the real window may run inside the next of these calls (it serves events while it
  // waits).
  std::function<void()> OnPresent;
  std::function<void()> OnStopLive;
  std::vector<TServerMsg> Presented;
  std::optional<bool> ShowMainForm;
  QStringList Calls;
  QStringList LogEx;
  QList<bool> LockScreen;
  bool Live = false;
};

class FakeLogin final : public ILoginWindow {
 public:
  explicit FakeLogin(TDM& dm) : DM(dm) {}
  bool ShowLoginModal() override {
    Calls << "ShowLoginModal";
    return ModalResult;
  }
  void SetStatus(const QString& text) override { Calls << "SetStatus " + text; }
  void Connected() override { Calls << "Connected"; }
  void ConnectFailed(int code) override {
    Calls << QStringLiteral("ConnectFailed %1").arg(code);
    IsLoggedIn = false;
  }
  void LoginFailed(const QString& message) override {
    Calls << "LoginFailed " + message;
    IsLoggedIn = false;
  }
  void LoginSucceeded() override {
    Calls << "LoginSucceeded";
    DM.SaveSettings();
    IsLoggedIn = true;
  }
  void Show() override {
    Calls << "Show";
    Visible = true;
  }
  void Hide() override {
    Calls << "Hide";
    Visible = false;
  }
  bool IsVisible() const override { return Visible; }
  bool LoggedIn() const override { return IsLoggedIn; }
  void MoveOffScreen() override { Calls << "MoveOffScreen"; }

  TDM& DM;
  bool ModalResult = false;
  bool IsLoggedIn = false;
  bool Visible = false;
  QStringList Calls;
};

class FakeWindows final : public IWindowFactory {
 public:
  std::unique_ptr<ILoginWindow> CreateLoginForm(TDM& dm) override {
    auto login = std::make_unique<FakeLogin>(dm);
    Login = login.get();
    Login->ModalResult = ModalResult;
    return login;
  }
  IMainWindow* CreateMainForm(TDM& dm) override {
    Main = std::make_unique<FakeMain>(dm);
    return Main.get();
  }
  bool ModalResult = false;
  FakeLogin* Login = nullptr;
  std::unique_ptr<FakeMain> Main;
};

const QByteArray kLoginOk =
    R"({"key":"001","success":true,"message":"","errorCode":"000","data":{"terminalId":101,"terminalGroupId":7,"playUrl":"http://p/play","videoUrl":"http://p/list"}})";

QByteArray Schedule(const QString& tasks, bool lockscreen = false) {
  return QString(R"({"key":"002","success":true,"data":{"lockscreen":%1,"tasks":[%2]}})")
      .arg(lockscreen ? "true" : "false", tasks)
      .toUtf8();
}

// One task of a schedule message; `member` names the task's address in its data.
QString TaskJson(int type, const char* member, int id, const QString& url, qint64 start, qint64 send, qint64 end) {
  return QString(R"({"scheduleId":%1,"type":%2,"startTime":{"time":%3},"sendTime":{"time":%4},"endTime":{"time":%5},"data":{"%6":"%7"}})")
      .arg(id)
      .arg(type)
      .arg(start)
      .arg(send)
      .arg(end)
      .arg(QLatin1String(member), url);
}

QString LiveTask(int id, const QString& url, qint64 start, qint64 send, qint64 end) {
  return TaskJson(0, "RTMP", id, url, start, send, end);
}

QString NoticeTask(int id, const QString& url, qint64 start, qint64 send, qint64 end) {
  return TaskJson(2, "CONTENT", id, url, start, send, end);
}

class ControllerTest : public testing::Test {
 protected:
  void SetUp() override { AppStatus.Closing = false; }
  void TearDown() override { AppStatus.Closing = false; }

  void WriteSettings(const QByteArray& ini) {
    QFile file(Dir.filePath("Setting.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ini);
  }

  // Starts the controller; with a host in the settings it takes the automatic-login path.
  void Start(const QByteArray& ini = "[Svr]\r\nHost=127.0.0.1\r\nPort=9123\r\nSvrUser=room1\r\nPassword=pw\r\n") {
    WriteSettings(ini);
    DM = std::make_unique<TDM>(Dir.path(), Clock, Socket, Windows);
    Started = DM->DataModuleCreate();
  }

  // Connects and logs in, as the platform would answer.
  void LogIn() {
    Socket.Connect();
    Socket.Receive(Frame(kLoginOk));
  }

  QString LogText() const {
    QFile file(Dir.filePath("Log/" + Clock.Now().toString("yyyy-MM-dd") + ".log"));
    return file.open(QIODevice::ReadOnly) ? Gbk::Decode(file.readAll()) : QString();
  }

  void Advance(qint64 ms) { Clock.Set(Clock.Now().addMSecs(ms)); }

  QTemporaryDir Dir;
  TFakeClock Clock{LocalTime(2026, 12, 10, 8, 0, 0)};
  FakeSocket Socket;
  FakeWindows Windows;
  std::unique_ptr<TDM> DM;
  bool Started = false;

  FakeMain& Main() { return *Windows.Main; }
  FakeLogin& Login() { return *Windows.Login; }
};

TEST_F(ControllerTest, AutomaticLoginConnectsAtOnceWithoutTheLoginWindow) {
  Start();
  EXPECT_TRUE(Started);
  EXPECT_EQ(Socket.Opens, QStringList{"127.0.0.1:9123"});
  EXPECT_TRUE(DM->tmrPingSvr().isActive());
  EXPECT_FALSE(DM->tmrTask().isActive());
  EXPECT_EQ(Login().Calls, QStringList{"MoveOffScreen"});
  EXPECT_TRUE(DM->IniParams().IsFirstUse);
  ASSERT_TRUE(Windows.Main);
}

TEST_F(ControllerTest, LoginWindowPathWithoutHost) {
  for (const bool loggedIn : {false, true}) {
    Windows.ModalResult = loggedIn;
    Start("[APP]\r\nIsFirstUse=0\r\n");
    EXPECT_EQ(Started, loggedIn);
    EXPECT_TRUE(Socket.Opens.isEmpty());
    EXPECT_FALSE(DM->tmrPingSvr().isActive());
    EXPECT_EQ(Login().Calls, QStringList{"ShowLoginModal"});
    EXPECT_TRUE(DM->IniParams().IsFirstUse);
    // With auto-hide on (the default), a login leaves the main window hidden.
    EXPECT_EQ(Main().ShowMainForm, loggedIn ? std::optional<bool>(false) : std::nullopt);
    DM.reset();
  }
}

TEST_F(ControllerTest, ConnectSendsLoginFromSettingsAndDropsStaleBytes) {
  Start();
  Socket.Connected = true;
  Socket.Receive(Frame(kLoginOk).left(20));  // a half frame from a connection now gone
  Socket.Connected = false;
  Socket.Connect();
  ASSERT_EQ(Socket.Sent.size(), 1);
  EXPECT_EQ(Socket.Sent[0], TEncoderJsonData().EncodeLogin({"room1", "pw", "127.0.0.1"}).toUtf8());
  EXPECT_TRUE(Login().Calls.contains("Connected"));
  // Had the stale half frame stayed, this frame would be swallowed into it.
  Socket.Receive(Frame(kLoginOk));
  EXPECT_TRUE(Login().LoggedIn());
}

TEST_F(ControllerTest, SuccessfulLoginReplyStartsHeartbeatAndTaskClock) {
  Start();
  LogIn();
  EXPECT_TRUE(Login().Calls.contains("LoginSucceeded"));
  EXPECT_EQ(DM->IniParams().VideoUrl, "http://p/list");
  EXPECT_EQ(DM->IniParams().PlayUrl, "http://p/play");
  ASSERT_EQ(Socket.Sent.size(), 2);  // login, then the first heartbeat at once
  TLiveData live;
  live.Data = {"127.0.0.1", 101, 7};
  EXPECT_EQ(Socket.Sent[1], TEncoderJsonData().EncodeLive(live).toUtf8());
  EXPECT_TRUE(DM->tmrPingSvr().isActive());
  EXPECT_TRUE(DM->tmrTask().isActive());
  EXPECT_EQ(Main().Calls, QStringList{"ShowLoginState"});
  EXPECT_TRUE(LogText().contains(QStringLiteral("接收到-》") + QString::fromUtf8(kLoginOk)));
  // The login message in the log has its password masked.
  EXPECT_FALSE(LogText().contains("\"password\": \"pw\""));
}

TEST_F(ControllerTest, EveryCompleteFrameOfOneReadIsHandledInThatRead) {
  Start();
  Socket.Connect();
  Socket.Receive(Frame(kLoginOk) + Frame(Schedule(LiveTask(5, "rtmp://s/a", 0, 0, 60000))) + Frame("{}").left(5));
  EXPECT_TRUE(Login().LoggedIn());
  EXPECT_EQ(DM->TaskList().Count(), 1);
}

TEST_F(ControllerTest, RefusedLoginIsRepeatedEveryHeartbeatTickOnTheAutomaticPath) {
  Start();
  Socket.Connect();
  Socket.Receive(Frame(QString::fromUtf16(uR"({"key":"001","success":false,"message":"密码错误"})").toUtf8()));
  EXPECT_EQ(Main().Calls, QStringList{"HideLoginState"});
  EXPECT_TRUE(Login().Calls.contains(QString::fromUtf16(u"LoginFailed 密码错误")));
  EXPECT_FALSE(DM->tmrTask().isActive());
  Socket.Sent.clear();
  for (int tick = 0; tick < 2; ++tick) {
    Advance(15000);
    Socket.Receive(" ");  // the platform keeps talking
    DM->tmrPingSvrTimer();
  }
  ASSERT_EQ(Socket.Sent.size(), 2);
  for (const QByteArray& sent : Socket.Sent) EXPECT_TRUE(sent.contains("\"key\": \"001\""));
}

TEST_F(ControllerTest, SocketErrorIsLoggedAndNextTickLogsInAgain) {
  Start();
  LogIn();
  Socket.Events->ClientSocket1Error(10061);
  EXPECT_TRUE(Login().Calls.contains("ConnectFailed 10061"));
  EXPECT_TRUE(LogText().contains(QStringLiteral("[错误]\r\nClientSocket1Error10061\r\n")));
  Socket.Sent.clear();
  DM->tmrPingSvrTimer();
  ASSERT_EQ(Socket.Sent.size(), 1);
  EXPECT_TRUE(Socket.Sent[0].contains("\"key\": \"001\""));
}

TEST_F(ControllerTest, LoginRefusedAfterAReconnectIsRepeatedInsteadOfHeartbeats) {
  Start();
  LogIn();
  // The platform closes the connection in order: no socket error reaches the login window.
  Socket.Connected = false;
  Socket.Events->ClientSocket1Disconnect();
  DM->tmrPingSvrTimer();
  ASSERT_EQ(Socket.Opens.size(), 2);
  Socket.Connect();
  Socket.Receive(Frame(QString::fromUtf16(uR"({"key":"001","success":false,"message":"终端已禁用"})").toUtf8()));
  EXPECT_FALSE(Login().LoggedIn());
  Socket.Sent.clear();
  Advance(15000);
  Socket.Receive(" ");
  DM->tmrPingSvrTimer();
  ASSERT_EQ(Socket.Sent.size(), 1);
  EXPECT_TRUE(Socket.Sent[0].contains("\"key\": \"001\"")) << Socket.Sent[0].toStdString();
}

TEST_F(ControllerTest, ATimerStoppedInsideItsOwnHandlerStaysStopped) {
  // A settings change confirmed while a handler waits: the clocks stop and a new login starts.
  struct Case {
    const char* name;
    bool fromTaskClock;
  };
  for (const Case& c : {Case{"task clock", true}, Case{"heartbeat", false}}) {
    SCOPED_TRACE(c.name);
    DM.reset();  // the old controller would unhook the socket from the new one
    Start();
    LogIn();
    const auto settingsChange = [this] {
      DM->StopTasks();
      DM->Relogin();
    };
    if (c.fromTaskClock) {
      Socket.Receive(Frame(Schedule(LiveTask(5, "rtmp://s/a", 0, 0, 60000))));
      Main().OnPresent = settingsChange;
      DM->tmrTaskTimer();
    } else {
      // The heartbeat tick that finds the connection gone stops the live frame and reconnects.
      Main().Live = true;
      Main().OnStopLive = settingsChange;
      Socket.Connected = false;
      DM->tmrPingSvrTimer();
    }
    EXPECT_FALSE(DM->tmrTask().isActive());
    EXPECT_FALSE(DM->tmrPingSvr().isActive());
    EXPECT_EQ(DM->TaskList().Count(), 0);
  }
}

TEST_F(ControllerTest, HandlersLeaveTheirTimerRunning) {
  Start();
  LogIn();
  Socket.Receive(Frame(Schedule(LiveTask(5, "rtmp://s/a", 0, 0, 60000))));
  DM->tmrTaskTimer();
  DM->tmrPingSvrTimer();
  EXPECT_TRUE(DM->tmrTask().isActive());
  EXPECT_TRUE(DM->tmrPingSvr().isActive());
}

TEST_F(ControllerTest, AFrameThatNeverCompletesDoesNotKeepTheConnectionAlive) {
  Start();
  LogIn();
  // A plausible but wrong length: every later byte becomes part of this body.
  Socket.Receive(Frame("{\"key\":\"002\"", 10000000));
  for (int tick = 1; tick <= 3; ++tick) {
    Advance(13000);
    Socket.Receive(Frame(Schedule(LiveTask(5, "rtmp://s/a", 0, 0, 60000))));  // swallowed
    DM->tmrPingSvrTimer();
    EXPECT_TRUE(Socket.Connected) << tick;
  }
  Advance(2000);  // 41 s since the login reply, the last complete message
  DM->tmrPingSvrTimer();
  EXPECT_FALSE(Socket.Connected);
  EXPECT_EQ(DM->TaskList().Count(), 0);
}

TEST_F(ControllerTest, ANewConnectionsSilenceCountsFromItsOwnStart) {
  Start();
  LogIn();
  Advance(41000);
  DM->tmrPingSvrTimer();  // drops the silent connection
  ASSERT_FALSE(Socket.Connected);
  Advance(15000);
  DM->tmrPingSvrTimer();  // opens a new one
  ASSERT_EQ(Socket.Opens.size(), 2);
  Advance(5000);
  Socket.Connect();
  Advance(15000);
  DM->tmrPingSvrTimer();
  EXPECT_TRUE(Socket.Connected) << "15 s after connecting is not 40 s of silence";
}

TEST_F(ControllerTest, AnOutOfRangePortIsReportedAndNeverWrapped) {
  Start("[Svr]\r\nHost=127.0.0.1\r\nPort=99999\r\nSvrUser=room1\r\nPassword=pw\r\n");
  for (int tick = 0; tick < 2; ++tick) {
    Advance(15000);
    DM->tmrPingSvrTimer();
  }
  EXPECT_TRUE(Socket.Opens.isEmpty());
  EXPECT_EQ(LogText().count(QStringLiteral("服务器端口超出范围（1-65535）：99999")), 1);
  DM.reset();
  QFile ini(Dir.filePath("Setting.ini"));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  EXPECT_TRUE(ini.readAll().contains("Port=99999"));
}

TEST_F(ControllerTest, WatchdogDropsASilentConnectionAndTheNextTickReconnects) {
  Start();
  LogIn();
  Main().Live = true;
  TServerMsg msg;
  Socket.Receive(Frame(Schedule(LiveTask(5, "rtmp://s/a", 0, 0, 60000))));
  DM->tmrTaskTimer();
  ASSERT_TRUE(DM->TaskList().CurrentTask());

  Advance(40000);
  DM->tmrPingSvrTimer();
  EXPECT_TRUE(Socket.Connected) << "exactly 40 s of silence is still allowed";
  Advance(1);
  DM->tmrPingSvrTimer();
  EXPECT_FALSE(Socket.Connected);
  EXPECT_TRUE(LogText().contains(QStringLiteral("ClientSocket1Disconnect -> 与服务器断开连接")));
  EXPECT_EQ(Socket.Opens.size(), 1);

  Advance(15000);
  DM->tmrPingSvrTimer();
  EXPECT_EQ(Socket.Opens.size(), 2);
  EXPECT_FALSE(DM->tmrTask().isActive());
  EXPECT_EQ(DM->TaskList().Count(), 0);
  EXPECT_FALSE(DM->TaskList().CurrentTask());
  EXPECT_TRUE(Main().Calls.contains("StopLive"));
  EXPECT_TRUE(DM->tmrPingSvr().isActive());
}

TEST_F(ControllerTest, HeartbeatNotAcceptedDropsTheConnection) {
  for (const qint64 result : {qint64{0}, qint64{-1}}) {
    Start();
    LogIn();
    Socket.SendResult = result;
    DM->tmrPingSvrTimer();
    EXPECT_FALSE(Socket.Connected) << result;
    Socket.SendResult.reset();
    DM.reset();
  }
}

TEST_F(ControllerTest, ScheduleReachesTheMainWindowTickByTick) {
  Start();
  LogIn();
  Socket.Receive(Frame(Schedule(NoticeTask(8, "http://p/n8.html", 105000, 100000, 200000) + "," +
                                LiveTask(9, "rtmp://s/9", 200000, 100000, 300000),
                                true)));
  EXPECT_EQ(Main().LockScreen, QList<bool>{true});
  ASSERT_EQ(Main().LogEx.size(), 1);
  EXPECT_TRUE(Main().LogEx[0].endsWith(QStringLiteral("\r\n当前任务: http://p/n8.html\r\n下一个任务: rtmp://s/9")));

  DM->tmrTaskTimer();
  ASSERT_EQ(Main().Presented.size(), 1u);
  EXPECT_EQ(Main().Presented[0].Kind, mkNoticePreload);
  DM->tmrTaskTimer();
  ASSERT_EQ(Main().Presented.size(), 2u);
  EXPECT_EQ(Main().Presented[1].Kind, mkTask);
  EXPECT_EQ(Main().Presented[1].ContentType, ctNotify);
  EXPECT_EQ(DM->IniParams().NotifyPageMsg.Url, "http://p/n8.html");
  DM->tmrTaskTimer();
  EXPECT_EQ(Main().Presented.size(), 2u);
  EXPECT_TRUE(DM->tmrTask().isActive());
}

TEST_F(ControllerTest, ScheduleSummaryForOtherCounts) {
  Start();
  LogIn();
  const QByteArray one = Schedule(LiveTask(1, "rtmp://a", 0, 0, 9));
  const QByteArray three = Schedule(LiveTask(1, "a", 0, 0, 9) + "," + LiveTask(2, "b", 0, 0, 9) + "," + LiveTask(3, "c", 0, 0, 9));
  Socket.Receive(Frame(one) + Frame(three));
  ASSERT_EQ(Main().LogEx.size(), 2);
  EXPECT_EQ(Main().LogEx[0], QString::fromUtf8(one) + QStringLiteral("\r\n当前任务: rtmp://a\r\n下一个任务: none"));
  EXPECT_EQ(Main().LogEx[1], QString::fromUtf8(three) + "\r\n");
}

TEST_F(ControllerTest, ScheduleNotDueYetOnlyPassesItsLockScreenFlag) {
  Start();
  LogIn();
  Login().Visible = true;
  Socket.Receive(Frame(Schedule(LiveTask(1, "rtmp://a", 50000, 0, 90000), true)));
  EXPECT_EQ(Main().LockScreen, QList<bool>{true});
  EXPECT_EQ(DM->TaskList().Count(), 0);
  EXPECT_TRUE(Main().LogEx.isEmpty());
  EXPECT_TRUE(Login().Visible);
  Socket.Receive(Frame(Schedule(LiveTask(1, "rtmp://a", 0, 0, 90000))));
  EXPECT_FALSE(Login().Visible);
}

TEST_F(ControllerTest, NothingRunsWhileClosing) {
  Start();
  LogIn();
  Socket.Receive(Frame(Schedule(LiveTask(1, "rtmp://a", 0, 0, 90000))));
  Socket.Sent.clear();
  AppStatus.Closing = true;
  Advance(60000);
  DM->tmrPingSvrTimer();
  DM->tmrTaskTimer();
  EXPECT_TRUE(Socket.Sent.isEmpty());
  EXPECT_TRUE(Socket.Connected);
  EXPECT_TRUE(Main().Presented.empty());
}

TEST_F(ControllerTest, StopTasksKeepsCurrentSoTheSameTaskIsNotPresentedAgain) {
  Start();
  LogIn();
  Socket.Receive(Frame(Schedule(LiveTask(1, "rtmp://a", 0, 0, 90000))));
  DM->tmrTaskTimer();
  DM->StopTasks();
  EXPECT_FALSE(DM->tmrTask().isActive());
  ASSERT_EQ(Main().Presented.size(), 2u);
  EXPECT_EQ(Main().Presented[1].Kind, mkIdle);

  DM->Relogin();
  EXPECT_TRUE(Main().Calls.contains("Hide"));
  EXPECT_FALSE(DM->tmrPingSvr().isActive());
  EXPECT_EQ(Socket.Opens.size(), 2);
  EXPECT_TRUE(Login().Visible);
  LogIn();
  Socket.Receive(Frame(Schedule(LiveTask(2, "rtmp://a", 0, 0, 90000))));
  DM->tmrTaskTimer();
  EXPECT_EQ(Main().Presented.size(), 2u);
}

TEST_F(ControllerTest, UpdateOfferIsHandedOffOncePerRun) {
  Start();
  // A stand-in updater that leaves a mark where it was started.
  const QString updater = Dir.filePath(TUpdateHandOff::UpdaterName());
  {
    QFile script(updater);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QString("#!/bin/sh\necho started >> '%1'\n").arg(Dir.filePath("ran")).toUtf8());
  }
  QFile::setPermissions(updater, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  Socket.Connect();
  Socket.Receive(Frame(R"({"key":"001","success":true,"data":{"update":{"version":"2.6","url":"http://u/same"}}})"));
  EXPECT_TRUE(DM->Update().UpdateAllowed());
  Socket.Receive(Frame("not json {\"data\":{\"update\":{\"version\":\"9\"}}}"));
  EXPECT_TRUE(DM->Update().UpdateAllowed());
  Socket.Receive(Frame(R"({"key":"003","data":{"update":{"version":"2.7","url":"http://u/new"}}})"));
  EXPECT_FALSE(DM->Update().UpdateAllowed());
  EXPECT_TRUE(DM->tmrUpdate().isActive());
  Socket.Receive(Frame(R"({"key":"003","data":{"update":{"version":"2.8","url":"http://u/later"}}})"));
  EXPECT_EQ(DM->Update().UpdateData().Version, "2.7");

  DM->tmrUpdateTimer();
  EXPECT_FALSE(DM->tmrUpdate().isActive());
  QFile ini(Dir.filePath("Update.ini"));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  EXPECT_EQ(ini.readAll(), QByteArray("[update]\r\nurl=http://u/new\r\nversion=2.7\r\n"));
  QFile ran(Dir.filePath("ran"));
  for (int i = 0; i < 200 && !ran.exists(); ++i) QThread::msleep(10);
  ASSERT_TRUE(ran.open(QIODevice::ReadOnly));
  EXPECT_EQ(ran.readAll(), QByteArray("started\n"));
}

TEST_F(ControllerTest, UnwritableUpdateIniIsLoggedAndTheUpdaterNotStarted) {
  Start();
  ASSERT_TRUE(QDir(Dir.path()).mkdir("Update.ini"));
  Socket.Connect();
  Socket.Receive(Frame(R"({"data":{"update":{"version":"3.0","url":"http://u"}}})"));
  DM->tmrUpdateTimer();
  EXPECT_TRUE(LogText().contains("Unable to write to " + Dir.filePath("Update.ini")));
  EXPECT_FALSE(DM->Update().UpdateAllowed());
  // The terminal carries on.
  Socket.Receive(Frame(kLoginOk));
  EXPECT_TRUE(Login().LoggedIn());
}

TEST_F(ControllerTest, ExitSavesSettingsAndWritesTheLastEntry) {
  Start();
  LogIn();
  DM->IniParams().LoopPointPlay = false;
  DM.reset();
  QFile ini(Dir.filePath("Setting.ini"));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  EXPECT_TRUE(ini.readAll().contains("LoopPointPlay=0"));
  EXPECT_TRUE(LogText().endsWith(QStringLiteral("[提示]\r\n退出程序！！\r\n")));
}

TEST_F(ControllerTest, FailedSettingsWriteAtExitIsLogged) {
  Start();
  ASSERT_TRUE(QFile::remove(Dir.filePath("Setting.ini")));
  ASSERT_TRUE(QDir(Dir.path()).mkdir("Setting.ini"));
  DM.reset();
  EXPECT_TRUE(LogText().contains("Unable to write to " + Dir.filePath("Setting.ini")));
  EXPECT_TRUE(LogText().endsWith(QStringLiteral("退出程序！！\r\n")));
}

// The same watchdog on a real connection and the real event loop, with the intervals shortened so
// the test takes seconds rather than a minute.
TEST(ControllerOnTcp, SilentServerIsDroppedAndTheNextTickReconnects) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  QTemporaryDir dir;
  {
    QFile ini(dir.filePath("Setting.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[Svr]\r\nHost=127.0.0.1\r\nPort=%1\r\nSvrUser=room1\r\nPassword=pw\r\n")
                  .arg(server.serverPort())
                  .toUtf8());
  }
  const TSystemClock clock;
  TQtClientSocket socket;
  FakeWindows windows;
  TDMIntervals intervals;
  intervals.Ping = std::chrono::milliseconds(200);
  intervals.Task = std::chrono::milliseconds(200);
  intervals.SilenceLimit = std::chrono::milliseconds(1500);
  TDM dm(dir.path(), clock, socket, windows, intervals);
  ASSERT_TRUE(dm.DataModuleCreate());

  const auto accept = [&]() -> QTcpSocket* {
    if (!server.hasPendingConnections() && !server.waitForNewConnection(0)) {
      QEventLoop loop;
      QObject::connect(&server, &QTcpServer::newConnection, &loop, &QEventLoop::quit);
      QTimer::singleShot(5000, &loop, &QEventLoop::quit);
      loop.exec();
    }
    return server.nextPendingConnection();
  };
  const auto waitFor = [](const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
  };

  QTcpSocket* first = accept();
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(waitFor([&] { return first->bytesAvailable() > 0; }, 5000));
  first->write(Frame(kLoginOk));
  first->flush();
  QElapsedTimer silence;
  silence.start();
  // From now on the server reads what comes and says nothing.
  ASSERT_TRUE(waitFor([&] { return (first->readAll(), first->state() != QAbstractSocket::ConnectedState); }, 10000));
  EXPECT_GE(silence.elapsed(), 1500);
  EXPECT_LT(silence.elapsed(), 3000);
  QTcpSocket* second = accept();
  ASSERT_NE(second, nullptr) << "the next tick connects again";
  EXPECT_TRUE(waitFor([&] { return second->bytesAvailable() > 0; }, 5000));
  EXPECT_TRUE(second->readAll().contains("\"key\": \"001\""));
}

}  // namespace

int main(int argc, char** argv) {
  // The controller's timers need an event loop object; nothing here runs the loop.
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
