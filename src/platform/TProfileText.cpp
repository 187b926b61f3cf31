#include "platform/TProfileText.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The name of a section header line ("[name]", blanks allowed around the name and the line).
std::optional<QString> SectionName(const QString& line) {
  const QString text = line.trimmed();
  if (!text.startsWith(u'[')) return std::nullopt;
  const qsizetype close = text.lastIndexOf(u']');
  const QStringView inner = close > 0 ? QStringView(text).sliced(1, close - 1) : QStringView(text).sliced(1);
  return inner.trimmed().toString();
}

struct TPair {
  QString Name;
  QString Value;
};

// A "name=value" line; comments (";...") and lines without a name are not keys.
std::optional<TPair> KeyPair(const QString& line) {
  const qsizetype equals = line.indexOf(u'=');
  if (equals < 0) return std::nullopt;
  QString name = line.first(equals).trimmed();
  if (name.isEmpty() || name.startsWith(u';')) return std::nullopt;
  return TPair{std::move(name), line.sliced(equals + 1).trimmed()};
}

QString Unquoted(const QString& value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
    return value.sliced(1, value.size() - 2);
  return value;
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

TProfileText::TProfileText(const QString& text) {
  if (text.isEmpty()) return;
  FLines = text.split(u'\n');
  // A final line break leaves an empty piece that is no line of the file.
  if (text.endsWith(u'\n')) FLines.removeLast();
  for (QString& line : FLines)
    if (line.endsWith(u'\r')) line.chop(1);
}

std::optional<QString> TProfileText::Value(const QString& section, const QString& key) const {
  const qsizetype header = FindSection(section);
  if (header < 0) return std::nullopt;
  const std::optional<TKeyAt> found = FindKey(header, key);
  if (!found) return std::nullopt;
  return Unquoted(found->Value);
}

void TProfileText::SetValue(const QString& section, const QString& key, const QString& value) {
  const QString newLine = key + u'=' + value;
  const qsizetype header = FindSection(section);
  if (header < 0) {
    // A blank line keeps the new section apart from the one before it.
    if (!FLines.isEmpty() && !FLines.back().trimmed().isEmpty()) FLines.append(QString());
    FLines.append(u'[' + section + u']');
    FLines.append(newLine);
    return;
  }
  if (const std::optional<TKeyAt> found = FindKey(header, key)) {
    FLines[found->Line] = found->Name + u'=' + value;
    return;
  }
  // After the section's last key, so blank lines and comments that close the section stay last.
  qsizetype insertAt = header + 1;
  const qsizetype end = SectionEnd(header);
  for (qsizetype i = header + 1; i < end; ++i)
    if (KeyPair(FLines[i])) insertAt = i + 1;
  FLines.insert(insertAt, newLine);
}

QString TProfileText::Text() const {
  QString text;
  for (const QString& line : FLines) text += line + kCrLf;
  return text;
}

qsizetype TProfileText::FindSection(const QString& section) const {
  for (qsizetype i = 0; i < FLines.size(); ++i) {
    const std::optional<QString> name = SectionName(FLines[i]);
    if (name && SameName(*name, section)) return i;
  }
  return -1;
}

qsizetype TProfileText::SectionEnd(qsizetype header) const {
  for (qsizetype i = header + 1; i < FLines.size(); ++i)
    if (SectionName(FLines[i])) return i;
  return FLines.size();
}

std::optional<TProfileText::TKeyAt> TProfileText::FindKey(qsizetype header, const QString& key) const {
  const qsizetype end = SectionEnd(header);
  for (qsizetype i = header + 1; i < end; ++i) {
    std::optional<TPair> pair = KeyPair(FLines[i]);
    if (pair && SameName(pair->Name, key)) return TKeyAt{i, std::move(pair->Name), std::move(pair->Value)};
  }
  return std::nullopt;
}
