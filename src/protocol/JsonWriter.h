#pragma once
// The one text form in which the platform has always received our messages: members sorted by
// name, one space of indent per level, CR LF between lines, every non-ASCII character escaped.

#include <QString>

#include <cstdint>
#include <map>
#include <variant>
#include <vector>

class TJsonValue {
 public:
  using Object = std::map<QString, TJsonValue>;  // QString orders by UTF-16 code units
  using Array = std::vector<TJsonValue>;

  TJsonValue(const QString& text) : FValue(text) {}
  TJsonValue(const char* text) : FValue(QString::fromLatin1(text)) {}
  TJsonValue(std::int64_t number) : FValue(number) {}
  TJsonValue(Object object) : FValue(std::move(object)) {}
  TJsonValue(Array array) : FValue(std::move(array)) {}

  QString ToText() const;

 private:
  void Write(QString& out, int level) const;

  std::variant<QString, std::int64_t, Object, Array> FValue;
};
