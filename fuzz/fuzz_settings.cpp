// Settings file bytes through the settings reader, then through a save and a second load: a
// file the terminal wrote itself must read back as it was written.

#include "core/uIniParams.h"
#include "platform/TProfileFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <tuple>

namespace {

auto Saved(const TIniParams& p) {
  return std::tuple(p.LoopPointPlay, p.WebPort, p.PlayUrl, p.SvrHost, p.SvrPort, p.SvrUser, p.SvrPassword,
                    p.IsFirstUse, p.AutoHide, p.DirectPlayMsg.Url, p.DirectPlayMsg.Title, p.NotifyPageMsg.Url);
}

TIniParams LoadFrom(const QString& path) {
  TIniParams params;
  LoadSettings(TProfileFile(path), params);
  return params;
}

TIniParams SaveAndLoad(const TIniParams& params, const QString& path) {
  QFile::remove(path);
  TProfileFile file(path);
  SaveSettings(file, params);
  return LoadFrom(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Each key is saved by rewriting the file; in memory that costs nothing like a disk's sync.
  static const QTemporaryDir dir(QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm/vireo-fuzz-XXXXXX")
                                                                          : QString());
  const QString input = dir.filePath(QStringLiteral("input.ini"));
  {
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  const TIniParams once = SaveAndLoad(LoadFrom(input), dir.filePath(QStringLiteral("once.ini")));
  const TIniParams twice = SaveAndLoad(once, dir.filePath(QStringLiteral("twice.ini")));
  if (Saved(once) != Saved(twice)) std::abort();
  return 0;
}
