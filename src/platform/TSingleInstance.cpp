#include "platform/TSingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TSingleInstance::TSingleInstance(const QString& name) {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath();
  // The name may hold characters a file name cannot; its hash cannot.
  const QByteArray hash = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  FPath = QDir(dir).filePath(QStringLiteral("vireo-") + QString::fromLatin1(hash) + QStringLiteral(".lock"));
  FFd = ::open(QFile::encodeName(FPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // Without a lock file there is no way to tell; running beats refusing to run.
  FFirst = FFd < 0 || ::flock(FFd, LOCK_EX | LOCK_NB) == 0;
}

TSingleInstance::~TSingleInstance() {
  if (FFd >= 0) ::close(FFd);
}
