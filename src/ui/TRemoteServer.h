#pragma once
// The terminal's local endpoint for messages from other programs of the same user (see
// uRemoteMessages.h for the numbers and the wire format). Only the owner may connect; requests are
// read as they arrive, never by waiting on the GUI thread.

#include "platform/uLogSink.h"
#include "ui/uRemoteMessages.h"

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

class TRemoteServer final : public QObject {
  Q_OBJECT

 public:
  // Called from the event loop, after the sender has its answer, for each accepted request.
  using THandler = std::function<void(quint32 message, qint64 wParam)>;

  // A request line may not exceed this many bytes, its newline included.
  static constexpr qsizetype kMaxRequestBytes = 4096;
  static constexpr int kDefaultIdleTimeoutMs = 2000;

  // idleTimeoutMs: how long a client may stay connected without completing its request.
  TRemoteServer(ILogSink& log, THandler handler, QString name = RemoteEndpointName(),
                int idleTimeoutMs = kDefaultIdleTimeoutMs, QObject* parent = nullptr);
  ~TRemoteServer() override;

  // Opens the endpoint, replacing a stale socket file that no server answers on. Returns false,
  // with a log entry, when another terminal answers there or the socket cannot be made.
  bool Listen();
  bool IsListening() const;
  // The socket file's path once listening.
  QString FullServerName() const;

 private:
  void AcceptPending();
  void ReadRequest(QLocalSocket* client);
  void Answer(QLocalSocket* client, bool ok, const QString& error = {});
  void HandleLine(QLocalSocket* client, const QByteArray& line);

  ILogSink& FLog;
  THandler FHandler;
  QString FName;
  int FIdleTimeoutMs;
  QLocalServer* FServer;
};
