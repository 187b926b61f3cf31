#pragma once
// Inbound frames as the platform sends them, for feeding the receive path.

#include <QByteArray>
#include <QtEndian>

#include <cstdint>
#include <optional>

// The header's uninterpreted bytes hold noise, so nothing may depend on them.
inline QByteArray Frame(const QByteArray& body, std::optional<std::int32_t> length = std::nullopt,
                        QByteArray endMarker = QByteArray("\xFF\x05", 2)) {
  QByteArray header(16, '\0');
  header[0] = '\xFF';
  header[1] = '\x04';
  header[2] = '\x7A';
  header[3] = '\xFE';
  qToLittleEndian<std::int32_t>(length.value_or(static_cast<std::int32_t>(body.size())), header.data() + 4);
  for (int i = 8; i < 14; ++i) header[i] = static_cast<char>(0xA0 + i);
  header[14] = endMarker[0];
  header[15] = endMarker[1];
  return header + body;
}
