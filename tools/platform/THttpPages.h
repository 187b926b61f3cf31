#pragma once
// The platform's web pages and test media, served on loopback:
//   /play?rtmp=ADDRESS    web player page: shows the stream address and plays it in a video element;
//                         an address whose last segment names a media file, with or without its
//                         .mp4 or .webm, plays that file
//   /list                 on-demand list page: a click on an item calls alert() with
//                         {"data":{"RTMP":...,"RTMP_H":...,"RTMP_SH":...}}
//   /notice/NAME?w=&h=    notice page: shows its title and text and the w and h it was opened with
//   /media/FILE           a file of the media folder
//   /                     links to the above, for people

#include <QDir>
#include <QHttpServer>
#include <QString>
#include <map>
#include <string>
#include <vector>

#include "TScenario.h"

class THttpPages {
 public:
  // mediaDir may be empty: then /media answers 404 and the default list is empty.
  explicit THttpPages(const QString& mediaDir);

  // Listens on 127.0.0.1; returns the port, or 0 with error set.
  quint16 Listen(quint16 port, QString* error);
  // http://127.0.0.1:port
  QString Base() const;
  void SetCatalog(std::vector<TScenarioVideo> videos, std::map<std::string, TScenarioNotice> notices);

 private:
  QHttpServerResponse Index() const;
  QHttpServerResponse PlayPage(const QHttpServerRequest& request) const;
  QHttpServerResponse ListPage() const;
  QHttpServerResponse NoticePage(const QString& name, const QHttpServerRequest& request) const;
  QHttpServerResponse Media(const QString& name) const;
  // The media file of that name, or an empty text when there is none.
  QString MediaFile(const QString& name) const;
  // The name of the media file that a stream named so plays in the page, or an empty text.
  QString PlayableFile(const QString& name) const;
  std::vector<TScenarioVideo> Videos() const;

  QHttpServer FServer;
  QString FMediaDir;
  quint16 FPort = 0;
  std::vector<TScenarioVideo> FVideos;
  std::map<std::string, TScenarioNotice> FNotices;
};
