#include "protocol/JsonWriter.h"

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

void WriteString(QString& out, const QString& text) {
  static const char kHex[] = "0123456789abcdef";
  out += u'"';
  for (QChar c : text) {
    const char16_t u = c.unicode();
    switch (u) {
      case u'\b': out += u"\\b"; break;
      case u'\t': out += u"\\t"; break;
      case u'\n': out += u"\\n"; break;
      case u'\f': out += u"\\f"; break;
      case u'\r': out += u"\\r"; break;
      case u'"': out += u"\\\""; break;
      case u'\\': out += u"\\\\"; break;
      case u'/': out += u"\\/"; break;
      default:
        if (u < 0x20 || u >= 0x80) {
          // Each UTF-16 unit on its own, so a character outside the basic plane becomes its two
          // escaped surrogates.
          out += u"\\u";
          for (int shift = 12; shift >= 0; shift -= 4) out += QLatin1Char(kHex[(u >> shift) & 0xF]);
        } else {
          out += c;
        }
    }
  }
  out += u'"';
}

void Indent(QString& out, int level) { out += QString(level, u' '); }

}  // namespace

QString TJsonValue::ToText() const {
  QString out;
  Write(out, 0);
  return out;
}

void TJsonValue::Write(QString& out, int level) const {
  if (const auto* text = std::get_if<QString>(&FValue)) {
    WriteString(out, *text);
  } else if (const auto* number = std::get_if<std::int64_t>(&FValue)) {
    out += QString::number(*number);
  } else if (const auto* object = std::get_if<Object>(&FValue)) {
    out += u'{';
    bool first = true;
    for (const auto& [name, value] : *object) {
      if (!first) out += u',';
      first = false;
      out += kLineBreak;
      Indent(out, level + 1);
      WriteString(out, name);
      out += u": ";
      value.Write(out, level + 1);
    }
    out += kLineBreak;
    Indent(out, level);
    out += u'}';
  } else if (const auto* array = std::get_if<Array>(&FValue)) {
    if (array->empty()) {
      out += u"[]";
      return;
    }
    out += u'[';
    bool first = true;
    for (const TJsonValue& value : *array) {
      if (!first) out += u',';
      first = false;
      out += kLineBreak;
      Indent(out, level + 1);
      value.Write(out, level + 1);
    }
    out += kLineBreak;
    Indent(out, level);
    out += u']';
  }
}
