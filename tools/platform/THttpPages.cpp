#include "THttpPages.h"

#include <QFileInfo>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QUrl>
#include <QUrlQuery>
#include <nlohmann/json.hpp>

namespace {

using json = nlohmann::json;

const QStringList kVideoSuffixes = {"mp4", "webm", "mkv", "mov", "m3u8"};
// What the browser's video element plays, in the order a bare stream name looks for them.
const QStringList kPlayableSuffixes = {"mp4", "webm"};

QString Escaped(const QString& text) { return text.toHtmlEscaped(); }
QString Escaped(const std::string& text) { return QString::fromStdString(text).toHtmlEscaped(); }

QHttpServerResponse Html(const QString& title, const QString& style, const QString& body) {
  const QString page = QStringLiteral(
                           "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title>\n"
                           "<style>%2</style></head>\n<body>\n%3\n</body></html>\n")
                           .arg(Escaped(title), style, body);
  return QHttpServerResponse("text/html; charset=utf-8", page.toUtf8());
}

// A JSON string is a JavaScript string literal, once nothing in it can end the script element.
QString ScriptString(const std::string& text) {
  QString literal = QString::fromStdString(json(text).dump(-1, ' ', true));
  return literal.replace("</", "<\\/");
}

}  // namespace

THttpPages::THttpPages(const QString& mediaDir) : FMediaDir(mediaDir) {
  FServer.route("/", [this] { return Index(); });
  FServer.route("/play", [this](const QHttpServerRequest& request) { return PlayPage(request); });
  FServer.route("/list", [this] { return ListPage(); });
  FServer.route("/notice", [this](const QHttpServerRequest& request) { return NoticePage({}, request); });
  FServer.route("/notice/<arg>",
                [this](const QString& name, const QHttpServerRequest& request) { return NoticePage(name, request); });
  FServer.route("/media/<arg>", [this](const QString& name) { return Media(name); });
  FServer.afterRequest([](QHttpServerResponse&& response, const QHttpServerRequest& request) {
    qInfo("http %d %s", static_cast<int>(response.statusCode()), qPrintable(request.url().toString()));
    return std::move(response);
  });
  FServer.setMissingHandler([](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
    qInfo("http 404 %s", qPrintable(request.url().toString()));
    responder.write(QHttpServerResponder::StatusCode::NotFound);
  });
}

quint16 THttpPages::Listen(quint16 port, QString* error) {
  FPort = FServer.listen(QHostAddress::LocalHost, port);
  if (FPort == 0) *error = QStringLiteral("cannot listen for HTTP on 127.0.0.1:%1").arg(port);
  return FPort;
}

QString THttpPages::Base() const { return QStringLiteral("http://127.0.0.1:%1").arg(FPort); }

void THttpPages::SetCatalog(std::vector<TScenarioVideo> videos, std::map<std::string, TScenarioNotice> notices) {
  FVideos = std::move(videos);
  FNotices = std::move(notices);
}

QHttpServerResponse THttpPages::Index() const {
  QString items = QStringLiteral(
      "<li><a href=\"/list\">on-demand list</a></li>\n"
      "<li><a href=\"/play?rtmp=rtmp://127.0.0.1/live/live\">web player</a></li>\n");
  for (const auto& [name, notice] : FNotices)
    items += QStringLiteral("<li><a href=\"/notice/%1?w=1920&amp;h=1080\">notice: %2</a></li>\n")
                 .arg(Escaped(QUrl::toPercentEncoding(QString::fromStdString(name))), Escaped(notice.Title));
  return Html("Vireo platform", "body{font-family:sans-serif}", "<h1>Vireo platform</h1>\n<ul>\n" + items + "</ul>");
}

QHttpServerResponse THttpPages::PlayPage(const QHttpServerRequest& request) const {
  const QString address = request.query().queryItemValue("rtmp", QUrl::FullyDecoded);
  // A browser plays no RTMP, and there is no RTMP server here anyway: a stream whose last path
  // segment names a media file plays that file, so the page shows moving pictures with sound;
  // any other address is handed to the element as it is.
  const QString file = PlayableFile(QUrl(address).fileName());
  const QString source = !file.isEmpty() ? "/media/" + QString(QUrl::toPercentEncoding(file)) : address;
  return Html("Vireo web player",
              "html,body{margin:0;height:100%;background:#000;color:#ccc;font-family:sans-serif}"
              "#address{margin:0;padding:.3em .5em;white-space:nowrap;overflow:hidden}"
              "video{display:block;width:100%;height:calc(100% - 2em);background:#000}",
              QStringLiteral("<p id=\"address\">%1</p>\n"
                             "<video id=\"player\" src=\"%2\" autoplay loop playsinline></video>")
                  .arg(Escaped(address), Escaped(source)));
}

QHttpServerResponse THttpPages::ListPage() const {
  QString items;
  for (const TScenarioVideo& video : Videos()) {
    const std::string alert = json{{"data", video.Addresses}}.dump();
    items +=
        QStringLiteral(
            "<li><a href=\"#\" data-alert=\"%1\" onclick=\"alert(this.dataset.alert); return false;\">%2</a></li>\n")
            .arg(Escaped(alert), Escaped(video.Title));
  }
  return Html("点播列表",
              "body{font-family:sans-serif;background:#123;color:#eee;font-size:1.4em}"
              "a{color:#9cf;display:block;padding:.6em;text-decoration:none}a:hover{background:#246}",
              "<h1>点播列表</h1>\n<ul id=\"videos\">\n" + items + "</ul>");
}

QHttpServerResponse THttpPages::NoticePage(const QString& name, const QHttpServerRequest& request) const {
  const QUrlQuery query = request.query();
  const QString w = query.queryItemValue("w", QUrl::FullyDecoded);
  const QString h = query.queryItemValue("h", QUrl::FullyDecoded);
  const auto it = FNotices.find(name.toStdString());
  const TScenarioNotice notice =
      it != FNotices.end() ? it->second : TScenarioNotice{name.isEmpty() ? "通知" : name.toStdString(), {}, {}};
  // A preloaded page comes without its size; the line is then left out of sight.
  const QString sizeHidden = w.isEmpty() && h.isEmpty() ? QStringLiteral(" hidden") : QString();
  QString body = QStringLiteral(
                     "<h1>%1</h1>\n<p id=\"text\">%2</p>\n<p id=\"size\"%5>w=<span id=\"w\">%3</span> "
                     "h=<span id=\"h\">%4</span></p>")
                     .arg(Escaped(notice.Title), Escaped(notice.Text), Escaped(w), Escaped(h), sizeHidden);
  if (notice.Alert)
    body += QStringLiteral("\n<script>window.addEventListener('load', function () { alert(%1); });</script>")
                .arg(ScriptString(*notice.Alert));
  return Html(QString::fromStdString(notice.Title),
              "html,body{margin:0;height:100%;background:#fff8e0;color:#222;font-family:sans-serif}"
              "h1{margin:0;padding:.5em}p{padding:0 1em;font-size:1.5em}#size{color:#888;font-size:1em}",
              body);
}

QHttpServerResponse THttpPages::Media(const QString& name) const {
  const QString path = MediaFile(name);
  if (path.isEmpty()) return QHttpServerResponse(QHttpServerResponder::StatusCode::NotFound);
  return QHttpServerResponse::fromFile(path);
}

QString THttpPages::MediaFile(const QString& name) const {
  // Only plain names of files directly in the media folder: no way out of it.
  if (FMediaDir.isEmpty() || name.isEmpty() || name.contains('/') || name.contains('\\') || name.startsWith('.'))
    return {};
  const QFileInfo file(QDir(FMediaDir).filePath(name));
  return file.isFile() ? file.absoluteFilePath() : QString();
}

QString THttpPages::PlayableFile(const QString& name) const {
  if (!MediaFile(name).isEmpty()) return name;
  // A stream name is usually bare ("live/live"): the file of that name that a browser plays.
  if (!QFileInfo(name).suffix().isEmpty()) return {};
  for (const QString& suffix : kPlayableSuffixes)
    if (!MediaFile(name + "." + suffix).isEmpty()) return name + "." + suffix;
  return {};
}

std::vector<TScenarioVideo> THttpPages::Videos() const {
  if (!FVideos.empty() || FMediaDir.isEmpty()) return FVideos;
  // Without a list in the scenario the page offers every video of the media folder.
  std::vector<TScenarioVideo> videos;
  const QStringList patterns = [] {
    QStringList p;
    for (const QString& suffix : kVideoSuffixes) p << "*." + suffix;
    return p;
  }();
  for (const QString& name : QDir(FMediaDir).entryList(patterns, QDir::Files, QDir::Name)) {
    const std::string address = (Base() + "/media/" + QUrl::toPercentEncoding(name)).toStdString();
    videos.push_back({name.toStdString(), json{{"RTMP", address}, {"RTMP_H", ""}, {"RTMP_SH", ""}}});
  }
  return videos;
}
