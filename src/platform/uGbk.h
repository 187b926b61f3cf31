#pragma once
// The GBK code page, used wherever the terminal's text meets bytes on disk, and to narrow
// received text to what a GBK string can hold.

#include <QByteArray>
#include <QString>

namespace Gbk {

QByteArray Encode(const QString& text);  // a character GBK lacks becomes '?'
QString Decode(const QByteArray& bytes);
// The text as it reads after a trip through GBK: characters GBK lacks become '?'.
QString Narrow(const QString& text);

}  // namespace Gbk
