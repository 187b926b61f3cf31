// The terminal's endpoint for messages from local programs, and vireo-remote sending to it: real
// local sockets in a private directory, the tool run as a process.

#include "support/FakeLog.h"
#include "support/QtPrinters.h"
#include "ui/TRemoteServer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <ostream>
#include <vector>

namespace {

struct TCall {
  quint32 Message;
  qint64 WParam;
  bool operator==(const TCall&) const = default;
};

void PrintTo(const TCall& call, std::ostream* os) { *os << "(0x" << std::hex << call.Message << std::dec << ", " << call.WParam << ")"; }

// Lets the event loop run for a while (the server lives on this thread).
void Spin(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

struct TExchange {
  QByteArray Received;
  bool ClosedByServer = false;

  QJsonObject Reply() const { return QJsonDocument::fromJson(Received).object(); }
};

// One client: connects, writes the pieces one event-loop turn apart, and waits for the server to
// close the connection (or for limitMs).
TExchange Exchange(const QString& name, const QList<QByteArray>& pieces, int limitMs = 5000) {
  TExchange result;
  QLocalSocket socket;
  QEventLoop loop;
  QObject::connect(&socket, &QLocalSocket::readyRead, [&] {
    // A write refused by a server that already closed leaves an unreadable socket behind.
    if (socket.bytesAvailable() > 0) result.Received += socket.readAll();
  });
  QObject::connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
  QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
  socket.connectToServer(name);
  if (!socket.waitForConnected(1000)) {  // at once for a local socket: nothing here to serve
    ADD_FAILURE() << "cannot connect: " << socket.errorString().toStdString();
    return result;
  }
  for (qsizetype i = 0; i < pieces.size(); ++i) {
    if (i > 0) Spin(30);
    socket.write(pieces[i]);
    socket.flush();
  }
  if (socket.state() == QLocalSocket::ConnectedState) loop.exec();
  if (socket.bytesAvailable() > 0) result.Received += socket.readAll();
  result.ClosedByServer = socket.state() == QLocalSocket::UnconnectedState;
  QCoreApplication::sendPostedEvents();  // the server hands accepted requests on from the loop
  return result;
}

class RemoteServerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(FDir.isValid()); }

  QString Name() const { return FDir.filePath(QStringLiteral("remote.sock")); }

  std::unique_ptr<TRemoteServer> MakeServer(int idleTimeoutMs = 2000) {
    return std::make_unique<TRemoteServer>(
        FLog, [this](quint32 message, qint64 wParam) { FCalls.push_back({message, wParam}); }, Name(),
        idleTimeoutMs);
  }

  void StartServer(int idleTimeoutMs = 2000) {
    FServer = MakeServer(idleTimeoutMs);
    ASSERT_TRUE(FServer->Listen()) << FLog.Errors.join('\n').toStdString();
  }

  // The server still takes a plain request and passes it on.
  void ExpectServes() {
    FCalls.clear();
    const TExchange exchange = Exchange(Name(), {"{\"message\":1077}\n"});
    EXPECT_EQ(exchange.Reply().value("ok"), true) << exchange.Received.toStdString();
    EXPECT_EQ(FCalls, (std::vector<TCall>{{0x435, 0}}));
  }

  QString AllLog() const { return (FLog.Hints + FLog.Errors).join('\n'); }

  QTemporaryDir FDir;
  TFakeLog FLog;
  std::vector<TCall> FCalls;
  std::unique_ptr<TRemoteServer> FServer;
};

// --- requests the terminal takes ---

struct TAcceptedCase {
  const char* what;
  QList<QByteArray> pieces;
  TCall call;
};
void PrintTo(const TAcceptedCase& c, std::ostream* os) { *os << c.what; }

class RemoteAcceptedTest : public RemoteServerTest, public ::testing::WithParamInterface<TAcceptedCase> {};

TEST_P(RemoteAcceptedTest, AnswersOkAndPassesItOn) {
  StartServer();
  const TExchange exchange = Exchange(Name(), GetParam().pieces);
  EXPECT_EQ(exchange.Received, QByteArray("{\"ok\":true}\n"));
  EXPECT_TRUE(exchange.ClosedByServer);
  EXPECT_EQ(FCalls, std::vector<TCall>{GetParam().call});
  EXPECT_TRUE(FLog.Errors.isEmpty()) << FLog.Errors.join('\n').toStdString();
}

QByteArray PaddedTo(qsizetype size, const QByteArray& json) {
  return QByteArray(size - json.size() - 1, ' ') + json + '\n';
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RemoteAcceptedTest,
    ::testing::Values(
        TAcceptedCase{"StopPoint", {"{\"message\":1037,\"wParam\":1}\n"}, {kWmRemoteStop, kRemoteStopPoint}},
        TAcceptedCase{"StopLiveCrLf", {"{\"message\":1037,\"wParam\":2}\r\n"}, {kWmRemoteStop, kRemoteStopLive}},
        TAcceptedCase{"ExitWithoutWParam", {"{\"message\":1077}\n"}, {kWmRemoteExit, 0}},
        // The terminal, not the endpoint, decides that other wParams do nothing.
        TAcceptedCase{"OtherWParam", {"{\"wParam\":-7,\"message\":1037}\n"}, {kWmRemoteStop, -7}},
        TAcceptedCase{"ExactLargeWParam", {"{\"message\":1077,\"wParam\":9007199254740993}\n"}, {kWmRemoteExit, 9007199254740993}},
        TAcceptedCase{"InPieces", {"{\"mess", "age\":1037,\"wP", "aram\":2}\n"}, {kWmRemoteStop, 2}},
        TAcceptedCase{"LongestAllowed", {PaddedTo(TRemoteServer::kMaxRequestBytes, "{\"message\":1037,\"wParam\":1}")},
                      {kWmRemoteStop, 1}}),
    [](const auto& info) { return std::string(info.param.what); });

// --- requests it refuses; none stops it from serving the next client ---

struct TRefusedCase {
  const char* what;
  QList<QByteArray> pieces;
  const char* logged;  // a part of the log entry
};
void PrintTo(const TRefusedCase& c, std::ostream* os) { *os << c.what; }

class RemoteRefusedTest : public RemoteServerTest, public ::testing::WithParamInterface<TRefusedCase> {};

TEST_P(RemoteRefusedTest, AnswersAnErrorAndServesTheNextClient) {
  StartServer();
  const TExchange exchange = Exchange(Name(), GetParam().pieces);
  const QJsonObject reply = exchange.Reply();
  EXPECT_EQ(reply.value("ok"), false) << exchange.Received.toStdString();
  EXPECT_FALSE(reply.value("error").toString().isEmpty()) << exchange.Received.toStdString();
  EXPECT_TRUE(exchange.ClosedByServer);
  EXPECT_TRUE(FCalls.empty());
  EXPECT_TRUE(AllLog().contains(QString::fromUtf8(GetParam().logged))) << AllLog().toStdString();
  ExpectServes();
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RemoteRefusedTest,
    ::testing::Values(
        TRefusedCase{"UnknownMessage", {"{\"message\":16,\"wParam\":1}\n"}, "忽略本地消息 0x10 (wParam 1)"},
        TRefusedCase{"NeighbourMessage", {"{\"message\":1038,\"wParam\":1}\n"}, "忽略本地消息 0x40E"},
        // 0x10000040D must not wrap round to 0x40D.
        TRefusedCase{"MessageBeyond32Bits", {"{\"message\":4294968333,\"wParam\":1}\n"}, "本地消息格式错误"},
        TRefusedCase{"NegativeMessage", {"{\"message\":-1}\n"}, "本地消息格式错误"},
        TRefusedCase{"NotJson", {"stop-point\n"}, "本地消息格式错误"},
        TRefusedCase{"NotUtf8", {"\xff\xfe{\n"}, "本地消息格式错误"},
        TRefusedCase{"EmptyLine", {"\n"}, "本地消息格式错误"},
        TRefusedCase{"Array", {"[1037,1]\n"}, "本地消息格式错误"},
        TRefusedCase{"TwoObjects", {"{\"message\":1037}{\"message\":1077}\n"}, "本地消息格式错误"},
        TRefusedCase{"NoMessage", {"{\"wParam\":1}\n"}, "本地消息格式错误"},
        TRefusedCase{"MessageAsText", {"{\"message\":\"1037\",\"wParam\":1}\n"}, "本地消息格式错误"},
        TRefusedCase{"MessageFraction", {"{\"message\":1037.5,\"wParam\":1}\n"}, "本地消息格式错误"},
        TRefusedCase{"WParamAsText", {"{\"message\":1037,\"wParam\":\"1\"}\n"}, "本地消息格式错误"},
        TRefusedCase{"WParamBeyond64Bits", {"{\"message\":1037,\"wParam\":99999999999999999999}\n"}, "本地消息格式错误"},
        TRefusedCase{"OneByteTooLong", {PaddedTo(TRemoteServer::kMaxRequestBytes + 1, "{\"message\":1037,\"wParam\":1}")},
                     "超过 4096 字节"},
        TRefusedCase{"MegabyteWithoutNewline", {QByteArray(1 << 20, 'x')}, "超过 4096 字节"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(RemoteServerTest, CutsASilentClientAfterItsTimeoutAndServesOthersMeanwhile) {
  constexpr int kIdleMs = 2500;  // room for the exchange in between on a busy machine, sanitizers included
  StartServer(kIdleMs);
  QLocalSocket silent;
  QLocalSocket halfway;  // a request without its newline
  QEventLoop loop;
  int closed = 0;
  for (QLocalSocket* socket : {&silent, &halfway}) {
    QObject::connect(socket, &QLocalSocket::disconnected, &loop, [&] {
      if (++closed == 2) loop.quit();
    });
  }
  QElapsedTimer clock;
  clock.start();
  silent.connectToServer(Name());
  halfway.connectToServer(Name());
  ASSERT_TRUE(silent.waitForConnected(1000));
  ASSERT_TRUE(halfway.waitForConnected(1000));
  halfway.write("{\"message\":1037,\"wParam\":1}");
  halfway.flush();

  ExpectServes();  // while both hang
  EXPECT_EQ(closed, 0);

  QTimer::singleShot(8000, &loop, &QEventLoop::quit);
  if (closed < 2) loop.exec();
  EXPECT_EQ(closed, 2);
  EXPECT_GE(clock.elapsed(), kIdleMs * 9 / 10);  // a coarse timer may fire up to 5 % early
  EXPECT_EQ(FCalls.size(), 1u);  // the half request never counts
  EXPECT_EQ(FLog.Errors.filter(QStringLiteral("未发来完整请求")).size(), 2) << AllLog().toStdString();
  ExpectServes();
}

TEST_F(RemoteServerTest, ServesManyClientsAtOnce) {
  StartServer();
  std::vector<std::unique_ptr<QLocalSocket>> clients;
  for (int i = 0; i < 20; ++i) {
    auto client = std::make_unique<QLocalSocket>();
    client->connectToServer(Name());
    ASSERT_TRUE(client->waitForConnected(1000));
    client->write(QStringLiteral("{\"message\":1037,\"wParam\":%1}\n").arg(i).toUtf8());
    client->flush();
    clients.push_back(std::move(client));
  }
  QElapsedTimer clock;
  clock.start();
  while (FCalls.size() < clients.size() && clock.elapsed() < 5000) Spin(10);
  ASSERT_EQ(FCalls.size(), clients.size());
  for (size_t i = 0; i < clients.size(); ++i) {
    EXPECT_NE(std::find(FCalls.begin(), FCalls.end(), TCall{kWmRemoteStop, qint64(i)}), FCalls.end()) << i;
    EXPECT_EQ(clients[i]->readAll(), QByteArray("{\"ok\":true}\n")) << i;
  }
}

TEST_F(RemoteServerTest, HandlerMayEndTheServer) {
  // The exit procedure tears the terminal down from inside the handler.
  FServer = std::make_unique<TRemoteServer>(FLog, [this](quint32, qint64) { FServer.reset(); }, Name());
  ASSERT_TRUE(FServer->Listen());
  const TExchange exchange = Exchange(Name(), {"{\"message\":1077}\n"});
  EXPECT_EQ(exchange.Received, QByteArray("{\"ok\":true}\n"));
  EXPECT_EQ(FServer, nullptr);
  EXPECT_FALSE(QFileInfo::exists(Name()));  // closing removes the socket file
}

TEST_F(RemoteServerTest, EndpointIsOwnerOnly) {
  StartServer();
  EXPECT_EQ(FServer->FullServerName(), Name());
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(Name()).constData(), &info), 0);
  EXPECT_TRUE(S_ISSOCK(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, S_IRWXU) << std::oct << (info.st_mode & 0777);
  EXPECT_EQ(info.st_uid, ::getuid());
}

TEST_F(RemoteServerTest, ReplacesAStaleSocketFile) {
  // What a terminal that ended without closing leaves: a socket file that nobody listens on.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray path = QFile::encodeName(Name());
  std::memcpy(address.sun_path, path.constData(), path.size());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
  ASSERT_TRUE(QFileInfo::exists(Name()));

  StartServer();
  EXPECT_TRUE(AllLog().contains(QStringLiteral("已失效"))) << AllLog().toStdString();
  ExpectServes();
}

TEST_F(RemoteServerTest, LeavesTheEndpointToATerminalThatAnswers) {
  StartServer();
  TFakeLog secondLog;
  std::vector<TCall> secondCalls;
  auto second = std::make_unique<TRemoteServer>(
      secondLog, [&](quint32 message, qint64 wParam) { secondCalls.push_back({message, wParam}); }, Name());
  EXPECT_FALSE(second->Listen());
  EXPECT_FALSE(second->IsListening());
  EXPECT_TRUE(secondLog.Errors.join('\n').contains(QStringLiteral("另一个终端"))) << secondLog.Errors.join('\n').toStdString();
  ExpectServes();
  second.reset();  // and leaves the first one's socket alone when it goes
  ExpectServes();
  EXPECT_TRUE(secondCalls.empty());
  EXPECT_TRUE(FLog.Errors.isEmpty()) << FLog.Errors.join('\n').toStdString();  // the probe is no bad request
}

TEST(RemoteEndpointNameTest, IsPerUserUnlessOverridden) {
  const QByteArray saved = qgetenv("VIREO_REMOTE_NAME");
  qunsetenv("VIREO_REMOTE_NAME");
  EXPECT_EQ(RemoteEndpointName(), QStringLiteral("vireo-remote-%1").arg(::getuid()));
  qputenv("VIREO_REMOTE_NAME", "/tmp/x/remote.sock");
  EXPECT_EQ(RemoteEndpointName(), "/tmp/x/remote.sock");
  if (saved.isEmpty()) {
    qunsetenv("VIREO_REMOTE_NAME");
  } else {
    qputenv("VIREO_REMOTE_NAME", saved);
  }
}

// --- vireo-remote against an endpoint in this process ---

struct TRun {
  int ExitCode = -1;
  QByteArray Out;
  QByteArray Err;
};

// Runs the tool while this thread's event loop serves its request.
TRun RunTool(const QString& name, const QStringList& args) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("VIREO_REMOTE_NAME"), name);
  process.setProcessEnvironment(environment);
  QEventLoop loop;
  QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
  QTimer::singleShot(20000, &loop, &QEventLoop::quit);
  process.start(QStringLiteral(VIREO_BIN_DIR "/vireo-remote"), args);
  loop.exec();
  TRun run;
  if (process.state() != QProcess::NotRunning || process.exitStatus() != QProcess::NormalExit) {
    ADD_FAILURE() << "vireo-remote did not end normally: " << process.errorString().toStdString();
    process.kill();
    process.waitForFinished();
    return run;
  }
  QCoreApplication::sendPostedEvents();
  run.ExitCode = process.exitCode();
  run.Out = process.readAllStandardOutput();
  run.Err = process.readAllStandardError();
  return run;
}

bool OneLine(const QByteArray& text) { return text.endsWith('\n') && text.count('\n') == 1 && text.size() > 1; }

struct TToolCase {
  const char* what;
  QStringList args;
  TCall call;
};
void PrintTo(const TToolCase& c, std::ostream* os) { *os << c.what; }

class RemoteToolTest : public RemoteServerTest, public ::testing::WithParamInterface<TToolCase> {};

TEST_P(RemoteToolTest, TerminalTakesTheRequest) {
  StartServer();
  const TRun run = RunTool(Name(), GetParam().args);
  EXPECT_EQ(run.ExitCode, 0) << run.Err.toStdString();
  EXPECT_TRUE(run.Err.isEmpty()) << run.Err.toStdString();
  EXPECT_EQ(FCalls, std::vector<TCall>{GetParam().call});
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RemoteToolTest,
    ::testing::Values(TToolCase{"StopPoint", {"stop-point"}, {kWmRemoteStop, kRemoteStopPoint}},
                      TToolCase{"StopLive", {"stop-live"}, {kWmRemoteStop, kRemoteStopLive}},
                      TToolCase{"Exit", {"exit"}, {kWmRemoteExit, 0}},
                      TToolCase{"SendHex", {"send", "0x40d", "0X2"}, {kWmRemoteStop, 2}},
                      TToolCase{"SendDecimalNegative", {"send", "1077", "-1"}, {kWmRemoteExit, -1}},
                      TToolCase{"SendLargestWParam", {"send", "1037", "0x7FFFFFFFFFFFFFFF"},
                                {kWmRemoteStop, 0x7FFFFFFFFFFFFFFF}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(RemoteServerTest, ToolReportsARefusedRequest) {
  StartServer();
  const TRun run = RunTool(Name(), {"send", "0x10", "1"});
  EXPECT_EQ(run.ExitCode, 3);
  EXPECT_TRUE(OneLine(run.Err)) << run.Err.toStdString();
  EXPECT_TRUE(run.Err.contains("0x10")) << run.Err.toStdString();
  EXPECT_TRUE(FCalls.empty());
}

TEST_F(RemoteServerTest, ToolReportsNoTerminal) {
  const TRun run = RunTool(Name(), {"stop-point"});  // nothing listens there
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_TRUE(OneLine(run.Err)) << run.Err.toStdString();
}

TEST_F(RemoteServerTest, ToolRejectsBadUsageWithoutSending) {
  StartServer();
  const QList<QStringList> cases = {
      {},
      {"bogus"},
      {"STOP-POINT"},
      {"stop-point", "1"},
      {"exit", "now"},
      {"send"},
      {"send", "1037"},
      {"send", "1037", "1", "2"},
      {"send", "x", "1"},
      {"send", "0x", "1"},
      {"send", "1O37", "1"},
      {"send", " 1037", "1"},
      {"send", "+1037", "1"},
      {"send", "4294967296", "0"},
      {"send", "-1", "0"},
      {"send", "1037", "1.5"},
      {"send", "1037", "0xZZ"},
      {"send", "1037", "9223372036854775808"},
      {"send", "1037", ""},
  };
  for (const QStringList& args : cases) {
    SCOPED_TRACE(args.join(' ').toStdString());
    const TRun run = RunTool(Name(), args);
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_TRUE(OneLine(run.Err)) << run.Err.toStdString();
  }
  Spin(20);
  EXPECT_TRUE(FCalls.empty());
  EXPECT_EQ(AllLog().count(QStringLiteral("本地消息")), 1) << AllLog().toStdString();  // only its opening
}

TEST_F(RemoteServerTest, ToolHelpDescribesTheExitStatuses) {
  const TRun run = RunTool(Name(), {"--help"});
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_TRUE(run.Err.isEmpty());
  for (const char* part : {"stop-point", "stop-live", "exit", "send MESSAGE WPARAM", "1  no terminal", "2  bad usage",
                           "3  the terminal refused", "VIREO_REMOTE_NAME"}) {
    EXPECT_TRUE(run.Out.contains(part)) << part;
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
