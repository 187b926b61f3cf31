#pragma once
// The platform's live streams over RTSP on 127.0.0.1, served by the GStreamer RTSP server: every
// MP4 file of the media folder (H.264 video and AAC audio, as scripts/make-media.sh writes them)
// at rtsp://127.0.0.1:PORT/NAME, NAME being the file name without ".mp4". Each client gets the
// file from its start, looped without end, over RTP on UDP or interleaved in the RTSP connection.
//
// The server runs in the default GLib main context, which Qt's event loop dispatches on this
// thread; only the media pipelines stream on GStreamer's threads.

#include <QString>
#include <QStringList>
#include <QTimer>

struct _GstRTSPServer;

class TRtspServer {
 public:
  // mediaDir may be empty: then nothing is mounted and every address answers 404.
  explicit TRtspServer(const QString& mediaDir);
  ~TRtspServer();
  TRtspServer(const TRtspServer&) = delete;
  TRtspServer& operator=(const TRtspServer&) = delete;

  // Listens on 127.0.0.1 (0: any free port); returns the port, or 0 with error set.
  quint16 Listen(quint16 port, QString* error);
  // rtsp://127.0.0.1:port
  QString Base() const;
  // The mounted names, for the log.
  const QStringList& Names() const { return FNames; }

 private:
  void Mount();

  QString FMediaDir;
  _GstRTSPServer* FServer = nullptr;
  unsigned FSource = 0;
  quint16 FPort = 0;
  QStringList FNames;
  QTimer FPump;  // only when Qt's event loop is not GLib's
};
