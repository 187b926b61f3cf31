#include "platform/uGbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Gbk {

namespace {
bool IsAscii(const QString& text) {
  for (QChar c : text)
    if (c.unicode() >= 0x80) return false;
  return true;
}
}  // namespace

// Opening a code page converter costs far more than a typical conversion, so each thread keeps
// one of each. Stateless converters carry nothing from one call into the next.
QByteArray Encode(const QString& text) {
  if (IsAscii(text)) return text.toLatin1();
  thread_local QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
  return encoder.encode(text);
}

QString Decode(const QByteArray& bytes) {
  thread_local QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
  return decoder.decode(bytes);
}

QString Narrow(const QString& text) {
  if (IsAscii(text)) return text;
  return Decode(Encode(text));
}

}  // namespace Gbk
