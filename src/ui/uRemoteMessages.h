#pragma once
// The messages other programs of the same user may send the terminal, and where they reach it.
// Shared by the terminal's endpoint (TRemoteServer) and the vireo-remote tool.
//
// Wire format: one line of JSON per connection, {"message":1037,"wParam":1}, answered by one line,
// {"ok":true} or {"ok":false,"error":"..."}, after which the terminal closes the connection.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <unistd.h>

// The numbers are those the classroom's other programs already send.
inline constexpr quint32 kWmRemoteStop = 0x40D;  // wParam kRemoteStopPoint or kRemoteStopLive
inline constexpr quint32 kWmRemoteExit = 0x435;  // wParam unused
inline constexpr qint64 kRemoteStopPoint = 1;    // pause the on-demand player
inline constexpr qint64 kRemoteStopLive = 2;     // stop the live frame

// The endpoint's name: one per user, in the temporary directory. VIREO_REMOTE_NAME, when set,
// replaces it (a plain name or an absolute socket path): a hook for tests and debugging, so that
// a second endpoint can run beside a real terminal.
inline QString RemoteEndpointName() {
  const QByteArray custom = qgetenv("VIREO_REMOTE_NAME");
  if (!custom.isEmpty()) return QString::fromLocal8Bit(custom);
  return QStringLiteral("vireo-remote-%1").arg(::getuid());
}
