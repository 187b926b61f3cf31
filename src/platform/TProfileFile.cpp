#include "platform/TProfileFile.h"

#include "platform/TProfileText.h"
#include "platform/uGbk.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

#include <optional>

namespace {

// Terminals have always read strings into a 2048-byte buffer: 2047 bytes and the terminator.
constexpr qsizetype kMaxValueBytes = 2047;

// The longest start of the text whose GBK form fits in kMaxValueBytes, never splitting a
// character (nor a surrogate pair).
QString CappedToBytes(const QString& text) {
  if (Gbk::Encode(text).size() <= kMaxValueBytes) return text;
  qsizetype bytes = 0;
  qsizetype end = 0;
  while (end < text.size()) {
    const bool pair = text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate();
    const qsizetype length = pair ? 2 : 1;
    bytes += Gbk::Encode(text.sliced(end, length)).size();
    if (bytes > kMaxValueBytes) break;
    end += length;
  }
  return text.first(end);
}

bool AllDigits(QStringView text, bool hex) {
  if (text.isEmpty()) return false;
  for (QChar c : text) {
    const char16_t u = c.unicode();
    const bool digit = u >= u'0' && u <= u'9';
    const bool letter = (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
    if (!digit && !(hex && letter)) return false;
  }
  return true;
}

// Decimal with an optional sign, or up to 32 bits of hex after "$", "0x" or "0X" (taken as the
// bits of a signed value, so $FFFFFFFF is -1). Anything else does not read as an integer.
std::optional<std::int32_t> ParseInteger(QStringView text) {
  QStringView hex;
  if (text.startsWith(u'$'))
    hex = text.sliced(1);
  else if (text.startsWith(u"0x") || text.startsWith(u"0X"))
    hex = text.sliced(2);
  bool ok = false;
  if (!hex.isNull()) {
    if (!AllDigits(hex, true)) return std::nullopt;
    const qulonglong value = hex.toULongLong(&ok, 16);
    if (!ok || value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  const QStringView digits = text.startsWith(u'+') || text.startsWith(u'-') ? text.sliced(1) : text;
  if (!AllDigits(digits, false)) return std::nullopt;
  const qlonglong value = text.toLongLong(&ok, 10);
  if (!ok || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

// The file's text, empty when it is missing or unreadable.
QString ReadText(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return Gbk::Decode(file.readAll());
}

}  // namespace

EProfileWriteError::EProfileWriteError(const QString& fileName)
    : std::runtime_error((QStringLiteral("Unable to write to ") + fileName).toStdString()) {}

TProfileFile::TProfileFile(QString fileName) : FFileName(std::move(fileName)) {}

QString TProfileFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
  const std::optional<QString> value = TProfileText(ReadText(FFileName)).Value(section, key);
  return value ? CappedToBytes(*value) : defaultValue;
}

std::int32_t TProfileFile::ReadInteger(const QString& section, const QString& key, std::int32_t defaultValue) const {
  const std::optional<QString> value = TProfileText(ReadText(FFileName)).Value(section, key);
  if (!value) return defaultValue;
  return ParseInteger(CappedToBytes(*value)).value_or(defaultValue);
}

bool TProfileFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TProfileFile::WriteString(const QString& section, const QString& key, const QString& value) {
  TProfileText text{QString()};
  if (QFileInfo::exists(FFileName)) {
    QFile current(FFileName);
    // Writing without the current contents would lose every other key.
    if (!current.open(QIODevice::ReadOnly)) throw EProfileWriteError(FFileName);
    text = TProfileText(Gbk::Decode(current.readAll()));
  }
  // A value is one line. Values such as notice addresses come from the network: a line break in
  // one must not be able to write further keys into the file.
  QString oneLine = value;
  oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  text.SetValue(section, key, oneLine);

  // The new contents replace the file in one step, so a failure leaves it as it was; QSaveFile
  // refuses to replace an existing file that is not writable. Unbuffered: commit() does not
  // report a failed flush of buffered bytes and would install a cut-off file.
  // The settings hold the terminal's password: the file is its owner's alone, also when an
  // older, readable file is rewritten.
  const QByteArray bytes = Gbk::Encode(text.Text());
  QSaveFile file(FFileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || ::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0 ||
      file.write(bytes) != bytes.size() || !file.commit())
    throw EProfileWriteError(FFileName);
}

void TProfileFile::WriteInteger(const QString& section, const QString& key, std::int32_t value) {
  WriteString(section, key, QString::number(value));
}

void TProfileFile::WriteBool(const QString& section, const QString& key, bool value) {
  WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
