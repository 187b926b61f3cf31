// The terminal executable on the wire and in its log, against a platform played by the test
// (exact bytes and timing) or by the stand-in platform server (scenarios).

#include "TerminalHarness.h"
#include "platform-server/PlatformHarness.h"
#include "protocol/JsonEncoders.h"
#include "support/Frames.h"

#include <QRegularExpression>

namespace {

const QByteArray kLoginReply =
    R"({"key":"001","success":true,"message":"","errorCode":"000","data":{"terminalId":1001,"terminalGroupId":7,"playUrl":"http://127.0.0.1/play","videoUrl":"http://127.0.0.1/list"}})";

QByteArray LoginBytes() { return TEncoderJsonData().EncodeLogin({"1001", "1234", "127.0.0.1"}).toUtf8(); }

QByteArray HeartbeatBytes() {
  TLiveData live;
  live.Data = {"127.0.0.1", 1001, 7};
  return TEncoderJsonData().EncodeLive(live).toUtf8();
}

// Starts the terminal against the server; its connection once the login message came in full.
QTcpSocket* StartAndTakeLogin(TTerminalRun& terminal, TWireServer& server) {
  terminal.WriteFile("Setting.ini", SettingsFor(server.Port()));
  terminal.Start();
  QTcpSocket* link = server.Accept(10000);
  if (link == nullptr) return nullptr;
  EXPECT_EQ(TWireServer::Read(link, LoginBytes().size(), 5000), LoginBytes());
  return link;
}

TEST(Terminal, LogsInOnConnectAndSendsTheFirstHeartbeatRightAfterTheReply) {
  TWireServer server;
  TTerminalRun terminal;
  QTcpSocket* link = StartAndTakeLogin(terminal, server);
  ASSERT_NE(link, nullptr);

  // The reply arrives cut in two, with the first schedule coalesced into its second half.
  const QByteArray schedule =
      R"({"key":"002","success":true,"data":{"lockscreen":false,"tasks":[{"scheduleId":3,"type":0,"startTime":{"time":1000},"sendTime":{"time":1000},"endTime":{"time":99000},"data":{"RTMP":"rtmp://127.0.0.1/live/a"}}]}})";
  const QByteArray bytes = Frame(kLoginReply) + Frame(schedule);
  link->write(bytes.left(25));
  link->flush();
  QThread::msleep(200);
  QElapsedTimer sinceReply;
  link->write(bytes.mid(25));
  link->flush();
  sinceReply.start();
  EXPECT_EQ(TWireServer::Read(link, HeartbeatBytes().size(), 5000), HeartbeatBytes());
  EXPECT_LT(sinceReply.elapsed(), 2000);

  // The schedule of the same read reached the task clock: its first tick presents the task.
  EXPECT_TRUE(terminal.WaitForLog("PresentMsg Kind=0 ContentType=1 ScheduleId=3 Valid=1 Url=rtmp://127.0.0.1/live/a", 12000))
      << terminal.Log().toStdString();
  const QString log = terminal.Log();
  EXPECT_TRUE(log.contains(QStringLiteral("发送消息-》 ") + QString::fromUtf8(HeartbeatBytes())));
  EXPECT_TRUE(log.contains(QStringLiteral("\"password\": \"******\"")));
  EXPECT_FALSE(log.contains(QStringLiteral("\"password\": \"1234\"")));
  EXPECT_TRUE(log.contains(QStringLiteral("收到平台播放页面 http://127.0.0.1/play")));

  EXPECT_TRUE(terminal.Stop());
  EXPECT_TRUE(terminal.Log().endsWith(QStringLiteral("[提示]\r\n退出程序！！\r\n")));
  EXPECT_TRUE(terminal.ReadFile("Setting.ini").contains("IsFirstUse=1"));
}

TEST(Terminal, ScheduleFromThePlatformIsPresentedTickByTick) {
  const json scenario = {
      {"login", {{"username", "1001"}, {"password", "1234"}, {"terminalId", 1001}, {"terminalGroupId", 7}}},
      {"timeline",
       {{{"at", 0.5},
         {"schedule",
          {{"tasks", {{{"scheduleId", 21}, {"type", 0}, {"start", 0}, {"end", 9}, {"data", {{"RTMP", "rtmp://127.0.0.1/live/21"}}}}}}}}},
        {{"at", 9.5},
         {"schedule",
          {{"tasks",
            {{{"scheduleId", 21}, {"type", 0}, {"start", 0}, {"end", 9}, {"data", {{"RTMP", "rtmp://127.0.0.1/live/21"}}}},
             {{"scheduleId", 22}, {"type", 1}, {"start", 9}, {"end", 60}, {"data", {{"RTMP", "{media}/clip.mp4"}}}}}}}}}}}};
  TPlatformRun platform(scenario);
  ASSERT_TRUE(platform.Started()) << platform.Stderr().toStdString();
  TTerminalRun terminal;
  terminal.WriteFile("Setting.ini", SettingsFor(platform.TcpPort));
  terminal.Start();

  const QString live = "PresentMsg Kind=0 ContentType=1 ScheduleId=21 Valid=1 Url=rtmp://127.0.0.1/live/21";
  const QString ended = "PresentMsg Kind=4 ContentType=1 ScheduleId=21 Valid=1 Url=rtmp://127.0.0.1/live/21";
  const QString onDemand = QStringLiteral("PresentMsg Kind=0 ContentType=2 ScheduleId=22 Valid=1 Url=%1/clip.mp4");
  ASSERT_TRUE(terminal.WaitForLog(ended, 30000)) << terminal.Log().toStdString();
  ASSERT_TRUE(terminal.WaitForLog("ContentType=2 ScheduleId=22", 10000)) << terminal.Log().toStdString();
  const QString log = terminal.Log();
  const qsizetype a = log.indexOf(live), b = log.indexOf(ended), c = log.indexOf("ContentType=2 ScheduleId=22");
  EXPECT_TRUE(a >= 0 && a < b && b < c);
  EXPECT_EQ(log.count("PresentMsg"), 3) << "one record per change, nothing presented twice";
  EXPECT_TRUE(log.contains(onDemand.arg(platform.HttpBase() + "/media")));
}

TEST(Terminal, RefusedLoginIsRepeatedEveryHeartbeatTick) {
  TPlatformRun platform(json{{"login", {{"username", "1001"}, {"password", "1234"}, {"refusal", "bad password"}}}});
  ASSERT_TRUE(platform.Started());
  TTerminalRun terminal;
  terminal.WriteFile("Setting.ini", SettingsFor(platform.TcpPort, "1001", "wrong"));
  terminal.Start();

  ASSERT_TRUE(WaitFor([&] { return platform.Recorded().size() >= 2; }, 25000));
  const auto recorded = platform.Recorded();
  for (const json& line : recorded) {
    EXPECT_EQ(line["message"]["key"], "001");
    EXPECT_EQ(line["message"]["password"], "wrong");
  }
  EXPECT_TRUE(terminal.Log().contains(QStringLiteral("bad password")));
}

TEST(Terminal, ConnectionRefusedIsLoggedWithItsWinsockCode) {
  quint16 closedPort;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    closedPort = probe.serverPort();
  }
  TTerminalRun terminal;
  terminal.WriteFile("Setting.ini", SettingsFor(closedPort));
  terminal.Start();
  EXPECT_TRUE(terminal.WaitForLog(QStringLiteral("[错误]\r\nClientSocket1Error10061\r\n"), 10000)) << terminal.Log().toStdString();
}

TEST(Terminal, UpdateOfferIsHandedOffOnce) {
  const json scenario = {{"login", {{"username", "1001"}, {"password", "1234"}}},
                         {"timeline",
                          {{{"at", 0.2}, {"update", {{"version", "2.6"}, {"url", "http://u/same"}}}},
                           {{"at", 0.4}, {"update", {{"version", "9.1"}, {"url", "http://u/9.1"}}}},
                           {{"at", 0.6}, {"update", {{"version", "9.2"}, {"url", "http://u/9.2"}}}}}}};
  TPlatformRun platform(scenario);
  ASSERT_TRUE(platform.Started());
  TTerminalRun terminal;
  terminal.WriteFile("Setting.ini", SettingsFor(platform.TcpPort));
  terminal.WriteFile("VireoUpdateDownload", "#!/bin/sh\necho started >> \"$(dirname \"$0\")/updater-ran\"\n");
  QFile::setPermissions(terminal.Path("VireoUpdateDownload"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  terminal.Start();

  ASSERT_TRUE(WaitFor([&] { return !terminal.ReadFile("updater-ran").isEmpty(); }, 15000));
  EXPECT_EQ(terminal.ReadFile("Update.ini"), QByteArray("[update]\r\nurl=http://u/9.1\r\nversion=9.1\r\n"));
  QThread::msleep(2500);  // a second hand-off would have come by now
  EXPECT_EQ(terminal.ReadFile("updater-ran"), QByteArray("started\n"));
  EXPECT_FALSE(terminal.ReadFile("Setting.ini").contains("version="));
}

TEST(Terminal, SecondInstanceEndsAtOnce) {
  TWireServer server;
  TTerminalRun terminal;
  ASSERT_NE(StartAndTakeLogin(terminal, server), nullptr);

  QProcess second;
  terminal.Configure(second);
  QElapsedTimer timer;
  timer.start();
  second.start();
  ASSERT_TRUE(second.waitForFinished(5000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_LT(timer.elapsed(), 3000);
  EXPECT_EQ(server.Accept(500), nullptr) << "the second instance must not connect";
  EXPECT_EQ(terminal.Process.state(), QProcess::Running);
}

TEST(Terminal, WithoutAServerTheLoginWindowWaitsUntilTheExitMessage) {
  TTerminalRun terminal;
  terminal.Start();
  EXPECT_FALSE(terminal.Process.waitForFinished(3000)) << "the login window waits for the user";
  EXPECT_EQ(terminal.Remote({"exit"}), 0);
  ASSERT_TRUE(terminal.Process.waitForFinished(10000));
  EXPECT_EQ(terminal.Process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(terminal.Process.exitCode(), 0);
  const QString log = terminal.Log();
  EXPECT_TRUE(log.endsWith(QStringLiteral("退出程序！！\r\n"))) << log.toStdString();
  // The defaults are written out, so the file shows IT staff where the server goes.
  EXPECT_TRUE(terminal.ReadFile("Setting.ini").contains("[Svr]\r\nHost=\r\nPort=9000\r\n"));
}

}  // namespace
