#pragma once
// Writes framed messages to one terminal connection. Every write goes through one queue, so a
// frame that is sent in pieces with pauses between them is never overtaken by a later one.

#include <QByteArray>
#include <QList>
#include <QTimer>
#include <deque>

class QTcpSocket;

// One frame: 0xFF 0x04, two free bytes (here the sequence number), the body length as signed
// 32-bit little-endian, six free bytes (zero), 0xFF 0x05, then the body.
QByteArray EncodeFrame(const QByteArray& body, quint16 sequence = 0);
// The same frame with a wrong end-of-header marker, for terminals that must survive one.
QByteArray EncodeBrokenFrame(const QByteArray& body, quint16 sequence = 0);

class TFrameWriter {
 public:
  static constexpr int kHeaderSize = 16;

  explicit TFrameWriter(QTcpSocket* socket);

  void SendFrame(const QByteArray& body);
  void SendRaw(const QByteArray& bytes);
  // The frame cut into parts (at most one per byte), each written delayMs after the previous.
  void SendSplit(const QByteArray& body, int parts, int delayMs);
  // Several frames in one write.
  void SendCoalesced(const QList<QByteArray>& bodies);
  void SendBrokenHeader(const QByteArray& body);

 private:
  struct TWrite {
    QByteArray Bytes;
    int DelayMs;
  };
  void Enqueue(QByteArray bytes, int delayMs = 0);
  void Pump();

  QTcpSocket* FSocket;
  std::deque<TWrite> FQueue;
  QTimer FDelay;
  quint16 FSequence = 0;
};
