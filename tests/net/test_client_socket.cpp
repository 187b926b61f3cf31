// The client socket against real listeners on 127.0.0.1, and the single-instance lock.

#include "net/TQtClientSocket.h"
#include "platform/TSingleInstance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <functional>

namespace {

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  }
  return true;
}

class RecordingEvents final : public IClientSocketEvents {
 public:
  void ClientSocket1Connecting() override { Seen << "Connecting"; }
  void ClientSocket1Connect() override { Seen << "Connect"; }
  void ClientSocket1Disconnect() override { Seen << "Disconnect"; }
  void ClientSocket1Read() override { Seen << "Read"; }
  void ClientSocket1Error(int code) override { Seen << QStringLiteral("Error %1").arg(code); }
  QStringList Seen;
};

class ClientSocketTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Server.listen(QHostAddress::LocalHost, 0));
    Socket.SetEvents(&Events);
  }
  QTcpSocket* ConnectAndAccept() {
    Socket.Open("127.0.0.1", Server.serverPort());
    if (!WaitFor([&] { return Socket.Active() && Server.hasPendingConnections(); })) return nullptr;
    return Server.nextPendingConnection();
  }

  QTcpServer Server;
  RecordingEvents Events;
  TQtClientSocket Socket;
};

TEST_F(ClientSocketTest, ConnectsReadsAndSendsWholeMessages) {
  EXPECT_FALSE(Socket.Active());
  EXPECT_EQ(Socket.SendBytes("x"), -1) << "nothing to write to yet";
  QTcpSocket* peer = ConnectAndAccept();
  ASSERT_NE(peer, nullptr);
  EXPECT_EQ(Events.Seen, (QStringList{"Connecting", "Connect"}));

  const QByteArray message = "{\r\n \"key\": \"002\"\r\n}";
  EXPECT_EQ(Socket.SendBytes(message), message.size());
  QByteArray got;
  ASSERT_TRUE(WaitFor([&] { return (got += peer->readAll()).size() >= message.size(); }));
  EXPECT_EQ(got, message);

  peer->write("\xFF\x04 some bytes");
  ASSERT_TRUE(WaitFor([&] { return Events.Seen.contains("Read"); }));
  EXPECT_EQ(Socket.ReadAll(), QByteArray("\xFF\x04 some bytes"));
}

TEST_F(ClientSocketTest, PeerClosingIsADisconnectNotAnError) {
  QTcpSocket* peer = ConnectAndAccept();
  ASSERT_NE(peer, nullptr);
  peer->close();
  ASSERT_TRUE(WaitFor([&] { return Events.Seen.contains("Disconnect"); }));
  EXPECT_FALSE(Socket.Active());
  for (const QString& event : Events.Seen) EXPECT_FALSE(event.startsWith("Error")) << event.toStdString();
}

TEST_F(ClientSocketTest, CloseEndsAConnectionOrAnAttemptWithADisconnect) {
  ASSERT_NE(ConnectAndAccept(), nullptr);
  Socket.Close();
  EXPECT_FALSE(Socket.Active());
  EXPECT_EQ(Events.Seen.count("Disconnect"), 1);

  // An attempt still looking up its host is abandoned the same way.
  Events.Seen.clear();
  Socket.Open("vireo-test.invalid", 9);
  Socket.Close();
  EXPECT_EQ(Events.Seen, QStringList{"Disconnect"});
  // Nothing is left running: no late events of the abandoned attempt.
  QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
  EXPECT_EQ(Events.Seen, QStringList{"Disconnect"});

  // Closing an idle socket reports nothing.
  Events.Seen.clear();
  Socket.Close();
  EXPECT_TRUE(Events.Seen.isEmpty());
}

TEST_F(ClientSocketTest, RefusedConnectionReportsTheWinsockCode) {
  const quint16 port = Server.serverPort();
  Server.close();
  Socket.Open("127.0.0.1", port);
  ASSERT_TRUE(WaitFor([&] { return Events.Seen.contains("Error 10061"); }));
  EXPECT_FALSE(Socket.Active());
}

TEST(SingleInstance, SecondHolderOfTheSameNameIsRefusedUntilTheFirstEnds) {
  QTemporaryDir runtime;
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
  QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const QString name = "(Kelo_Vireo)Only One Application Instance Run!";
  {
    const TSingleInstance first(name);
    EXPECT_TRUE(first.IsFirst());
    EXPECT_TRUE(first.LockPath().startsWith(runtime.path()));
    const TSingleInstance second(name);
    EXPECT_FALSE(second.IsFirst());
    const TSingleInstance other("another name");
    EXPECT_TRUE(other.IsFirst());
  }
  const TSingleInstance again(name);
  EXPECT_TRUE(again.IsFirst());
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
