#include "net/TQtClientSocket.h"

#include <QTcpSocket>

TQtClientSocket::TQtClientSocket(QObject* parent) : QObject(parent), FSocket(new QTcpSocket(this)) {
  connect(FSocket, &QTcpSocket::hostFound, this, [this] {
    if (FEvents) FEvents->ClientSocket1Connecting();
  });
  connect(FSocket, &QTcpSocket::connected, this, [this] {
    if (FEvents) FEvents->ClientSocket1Connect();
  });
  connect(FSocket, &QTcpSocket::disconnected, this, [this] {
    if (FEvents) FEvents->ClientSocket1Disconnect();
  });
  connect(FSocket, &QTcpSocket::readyRead, this, [this] {
    if (FEvents) FEvents->ClientSocket1Read();
  });
  connect(FSocket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
    // The peer closing the connection is a disconnect, not an error.
    if (error == QAbstractSocket::RemoteHostClosedError) return;
    if (FEvents) FEvents->ClientSocket1Error(WinsockCode(error));
  });
}

void TQtClientSocket::Open(const QString& host, int port) {
  FSocket->connectToHost(host, static_cast<quint16>(port));
}

void TQtClientSocket::Close() {
  const QAbstractSocket::SocketState state = FSocket->state();
  if (state == QAbstractSocket::ConnectedState || state == QAbstractSocket::ClosingState) {
    FSocket->abort();  // emits disconnected
    return;
  }
  FSocket->abort();
  // An attempt in progress held a socket too; its end is a disconnect as well.
  if (state != QAbstractSocket::UnconnectedState && FEvents) FEvents->ClientSocket1Disconnect();
}

bool TQtClientSocket::Active() const { return FSocket->state() == QAbstractSocket::ConnectedState; }

QByteArray TQtClientSocket::ReadAll() { return FSocket->readAll(); }

qint64 TQtClientSocket::SendBytes(const QByteArray& bytes) {
  const qint64 written = FSocket->write(bytes);
  // Hand the bytes to the kernel now, as a plain send would, instead of on the next loop turn.
  FSocket->flush();
  return written;
}

int TQtClientSocket::WinsockCode(QAbstractSocket::SocketError error) {
  switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;
    case QAbstractSocket::HostNotFoundError: return 11001;
    case QAbstractSocket::SocketTimeoutError: return 10060;
    case QAbstractSocket::RemoteHostClosedError: return 10054;
    case QAbstractSocket::NetworkError: return 10051;
    case QAbstractSocket::SocketAccessError: return 10013;
    case QAbstractSocket::SocketResourceError: return 10055;
    case QAbstractSocket::UnsupportedSocketOperationError: return 10045;
    case QAbstractSocket::AddressInUseError: return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError: return 10049;
    // Anything else: "connection aborted", the closest general code.
    default: return 10053;
  }
}
