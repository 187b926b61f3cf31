#include "core/uUpdateHandOff.h"

#include "platform/TProfileFile.h"

#include <QDir>
#include <QProcess>

TUpdateHandOff::TUpdateHandOff(QString appDir, ILogSink& log) : FAppDir(std::move(appDir)), FLog(log) {}

bool TUpdateHandOff::Accept(const TUpdateData& offer, bool isNew) {
  if (!FUpdateAllowed || !offer.HasUpdate || !isNew) return false;
  FUpdateAllowed = false;
  FUpdateData = offer;
  return true;
}

QString TUpdateHandOff::UpdaterName() {
#ifdef Q_OS_WIN
  return QStringLiteral("VireoUpdateDownload.exe");
#else
  return QStringLiteral("VireoUpdateDownload");
#endif
}

void TUpdateHandOff::RunUpdater(const TUpdateData& data) {
  TProfileFile file(QDir(FAppDir).filePath(QStringLiteral("Update.ini")));
  try {
    file.WriteString(QStringLiteral("update"), QStringLiteral("url"), data.Url);
    file.WriteString(QStringLiteral("update"), QStringLiteral("version"), data.Version);
  } catch (const std::exception& e) {
    FLog.LogHint(QString::fromUtf8(e.what()));
    return;
  }
  QProcess::startDetached(QDir(FAppDir).filePath(UpdaterName()), {});
}
