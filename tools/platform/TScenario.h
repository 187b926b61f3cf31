#pragma once
// A scenario says how the stand-in platform behaves: whom it lets in, which web page content it
// offers, and what it sends when. See README.md beside this file for the file format.

#include <QByteArray>
#include <QList>
#include <QString>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

struct TScenarioLogin {
  std::optional<std::string> Username;  // unset: any user name is accepted
  std::optional<std::string> Password;  // unset: any password is accepted
  qint64 TerminalId = 1;
  qint64 TerminalGroupId = 1;
  std::string PlayUrl;
  std::string VideoUrl;
  std::string Refusal;
};

struct TScenarioTask {
  qint64 ScheduleId = 0;
  qint64 Type = 0;   // 0 live, 1 on-demand, 2 notice; other values are passed on as they are
  double Start = 0;  // seconds after the timeline's origin
  double End = 0;
  nlohmann::json Data;  // addresses, passed on as written
  std::string Message;
  std::string ErrorCode;
  bool KeepAfterEnd = false;  // still sent after its end, to every terminal, in every message
};

struct TScenarioSchedule {
  bool LockScreen = false;
  std::vector<TScenarioTask> Tasks;
};

struct TScenarioVideo {
  std::string Title;
  nlohmann::json Addresses;  // "RTMP", "RTMP_H", "RTMP_SH"
};

struct TScenarioNotice {
  std::string Title;
  std::string Text;
  std::optional<std::string> Alert;  // raised by the page once it has loaded
};

enum class TEventKind { Schedule, Update, Frame, Silence, Close, Garbage, Split, Coalesce, BrokenHeader };

struct TTimelineEvent {
  double At = 0;  // seconds after the first accepted login
  TEventKind Kind = TEventKind::Frame;
  TScenarioSchedule Schedule;  // Schedule
  QList<QByteArray> Bodies;    // Update, Frame: one; Split, BrokenHeader: none or one; Coalesce: none or more.
                               // None: the current schedule message (twice for Coalesce).
  QByteArray Bytes;            // Garbage
  double Seconds = 0;          // Silence
  int Parts = 3;               // Split
  int DelayMs = 50;            // Split
};

struct TScenario {
  TScenarioLogin Login;
  std::vector<TScenarioVideo> Videos;  // empty: the list page offers the media folder's videos
  std::map<std::string, TScenarioNotice> Notices;
  std::vector<TTimelineEvent> Timeline;  // in order of At
};

// Reads a scenario. In every string, "{http}" becomes httpBase (http://127.0.0.1:port),
// "{media}" httpBase + "/media" and "{rtsp}" rtspBase (rtsp://127.0.0.1:port), so a scenario need
// not know the ports it runs on. Without an rtspBase (empty), "{rtsp}" is a mistake in the scenario.
class TScenarioLoader {
 public:
  static std::optional<TScenario> Load(const QString& path, const QString& httpBase, const QString& rtspBase,
                                       QString* error);
  static std::optional<TScenario> Parse(const std::string& text, const QString& httpBase, const QString& rtspBase,
                                        QString* error);
};
