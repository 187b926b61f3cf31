#include "protocol/uSendSocketDatas.h"

#include "support/FakeLog.h"

#include <gtest/gtest.h>

namespace {

class FakeSocket final : public ISendSocket {
 public:
  bool IsConnected() const override { return Connected; }
  qint64 SendBytes(const QByteArray& bytes) override {
    Sent += bytes;
    return Result.value_or(bytes.size());
  }

  bool Connected = true;
  std::optional<qint64> Result;
  QByteArray Sent;
};

class SenderTest : public testing::Test {
 protected:
  TFakeLog Log;
  FakeSocket Socket;
  TSendSocketData Sender{Log};
};

TEST_F(SenderTest, WritesExactlyTheUtf8TextAndLogsIt) {
  const QString text = QString::fromUtf16(u"{\"x\":\"教\"}");
  EXPECT_EQ(Sender.SendText(Socket, text), text.toUtf8().size());
  EXPECT_EQ(Socket.Sent, text.toUtf8());
  EXPECT_EQ(Log.Hints, QStringList{QStringLiteral("发送消息-》 ") + text});
}

TEST_F(SenderTest, NotConnectedSendsNothingButStillLogs) {
  Socket.Connected = false;
  EXPECT_EQ(Sender.SendHeartbeat(Socket), -1);
  EXPECT_TRUE(Socket.Sent.isEmpty());
  ASSERT_EQ(Log.Hints.size(), 1);
  EXPECT_TRUE(Log.Hints[0].startsWith(QStringLiteral("发送消息-》 {")));
}

TEST_F(SenderTest, HeartbeatReturnsWhatTheSocketAccepted) {
  Socket.Result = -1;
  EXPECT_EQ(Sender.SendHeartbeat(Socket), -1);
  Socket.Result = 7;
  EXPECT_EQ(Sender.SendHeartbeat(Socket), 7);
  EXPECT_EQ(Socket.Sent, (Sender.Encoder.EncodeLive(Sender.LiveData) + Sender.Encoder.EncodeLive(Sender.LiveData)).toUtf8());
}

TEST_F(SenderTest, LoginPasswordGoesOnTheWireButNeverIntoTheLog) {
  Sender.LoginData = {"room101", "s3cret-pw", "10.0.0.5"};
  Sender.SendLogin(Socket);
  EXPECT_EQ(Socket.Sent, Sender.Encoder.EncodeLogin(Sender.LoginData).toUtf8());
  EXPECT_TRUE(Socket.Sent.contains("\"password\": \"s3cret-pw\""));
  ASSERT_EQ(Log.Hints.size(), 1);
  EXPECT_FALSE(Log.Hints[0].contains("s3cret-pw"));
  EXPECT_TRUE(Log.Hints[0].contains("\"password\": \"******\""));
  EXPECT_TRUE(Log.Hints[0].contains("\"username\": \"room101\""));
}

}  // namespace
