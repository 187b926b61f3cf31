#pragma once
// The controller's connection to the platform: a non-blocking client socket whose events arrive
// on the event loop, with error codes in the Winsock numbering that terminals have always logged.

#include "protocol/uSendSocketDatas.h"

#include <QByteArray>
#include <QString>

class IClientSocketEvents {
 public:
  virtual ~IClientSocketEvents() = default;
  virtual void ClientSocket1Connecting() = 0;  // name looked up, connect starting
  virtual void ClientSocket1Connect() = 0;
  virtual void ClientSocket1Disconnect() = 0;
  virtual void ClientSocket1Read() = 0;
  virtual void ClientSocket1Error(int errorCode) = 0;
};

class IClientSocket : public ISendSocket {
 public:
  virtual void SetEvents(IClientSocketEvents* events) = 0;
  // Starts an asynchronous lookup and connect.
  virtual void Open(const QString& host, int port) = 0;
  // Closes the connection, or abandons an attempt in progress; the disconnect event fires when
  // there was either.
  virtual void Close() = 0;
  // True only while a connection is established.
  virtual bool Active() const = 0;
  virtual QByteArray ReadAll() = 0;
  bool IsConnected() const override { return Active(); }
};
