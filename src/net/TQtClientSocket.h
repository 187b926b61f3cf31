#pragma once
// The client socket on QTcpSocket, on the GUI thread's event loop.

#include "net/uClientSocket.h"

#include <QAbstractSocket>
#include <QObject>

class QTcpSocket;

class TQtClientSocket final : public QObject, public IClientSocket {
  Q_OBJECT

 public:
  explicit TQtClientSocket(QObject* parent = nullptr);

  void SetEvents(IClientSocketEvents* events) override { FEvents = events; }
  void Open(const QString& host, int port) override;
  void Close() override;
  bool Active() const override;
  QByteArray ReadAll() override;
  qint64 SendBytes(const QByteArray& bytes) override;

  // The Winsock number logged and shown for a socket error.
  static int WinsockCode(QAbstractSocket::SocketError error);

 private:
  QTcpSocket* FSocket;
  IClientSocketEvents* FEvents = nullptr;
};
