#include "core/uLog.h"

#include "platform/uGbk.h"

#include <QDir>
#include <QRegularExpression>

#include <sys/stat.h>

#include <cstdio>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

}  // namespace

TLog::TLog(const QString& directory, const QString& fileName, const IClock& clock)
    : FDirectory(directory), FPath(QDir(directory).filePath(fileName)), FClock(clock) {
  std::lock_guard guard(FLock);
  if (!EnsureOpen()) Report(QStringLiteral("cannot open the log file"), QString());
}

TLog::TLog(const QString& directory, const IClock& clock) : FDirectory(directory), FDaily(true), FClock(clock) {
  std::lock_guard guard(FLock);
  FollowDate(FClock.Now().date());
  if (!EnsureOpen()) Report(QStringLiteral("cannot open the log file"), QString());
}

TLog::~TLog() = default;  // QFile closes itself; every entry is already on disk

void TLog::WriteLine(const QString& text) {
  std::lock_guard guard(FLock);
  const QDateTime now = FClock.Now();
  const QString entry = now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + u':' + text + kCrLf;
  if (FDaily && now.date() != FDate) FollowDate(now.date());

  // A file deleted or renamed away keeps taking writes through the old handle; entries written
  // there would be lost from view, so start a fresh file at the path instead.
  if (FFile.isOpen() && FileVanished()) FFile.close();
  if (!EnsureOpen()) {
    Report(QStringLiteral("cannot open the log file"), entry);
    return;
  }

  // The file is unbuffered and opened for appending: one write puts the whole entry on disk,
  // after anything other writers appended in between.
  const QByteArray bytes = Gbk::Encode(entry);
  if (FFile.write(bytes) != bytes.size()) {
    Report(QStringLiteral("cannot write to the log file"), entry);
    FFile.close();  // the next entry reopens, in case the path was mended meanwhile
  }
}

void TLog::LogHint(const QString& text) { WriteLine(QStringLiteral("[提示]") + kCrLf + text); }

void TLog::LogError(const QString& text) { WriteLine(QStringLiteral("[错误]") + kCrLf + text); }

void TLog::FollowDate(const QDate& today) {
  FDate = today;
  FPath = QDir(FDirectory).filePath(today.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".log"));
  FFile.close();
  PurgeOld(today);
}

void TLog::PurgeOld(const QDate& today) const {
  // The date is read from the name, not the file's time: copied or restored files keep theirs.
  static const QRegularExpression kDated(
      QStringLiteral(R"(^(?:(\d{4}-\d{2}-\d{2})\.log|crash-(\d{4}-\d{2}-\d{2})-\d{6}\.txt)$)"));
  const QDate oldestKept = today.addDays(-kKeepDays);
  QDir dir(FDirectory);
  for (const QString& name : dir.entryList(QDir::Files)) {
    const QRegularExpressionMatch match = kDated.match(name);
    if (!match.hasMatch()) continue;
    const QString dateText = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
    const QDate date = QDate::fromString(dateText, QStringLiteral("yyyy-MM-dd"));
    if (date.isValid() && date < oldestKept) dir.remove(name);
  }
}

bool TLog::EnsureOpen() {
  if (FFile.isOpen()) return true;
  // One level only, as for the "Log" folder beside the executable; a failure shows up at open.
  QDir dir(FDirectory);
  if (!dir.exists()) dir.mkdir(dir.absolutePath());
  FFile.setFileName(FPath);
  return FFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
}

bool TLog::FileVanished() const {
  struct stat onHandle {}, atPath {};
  if (::fstat(FFile.handle(), &onHandle) != 0) return true;
  if (onHandle.st_nlink == 0) return true;
  if (::stat(QFile::encodeName(FPath).constData(), &atPath) != 0) return true;
  return onHandle.st_dev != atPath.st_dev || onHandle.st_ino != atPath.st_ino;
}

void TLog::Report(const QString& failure, const QString& entry) const {
  // One line on stderr, whatever line breaks the entry holds.
  QString line = QStringLiteral("vireo: %1 %2 (%3)").arg(failure, FPath, FFile.errorString());
  if (!entry.isEmpty()) {
    QString flat = entry.endsWith(kCrLf) ? entry.chopped(2) : entry;
    flat.replace(u'\r', QStringLiteral("\\r")).replace(u'\n', QStringLiteral("\\n"));
    line += QStringLiteral(": ") + flat;
  }
  line += u'\n';
  std::fputs(line.toLocal8Bit().constData(), stderr);
  std::fflush(stderr);
}
