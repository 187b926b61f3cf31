#pragma once
// Sends the terminal's two messages: bare JSON text in UTF-8, no header, no terminator.

#include "platform/uLogSink.h"
#include "protocol/JsonEncoders.h"

#include <QByteArray>
#include <QString>

// What the sender needs of a connection.
class ISendSocket {
 public:
  virtual ~ISendSocket() = default;
  virtual bool IsConnected() const = 0;
  // Writes the bytes in one send: the count accepted, or -1 when nothing could be written.
  virtual qint64 SendBytes(const QByteArray& bytes) = 0;
};

class TSendSocketData {
 public:
  explicit TSendSocketData(ILogSink& log);

  TEncoderJsonData Encoder;
  TLiveData LiveData;    // filled after a successful login reply
  TLoginData LoginData;  // filled on every connect

  // Logs the text (also when nothing is sent), then writes its UTF-8 form: the count of bytes
  // accepted, or -1 when the socket is not connected or the send failed.
  qint64 SendText(ISendSocket& socket, const QString& text);
  qint64 SendHeartbeat(ISendSocket& socket);
  // The log shows the login message with its password masked; the wire gets the real one.
  void SendLogin(ISendSocket& socket);

  static inline const QString kMaskedPassword = QStringLiteral("******");

 private:
  qint64 Send(ISendSocket& socket, const QString& text, const QString& logText);

  ILogSink& FLog;
};
