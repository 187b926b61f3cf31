#pragma once
// For cases that run under the "xvfb" fixture: points DISPLAY at the server it started.

#include <QByteArray>
#include <QFile>

// False when the fixture left no display behind.
inline bool UseXvfbDisplay() {
  QFile file(QStringLiteral(VIREO_XVFB_DISPLAY_FILE));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray display = file.readAll().trimmed();
  if (!display.startsWith(':')) return false;
  qputenv("DISPLAY", display);
  return true;
}
