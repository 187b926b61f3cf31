// GLib's headers use "signals" as a name, which Qt's headers define away: GLib's come first.
#include <gst/gst.h>
#include <gst/rtsp-server/rtsp-server.h>

#include "TRtspServer.h"

#include <QAbstractEventDispatcher>
#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// A value in gst-launch syntax: inside double quotes, with backslash escapes.
QByteArray Quoted(const QString& text) {
  QByteArray bytes = text.toUtf8();
  bytes.replace('\\', "\\\\").replace('"', "\\\"");
  return '"' + bytes + '"';
}

// The demuxer is named so that the loop can find it again in the media's pipeline.
constexpr const char* kDemuxer = "demux";

QByteArray Pipeline(const QString& file) {
  return "( filesrc location=" + Quoted(file) + " ! qtdemux name=" + kDemuxer + "  " + kDemuxer +
         ".video_0 ! queue ! rtph264pay name=pay0 pt=96 config-interval=-1  " + kDemuxer +
         ".audio_0 ! queue ! rtpmp4gpay name=pay1 pt=97 )";
}

// Seeks with the segment flag end in SEGMENT_DONE instead of EOS, and a further segment seek
// from there continues the running time, so the clients see one stream without end.
bool SegmentSeek(GstElement* demuxer, bool flush) {
  const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_SEGMENT | (flush ? GST_SEEK_FLAG_FLUSH : 0));
  return gst_element_seek(demuxer, 1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, 0, GST_SEEK_TYPE_NONE, -1);
}

GstElement* Demuxer(GstElement* bin) { return gst_bin_get_by_name(GST_BIN(bin), kDemuxer); }

// On a streaming thread: the next round's seek is left to the main context, as a seek from a
// streaming thread can deadlock.
void OnSegmentDone(GstBus*, GstMessage* message, gpointer) {
  if (!GST_IS_BIN(GST_MESSAGE_SRC(message))) return;
  GstElement* demuxer = Demuxer(GST_ELEMENT(GST_MESSAGE_SRC(message)));
  if (!demuxer) return;
  g_idle_add_full(
      G_PRIORITY_HIGH,
      [](gpointer data) -> gboolean {
        if (!SegmentSeek(GST_ELEMENT(data), false)) qWarning("rtsp: cannot loop %s", GST_OBJECT_NAME(data));
        return G_SOURCE_REMOVE;
      },
      demuxer, gst_object_unref);
}

void OnMediaPrepared(GstRTSPMedia* media, gpointer) {
  GstElement* element = gst_rtsp_media_get_element(media);
  GstElement* demuxer = Demuxer(element);
  GstObject* pipeline = gst_object_get_parent(GST_OBJECT(element));
  if (demuxer && pipeline) {
    GstBus* bus = gst_element_get_bus(GST_ELEMENT(pipeline));
    gst_bus_enable_sync_message_emission(bus);
    g_signal_connect(bus, "sync-message::segment-done", G_CALLBACK(OnSegmentDone), nullptr);
    gst_object_unref(bus);
    // The media has prerolled at the start; from there on it loops.
    if (!SegmentSeek(demuxer, true)) qWarning("rtsp: the stream will not loop");
  }
  if (pipeline) gst_object_unref(pipeline);
  if (demuxer) gst_object_unref(demuxer);
  gst_object_unref(element);
}

void OnMediaConfigure(GstRTSPMediaFactory*, GstRTSPMedia* media, gpointer) {
  g_signal_connect(media, "prepared", G_CALLBACK(OnMediaPrepared), nullptr);
}

// What clients do goes to the log, as everything else the platform sees.
void OnClientConnected(GstRTSPServer*, GstRTSPClient* client, gpointer) {
  qInfo("rtsp: client %p connected", static_cast<void*>(client));
  g_signal_connect(client, "play-request", G_CALLBACK(+[](GstRTSPClient* c, GstRTSPContext* context, gpointer) {
                     const char* path = context->uri ? context->uri->abspath : nullptr;
                     qInfo("rtsp: client %p plays %s", static_cast<void*>(c), path ? path : "?");
                   }),
                   nullptr);
  g_signal_connect(client, "closed", G_CALLBACK(+[](GstRTSPClient* c, gpointer) {
                     qInfo("rtsp: client %p closed", static_cast<void*>(c));
                   }),
                   nullptr);
}

// Names that need no escaping in an address.
bool PlainName(const QString& name) {
  static const QRegularExpression plain("^[A-Za-z0-9][A-Za-z0-9._-]*$");
  return plain.match(name).hasMatch();
}

}  // namespace

TRtspServer::TRtspServer(const QString& mediaDir) : FMediaDir(mediaDir) {}

TRtspServer::~TRtspServer() {
  if (!FServer) return;
  // Closing every client ends its sessions, and with them their pipelines, before the server goes.
  gst_rtsp_server_client_filter(
      FServer, [](GstRTSPServer*, GstRTSPClient*, gpointer) { return GST_RTSP_FILTER_REMOVE; }, nullptr);
  if (FSource != 0) g_source_remove(FSource);
  g_object_unref(FServer);
  gst_rtsp_thread_pool_cleanup();
}

quint16 TRtspServer::Listen(quint16 port, QString* error) {
  GError* gstError = nullptr;
  if (!gst_init_check(nullptr, nullptr, &gstError)) {
    *error = QStringLiteral("cannot start GStreamer: %1").arg(gstError ? gstError->message : "unknown error");
    g_clear_error(&gstError);
    return 0;
  }
  for (const char* name : {"filesrc", "qtdemux", "queue", "rtph264pay", "rtpmp4gpay", "rtpbin", "udpsink", "appsink"}) {
    GstElementFactory* factory = gst_element_factory_find(name);
    if (!factory) {
      *error = QStringLiteral("the GStreamer element %1 is missing; scripts/setup.sh installs it").arg(name);
      return 0;
    }
    gst_object_unref(factory);
  }

  FServer = gst_rtsp_server_new();
  gst_rtsp_server_set_address(FServer, "127.0.0.1");
  gst_rtsp_server_set_service(FServer, QByteArray::number(port).constData());
  Mount();
  g_signal_connect(FServer, "client-connected", G_CALLBACK(OnClientConnected), nullptr);
  FSource = gst_rtsp_server_attach(FServer, nullptr);
  if (FSource == 0) {
    *error = QStringLiteral("cannot listen for RTSP on 127.0.0.1:%1").arg(port);
    return 0;
  }
  FPort = static_cast<quint16>(gst_rtsp_server_get_bound_port(FServer));

  if (!QAbstractEventDispatcher::instance()->inherits("QEventDispatcherGlib")) {
    // Qt built or started without GLib: then the default context is run from here.
    QObject::connect(&FPump, &QTimer::timeout, [] {
      while (g_main_context_iteration(nullptr, FALSE)) {
      }
    });
    FPump.start(10);
  }
  return FPort;
}

QString TRtspServer::Base() const { return QStringLiteral("rtsp://127.0.0.1:%1").arg(FPort); }

void TRtspServer::Mount() {
  if (FMediaDir.isEmpty()) return;
  GstRTSPMountPoints* mounts = gst_rtsp_server_get_mount_points(FServer);
  const QDir dir(FMediaDir);
  for (const QString& file : dir.entryList({"*.mp4"}, QDir::Files, QDir::Name)) {
    const QString name = QFileInfo(file).completeBaseName();
    if (!PlainName(name)) {
      qInfo("rtsp: %s is not served: its name needs escaping in an address", qPrintable(file));
      continue;
    }
    GstRTSPMediaFactory* factory = gst_rtsp_media_factory_new();
    gst_rtsp_media_factory_set_launch(factory, Pipeline(dir.absoluteFilePath(file)).constData());
    // Each client its own pipeline: one client's PLAY would otherwise seek everyone's stream.
    gst_rtsp_media_factory_set_shared(factory, FALSE);
    g_signal_connect(factory, "media-configure", G_CALLBACK(OnMediaConfigure), nullptr);
    gst_rtsp_mount_points_add_factory(mounts, ("/" + name).toUtf8().constData(), factory);
    FNames << name;
  }
  g_object_unref(mounts);
}
