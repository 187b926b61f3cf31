#pragma once
// Cuts the platform's framed messages out of the received byte stream. A frame is a 16-byte
// header (0xFF 0x04, two free bytes, the body length as signed 32-bit little-endian, six free
// bytes, 0xFF 0x05) followed by the UTF-8 body.

#include "platform/uLogSink.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

class TDecHead {
 public:
  static constexpr int kHeaderSize = 16;
  // No platform message comes near this; a larger length means the stream is corrupt.
  static constexpr std::int32_t kMaxBodyLength = 16 * 1024 * 1024;

  // log, when given, hears how many bytes were dropped to resynchronise.
  explicit TDecHead(ILogSink* log = nullptr);

  // Appends the bytes of one read.
  void AddData(QByteArrayView bytes);
  // Takes at most one complete frame out of the buffer; true when one was taken. Bytes ahead
  // of its start marker are dropped with it. A header that cannot be right (no end marker,
  // negative or oversized length) loses its start marker and the search goes on at the next.
  bool CheckFrame();
  // The last taken frame's body, decoded from UTF-8 and narrowed to what GBK can hold; empty
  // when the body was not valid UTF-8 or held a character outside the basic plane.
  QString Body() const;
  // The last taken frame's body as it arrived.
  const QByteArray& RawBody() const { return FRawBody; }
  // Forgets everything buffered, for a new connection.
  void Clear();
  // Bytes received and not yet consumed.
  qsizetype Buffered() const { return FBuffer.size() - FHead; }

  // The body conversion on its own.
  static QString ConvertBody(const QByteArray& utf8);

 private:
  void Discard(qsizetype upTo);  // drops buffered bytes before upTo and counts them
  void ReportDiscarded();
  void Compact();

  ILogSink* FLog;
  QByteArray FBuffer;
  qsizetype FHead = 0;        // first unconsumed byte
  qsizetype FScanFrom = 0;    // no start marker begins before this (unless FStart says so)
  qsizetype FStart = -1;      // start marker of the frame being assembled, or -1
  qsizetype FDiscarded = 0;   // dropped bytes not yet reported
  QByteArray FRawBody;
  mutable QString FBody;
  mutable bool FBodyReady = true;
};
