#include "TFrameWriter.h"

#include <QTcpSocket>
#include <QtEndian>
#include <algorithm>

namespace {

QByteArray Header(qsizetype bodySize, quint16 sequence, char end1) {
  QByteArray header(TFrameWriter::kHeaderSize, '\0');
  header[0] = '\xFF';
  header[1] = '\x04';
  qToLittleEndian<quint16>(sequence, header.data() + 2);
  qToLittleEndian<qint32>(static_cast<qint32>(bodySize), header.data() + 4);
  header[14] = '\xFF';
  header[15] = end1;
  return header;
}

}  // namespace

QByteArray EncodeFrame(const QByteArray& body, quint16 sequence) {
  return Header(body.size(), sequence, '\x05') + body;
}

QByteArray EncodeBrokenFrame(const QByteArray& body, quint16 sequence) {
  return Header(body.size(), sequence, '\x06') + body;
}

TFrameWriter::TFrameWriter(QTcpSocket* socket) : FSocket(socket) {
  FDelay.setSingleShot(true);
  FDelay.setTimerType(Qt::PreciseTimer);
  QObject::connect(&FDelay, &QTimer::timeout, FSocket, [this] { Pump(); });
}

void TFrameWriter::SendFrame(const QByteArray& body) { Enqueue(EncodeFrame(body, FSequence++)); }

void TFrameWriter::SendRaw(const QByteArray& bytes) { Enqueue(bytes); }

void TFrameWriter::SendSplit(const QByteArray& body, int parts, int delayMs) {
  const QByteArray frame = EncodeFrame(body, FSequence++);
  const qsizetype count = std::clamp<qsizetype>(parts, 1, frame.size());
  const qsizetype step = frame.size() / count;
  for (qsizetype i = 0; i < count; ++i) {
    const qsizetype from = i * step;
    const qsizetype size = i + 1 == count ? frame.size() - from : step;
    Enqueue(frame.mid(from, size), i == 0 ? 0 : delayMs);
  }
}

void TFrameWriter::SendCoalesced(const QList<QByteArray>& bodies) {
  QByteArray bytes;
  for (const QByteArray& body : bodies) bytes += EncodeFrame(body, FSequence++);
  Enqueue(bytes);
}

void TFrameWriter::SendBrokenHeader(const QByteArray& body) { Enqueue(EncodeBrokenFrame(body, FSequence++)); }

void TFrameWriter::Enqueue(QByteArray bytes, int delayMs) {
  FQueue.push_back({std::move(bytes), delayMs});
  Pump();
}

void TFrameWriter::Pump() {
  while (!FQueue.empty() && !FDelay.isActive()) {
    if (FSocket->state() != QAbstractSocket::ConnectedState) {
      FQueue.clear();
      return;
    }
    TWrite& next = FQueue.front();
    if (next.DelayMs > 0) {
      FDelay.start(next.DelayMs);
      next.DelayMs = 0;
      return;
    }
    FSocket->write(next.Bytes);
    FSocket->flush();
    FQueue.pop_front();
  }
}
