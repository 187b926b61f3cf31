#include "TRecorder.h"

#include <QDateTime>

bool TRecorder::Open(const QString& path, QString* error) {
  FFile.setFileName(path);
  if (FFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) return true;
  *error = FFile.errorString();
  return false;
}

void TRecorder::Record(int connection, const nlohmann::json& message) { WriteLine(connection, message.dump(), false); }

void TRecorder::RecordRaw(int connection, const std::string& bytes) {
  // Garbage need not be UTF-8; invalid bytes become U+FFFD rather than losing the line.
  WriteLine(connection, nlohmann::json(bytes).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), true);
}

void TRecorder::WriteLine(int connection, const std::string& messageJson, bool raw) {
  if (!FFile.isOpen()) return;
  const std::string stamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString();
  // Assembled by hand only to keep "t" first for people reading the file; every piece is JSON.
  std::string line = "{\"t\":" + nlohmann::json(stamp).dump() + ",\"connection\":" + std::to_string(connection) +
                     ",\"message\":" + messageJson + (raw ? ",\"raw\":true}" : "}") + "\n";
  FFile.write(line.data(), static_cast<qint64>(line.size()));
  FFile.flush();
}
