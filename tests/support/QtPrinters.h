#pragma once
// Readable GoogleTest failure messages for Qt strings: QString as UTF-8, QByteArray with its
// control and non-ASCII bytes escaped, so CR LF and code-page bytes show.

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
  *os << '"';
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u == '\r') {
      *os << "\\r";
    } else if (u == '\n') {
      *os << "\\n";
    } else if (u < 0x20 || u >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      *os << hex;
    } else {
      *os << c;
    }
  }
  *os << '"';
}
