#pragma once
// The daily log file: one entry per notable step, stamped with the local time, GBK on disk,
// CR LF line ends, flushed at once. Safe to call from any thread.

#include "core/uClock.h"
#include "platform/uLogSink.h"

#include <QDate>
#include <QFile>
#include <QString>

#include <mutex>

class TLog final : public ILogSink {
 public:
  // Log files and crash reports older than this many days are deleted by a daily log.
  static constexpr int kKeepDays = 90;

  // Creates the directory (one level) when missing and opens directory + fileName for
  // appending. A failure here does not throw: it is reported on stderr and every later write
  // tries to open the file again.
  TLog(const QString& directory, const QString& fileName, const IClock& clock);
  // A daily log: each entry goes to "yyyy-mm-dd.log" of its own date, so a terminal that runs for
  // months moves to a new file at midnight. At start and at each change of date, the day files
  // ("yyyy-mm-dd.log") and crash reports ("crash-yyyy-mm-dd-hhmmss.txt") dated more than
  // kKeepDays days before today are deleted; other files are left alone.
  TLog(const QString& directory, const IClock& clock);
  ~TLog() override;

  TLog(const TLog&) = delete;
  TLog& operator=(const TLog&) = delete;

  // Writes "yyyy-mm-dd hh:mm:ss.zzz" + ":" + text + CR LF and flushes. A failed write never
  // reaches the caller: the entry goes to stderr and the next write tries again.
  void WriteLine(const QString& text);
  void LogHint(const QString& text) override;   // WriteLine("[提示]" CR LF text)
  void LogError(const QString& text) override;  // WriteLine("[错误]" CR LF text)

  QString FilePath() const { return FPath; }

 private:
  // The helpers below run with FLock held.
  bool EnsureOpen();         // (re)creates the directory and opens the file when not open
  bool FileVanished() const; // the open handle no longer is the file at FPath
  void Report(const QString& failure, const QString& entry) const;
  // A daily log follows the date of now: another file, and the old ones purged.
  void FollowDate(const QDate& today);
  void PurgeOld(const QDate& today) const;

  QString FDirectory;
  bool FDaily = false;
  QDate FDate;
  QString FPath;
  const IClock& FClock;
  std::mutex FLock;
  QFile FFile;
};
