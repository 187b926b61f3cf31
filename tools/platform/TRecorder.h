#pragma once
// Writes every message the terminal sent as one JSON line, {"t": time, "connection": n,
// "message": ...}, flushed at once so a test or a person can follow the file while it grows.
// Bytes that never parsed are kept as text, marked "raw": true.

#include <QFile>
#include <QString>
#include <nlohmann/json.hpp>
#include <string>

class TRecorder {
 public:
  // Starts the file afresh. Without a file the recorder stays silent.
  bool Open(const QString& path, QString* error);
  void Record(int connection, const nlohmann::json& message);
  void RecordRaw(int connection, const std::string& bytes);

 private:
  void WriteLine(int connection, const std::string& messageJson, bool raw);

  QFile FFile;
};
