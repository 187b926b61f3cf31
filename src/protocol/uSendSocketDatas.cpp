#include "protocol/uSendSocketDatas.h"

TSendSocketData::TSendSocketData(ILogSink& log) : FLog(log) {}

qint64 TSendSocketData::SendText(ISendSocket& socket, const QString& text) { return Send(socket, text, text); }

qint64 TSendSocketData::SendHeartbeat(ISendSocket& socket) { return SendText(socket, Encoder.EncodeLive(LiveData)); }

void TSendSocketData::SendLogin(ISendSocket& socket) {
  TLoginData masked = LoginData;
  masked.Password = kMaskedPassword;
  Send(socket, Encoder.EncodeLogin(LoginData), Encoder.EncodeLogin(masked));
}

qint64 TSendSocketData::Send(ISendSocket& socket, const QString& text, const QString& logText) {
  FLog.LogHint(QStringLiteral("发送消息-》 ") + logText);
  if (!socket.IsConnected()) return -1;
  return socket.SendBytes(text.toUtf8());
}
