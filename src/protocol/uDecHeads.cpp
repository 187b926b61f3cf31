#include "protocol/uDecHeads.h"

#include "platform/uGbk.h"

#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>

namespace {

constexpr char kStart0 = '\xFF', kStart1 = '\x04';
constexpr char kEnd0 = '\xFF', kEnd1 = '\x05';
// Dropped bytes are reported once the stream is back in step, or at least this often.
constexpr qsizetype kDiscardReportBytes = 64 * 1024;

bool IsAscii(const QByteArray& bytes) {
  return std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

TDecHead::TDecHead(ILogSink* log) : FLog(log) {}

void TDecHead::AddData(QByteArrayView bytes) { FBuffer.append(bytes); }

bool TDecHead::CheckFrame() {
  for (;;) {
    if (FStart < 0) {
      const qsizetype from = std::max(FHead, FScanFrom);
      qsizetype s = from;
      for (;;) {
        s = FBuffer.indexOf(kStart0, s);
        if (s < 0 || s + 1 >= FBuffer.size() || FBuffer[s + 1] == kStart1) break;
        ++s;
      }
      if (s < 0 || s + 1 >= FBuffer.size()) {
        // No start marker: only a trailing 0xFF can still begin one.
        const bool keepLast = !FBuffer.isEmpty() && FBuffer.back() == kStart0;
        Discard(FBuffer.size() - (keepLast ? 1 : 0));
        FScanFrom = FHead;
        if (FDiscarded >= kDiscardReportBytes) ReportDiscarded();
        Compact();
        return false;
      }
      Discard(s);
      FStart = s;
    }

    if (FBuffer.size() - FStart < kHeaderSize) return false;
    const char* header = FBuffer.constData() + FStart;
    const std::int32_t length = qFromLittleEndian<std::int32_t>(header + 4);
    if (header[14] != kEnd0 || header[15] != kEnd1 || length < 0 || length > kMaxBodyLength) {
      // Not a frame after all: give up this start marker and look for the next one.
      Discard(FStart + 2);
      FScanFrom = FHead;
      FStart = -1;
      continue;
    }
    if (FBuffer.size() - FStart - kHeaderSize < length) return false;

    ReportDiscarded();
    FRawBody = FBuffer.mid(FStart + kHeaderSize, length);
    FBody.clear();
    FBodyReady = false;
    FHead = FStart + kHeaderSize + length;
    FScanFrom = FHead;
    FStart = -1;
    Compact();
    return true;
  }
}

QString TDecHead::Body() const {
  if (!FBodyReady) {
    FBody = ConvertBody(FRawBody);
    FBodyReady = true;
  }
  return FBody;
}

void TDecHead::Clear() {
  ReportDiscarded();
  FBuffer.clear();
  FHead = FScanFrom = 0;
  FStart = -1;
}

QString TDecHead::ConvertBody(const QByteArray& utf8) {
  // Plain ASCII reads the same in every step below.
  if (IsAscii(utf8)) return QString::fromLatin1(utf8);
  QStringDecoder decoder(QStringConverter::Utf8,
                         QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
  const QString text = decoder.decode(utf8);
  if (decoder.hasError()) return {};
  // Characters outside the basic plane cannot be held; such a body is dropped whole.
  if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); })) return {};
  return Gbk::Narrow(text);
}

void TDecHead::Discard(qsizetype upTo) {
  if (upTo <= FHead) return;
  FDiscarded += upTo - FHead;
  FHead = upTo;
}

void TDecHead::ReportDiscarded() {
  if (FDiscarded == 0) return;
  if (FLog != nullptr)
    FLog->LogHint(QStringLiteral("接收数据不是有效的帧，已丢弃 %1 字节").arg(FDiscarded));
  FDiscarded = 0;
}

void TDecHead::Compact() {
  // Move the remaining bytes to the front only when that is cheap compared with what was
  // consumed, so that many small frames in one large read cost linear time.
  if (FHead == 0 || FHead < FBuffer.size() - FHead) return;
  FBuffer.remove(0, FHead);
  FScanFrom = std::max<qsizetype>(0, FScanFrom - FHead);
  if (FStart >= 0) FStart -= FHead;
  FHead = 0;
}
