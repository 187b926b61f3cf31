#pragma once
// What the video cases share: clips made by ffmpeg, a record of a view's events, and looking at
// pictures.

#include "frames/uMediaViews.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

// There is no sound device here: ALSA gets a sink that discards everything, so that libVLC's
// audio output works instead of failing (and complaining on stderr) for every block.
inline void UseSilentAudio(const QString& folder) {
  const QString config = QDir(folder).filePath(QStringLiteral("asound.conf"));
  QFile file(config);
  if (file.open(QIODevice::WriteOnly)) file.write("pcm.!default { type null }\nctl.!default { type hw card 0 }\n");
  qputenv("ALSA_CONFIG_PATH", QFile::encodeName(config));
}

// A test pattern with a white frame round it and a tone, 320x240 at 25 frames a second, H.264
// and AAC with the index up front so that it plays while it downloads. Empty when ffmpeg failed.
inline QString MakeClip(const QString& folder, const QString& name, double seconds) {
  const QString path = QDir(folder).filePath(name);
  const QString duration = QString::number(seconds);
  QProcess ffmpeg;
  ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  ffmpeg.start(QStringLiteral("ffmpeg"),
               {"-hide_banner", "-loglevel", "error", "-y",
                "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=" + duration,
                "-f", "lavfi", "-i", "sine=frequency=440:duration=" + duration,
                "-vf", "drawbox=x=0:y=0:w=iw:h=ih:color=white:t=8",
                "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p",
                "-c:a", "aac", "-shortest", "-movflags", "+faststart", path});
  if (!ffmpeg.waitForFinished(30000) || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
    return {};
  return path;
}

inline bool WaitFor(const std::function<bool()>& done, int timeoutMs) { return QTest::qWaitFor(done, timeoutMs); }

// Every event a view raises, in order, with the thread it came on.
class TEventLog {
 public:
  enum TKind { Length, Time, End, Error };
  struct TEntry {
    TKind Kind;
    std::int64_t Ms;
    bool OnGuiThread;
  };

  explicit TEventLog(IVideoView& view) {
    view.Events.OnMediaPlayerLengthChanged = [this](std::int64_t ms) { Add(Length, ms); };
    view.Events.OnMediaPlayerTimeChanged = [this](std::int64_t ms) { Add(Time, ms); };
    view.Events.OnMediaPlayerEndReached = [this] { Add(End, 0); };
    view.Events.OnMediaPlayerEncounteredError = [this] { Add(Error, 0); };
  }

  int Count(TKind kind) const {
    return static_cast<int>(std::count_if(Entries.begin(), Entries.end(), [kind](const TEntry& e) { return e.Kind == kind; }));
  }
  bool Has(TKind kind) const { return Count(kind) > 0; }
  std::int64_t LastTime() const {
    for (auto it = Entries.rbegin(); it != Entries.rend(); ++it)
      if (it->Kind == Time) return it->Ms;
    return -1;
  }
  // Where the first entry of that kind is, or -1.
  int IndexOf(TKind kind) const {
    for (std::size_t i = 0; i < Entries.size(); ++i)
      if (Entries[i].Kind == kind) return static_cast<int>(i);
    return -1;
  }

  std::vector<TEntry> Entries;

 private:
  void Add(TKind kind, std::int64_t ms) {
    Entries.push_back({kind, ms, QThread::currentThread() == QCoreApplication::instance()->thread()});
  }
};

// Far enough from black to be picture, not bars or noise.
inline bool IsLit(QRgb pixel) { return qRed(pixel) + qGreen(pixel) + qBlue(pixel) > 3 * 40; }

// The share of the area's pixels that are lit.
inline double LitShare(const QImage& image, const QRect& area) {
  const QRect inside = area.intersected(image.rect());
  if (inside.isEmpty()) return 0;
  long lit = 0;
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x) lit += IsLit(image.pixel(x, y)) ? 1 : 0;
  return double(lit) / (double(inside.width()) * inside.height());
}

// The smallest rectangle that holds every lit pixel.
inline QRect LitBounds(const QImage& image) {
  QRect bounds;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (IsLit(image.pixel(x, y))) bounds |= QRect(x, y, 1, 1);
  return bounds;
}
