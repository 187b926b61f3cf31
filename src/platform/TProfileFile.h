#pragma once
// A profile (INI) file with the semantics terminals have always relied on: names are
// case-insensitive, blanks around names and values are trimmed, one pair of matching quotes
// around a value is stripped, string reads are capped at 2047 bytes, integers read in decimal
// or as "$", "0x", "0X" hexadecimal. Every read and write goes straight to the file; a write
// replaces the value in place, or adds the key at the end of its section, or the section at the
// end of the file. Bytes on disk are GBK with CR LF line ends.

#include <QString>

#include <cstdint>
#include <stdexcept>

// Raised when a value cannot be written; what() is "Unable to write to " + the file name.
class EProfileWriteError : public std::runtime_error {
 public:
  explicit EProfileWriteError(const QString& fileName);
};

class TProfileFile {
 public:
  explicit TProfileFile(QString fileName);

  const QString& FileName() const { return FFileName; }

  QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
  std::int32_t ReadInteger(const QString& section, const QString& key, std::int32_t defaultValue) const;
  bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;

  // Each throws EProfileWriteError when the file cannot be written.
  void WriteString(const QString& section, const QString& key, const QString& value);
  void WriteInteger(const QString& section, const QString& key, std::int32_t value);
  void WriteBool(const QString& section, const QString& key, bool value);

 private:
  QString FFileName;
};
