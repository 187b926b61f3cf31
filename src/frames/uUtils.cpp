#include "frames/uUtils.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

#include <cstring>

namespace {

// Where the build puts the version text; see cmake/VersionStamp.cpp.in.
constexpr const char* kVersionSection = ".vireo.fileversion";
constexpr qsizetype kMaxVersionChars = 255;

// Decimal digits only: no sign, blank or hex prefix in an address or a port.
bool ReadWhole(const QString& text, qint64 max, qint64* value) {
  if (text.isEmpty() || text.size() > 10) return false;
  qint64 n = 0;
  for (const QChar c : text) {
    if (c < u'0' || c > u'9') return false;
    n = n * 10 + (c.unicode() - u'0');
  }
  if (n > max) return false;
  *value = n;
  return true;
}

QString TwoDigits(qint64 n) { return n < 10 ? QStringLiteral("0%1").arg(n) : QString::number(n); }

// Closes what it opened, however the read ends.
struct TElfFile {
  int Fd = -1;
  Elf* Handle = nullptr;
  ~TElfFile() {
    if (Handle) elf_end(Handle);
    if (Fd >= 0) ::close(Fd);
  }
};

}  // namespace

void Delay(std::int32_t ms) {
  QEventLoop loop;
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
  // The wait counts from the call, also while what was posted before it is served (even a zero
  // wait serves that).
  deadline.start(std::max<std::int32_t>(ms, 0));
  QCoreApplication::sendPostedEvents();
  loop.exec();
}

QString ReadFileVersionText(const QString& path) {
  if (elf_version(EV_CURRENT) == EV_NONE) return {};
  TElfFile file;
  file.Fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (file.Fd < 0) return {};
  file.Handle = elf_begin(file.Fd, ELF_C_READ, nullptr);
  if (!file.Handle || elf_kind(file.Handle) != ELF_K_ELF) return {};
  size_t namesIndex = 0;
  if (elf_getshdrstrndx(file.Handle, &namesIndex) != 0) return {};

  for (Elf_Scn* section = elf_nextscn(file.Handle, nullptr); section;
       section = elf_nextscn(file.Handle, section)) {
    GElf_Shdr header;
    if (!gelf_getshdr(section, &header)) return {};
    const char* name = elf_strptr(file.Handle, namesIndex, header.sh_name);
    if (!name || std::strcmp(name, kVersionSection) != 0) continue;
    const Elf_Data* data = elf_getdata(section, nullptr);
    if (!data || !data->d_buf) return {};
    const auto* bytes = static_cast<const char*>(data->d_buf);
    const size_t length = strnlen(bytes, data->d_size);
    return QString::fromUtf8(bytes, static_cast<qsizetype>(length)).left(kMaxVersionChars);
  }
  return {};
}

bool IsIPv4Text(const QString& text) {
  if (text.isEmpty()) return false;
  QStringList parts = text.split(u'.');
  if (parts.size() > 1 && parts.last().isEmpty()) parts.removeLast();
  if (parts.size() != 4) return false;
  qint64 value = 0;
  for (const QString& part : parts)
    if (!ReadWhole(part, 255, &value)) return false;
  return true;
}

bool IsPortText(const QString& text) {
  qint64 value = 0;
  return ReadWhole(text, 65534, &value) && value >= 1;
}

QString FormatMs(std::int64_t ms, const QString& pattern) {
  const qint64 value = std::max<std::int64_t>(ms, 0);
  const qint64 days = value / 86400000;
  const qint64 hours = value / 3600000 % 24;
  const qint64 minutes = value / 60000 % 60;
  const qint64 seconds = value / 1000 % 60;
  const qint64 millis = value % 1000;
  QString text = pattern;
  text.replace(QStringLiteral("dd"), TwoDigits(days), Qt::CaseInsensitive);
  text.replace(QStringLiteral("hh"), TwoDigits(hours), Qt::CaseInsensitive);
  text.replace(QStringLiteral("mm"), TwoDigits(minutes), Qt::CaseInsensitive);
  text.replace(QStringLiteral("ss"), TwoDigits(seconds), Qt::CaseInsensitive);
  text.replace(QStringLiteral("ms"), TwoDigits(millis), Qt::CaseInsensitive);
  return text;
}
