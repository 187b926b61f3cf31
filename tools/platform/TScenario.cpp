#include "TScenario.h"

#include <QFile>
#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <stdexcept>

#include "TEnvelope.h"

namespace {

using json = nlohmann::json;

// A mistake in a scenario, with where it is.
struct TScenarioError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) { throw TScenarioError(where + ": " + what); }

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// Where the scenario's addresses point: {http} and {media} always, {rtsp} only with an RTSP server.
struct TBases {
  std::string Http;
  std::optional<std::string> Rtsp;
};

std::string Expand(std::string text, const TBases& bases, const std::string& where) {
  ReplaceAll(text, "{media}", bases.Http + "/media");
  ReplaceAll(text, "{http}", bases.Http);
  if (text.find("{rtsp}") != std::string::npos) {
    // Left as it is, the address would fail only later, in the terminal, with no hint why.
    if (!bases.Rtsp) Fail(where, "{rtsp} needs the RTSP server: start with --rtsp-port");
    ReplaceAll(text, "{rtsp}", *bases.Rtsp);
  }
  return text;
}

void Substitute(json& value, const TBases& bases, const std::string& where) {
  if (value.is_string()) {
    value = Expand(value.get<std::string>(), bases, where);
  } else if (value.is_object()) {
    for (auto item : value.items())
      Substitute(item.value(), bases, where.empty() ? item.key() : where + "." + item.key());
  } else if (value.is_array()) {
    for (std::size_t i = 0; i < value.size(); ++i) Substitute(value[i], bases, where + "[" + std::to_string(i) + "]");
  }
}

// Misspelt members would otherwise be ignored in silence.
void OnlyMembers(const json& object, const std::string& where, std::initializer_list<const char*> allowed) {
  if (!object.is_object()) Fail(where, "must be an object");
  for (const auto& [name, value] : object.items())
    if (std::none_of(allowed.begin(), allowed.end(), [&](const char* a) { return name == a; }))
      Fail(where, "unknown member \"" + name + "\"");
}

const json* Member(const json& object, const char* name) {
  const auto it = object.find(name);
  return it == object.end() ? nullptr : &*it;
}

std::string Text(const json& object, const char* name, const std::string& where, const std::string& fallback = {}) {
  const json* value = Member(object, name);
  if (!value) return fallback;
  if (!value->is_string()) Fail(where + "." + name, "must be a string");
  return value->get<std::string>();
}

double Number(const json& object, const char* name, const std::string& where, std::optional<double> fallback = {}) {
  const json* value = Member(object, name);
  if (!value) {
    if (!fallback) Fail(where, std::string("\"") + name + "\" is missing");
    return *fallback;
  }
  if (!value->is_number()) Fail(where + "." + name, "must be a number");
  return value->get<double>();
}

qint64 Integer(const json& object, const char* name, const std::string& where, std::optional<qint64> fallback = {}) {
  const json* value = Member(object, name);
  if (!value) {
    if (!fallback) Fail(where, std::string("\"") + name + "\" is missing");
    return *fallback;
  }
  if (!value->is_number_integer()) Fail(where + "." + name, "must be an integer");
  return value->get<qint64>();
}

bool Flag(const json& object, const char* name, const std::string& where) {
  const json* value = Member(object, name);
  if (!value) return false;
  if (!value->is_boolean()) Fail(where + "." + name, "must be true or false");
  return value->get<bool>();
}

// A body given as a string goes out as that text; anything else as its JSON text.
QByteArray Body(const json& value) {
  const std::string text = value.is_string() ? value.get<std::string>() : value.dump();
  return QByteArray::fromStdString(text);
}

TScenarioLogin ReadLogin(const json& login, const TBases& bases) {
  const std::string where = "login";
  OnlyMembers(login, where,
              {"username", "password", "terminalId", "terminalGroupId", "playUrl", "videoUrl", "refusal"});
  TScenarioLogin result;
  if (Member(login, "username")) result.Username = Text(login, "username", where);
  if (Member(login, "password")) result.Password = Text(login, "password", where);
  result.TerminalId = Integer(login, "terminalId", where, 1);
  result.TerminalGroupId = Integer(login, "terminalGroupId", where, 1);
  result.PlayUrl = Expand(Text(login, "playUrl", where, "{http}/play"), bases, where + ".playUrl");
  result.VideoUrl = Expand(Text(login, "videoUrl", where, "{http}/list"), bases, where + ".videoUrl");
  result.Refusal = Text(login, "refusal", where, "用户名或密码错误");
  return result;
}

TScenarioSchedule ReadSchedule(const json& schedule, const std::string& where) {
  OnlyMembers(schedule, where, {"lockscreen", "tasks"});
  TScenarioSchedule result;
  result.LockScreen = Flag(schedule, "lockscreen", where);
  const json* tasks = Member(schedule, "tasks");
  if (!tasks || !tasks->is_array()) Fail(where, "\"tasks\" must be an array");
  for (std::size_t i = 0; i < tasks->size(); ++i) {
    const json& task = (*tasks)[i];
    const std::string at = where + ".tasks[" + std::to_string(i) + "]";
    OnlyMembers(task, at, {"scheduleId", "type", "start", "end", "data", "message", "errorCode", "keepAfterEnd"});
    TScenarioTask t;
    t.ScheduleId = Integer(task, "scheduleId", at);
    t.Type = Integer(task, "type", at);
    t.Start = Number(task, "start", at);
    t.End = Number(task, "end", at);
    const json* data = Member(task, "data");
    t.Data = data ? *data : json::object();
    t.Message = Text(task, "message", at);
    t.ErrorCode = Text(task, "errorCode", at);
    t.KeepAfterEnd = Flag(task, "keepAfterEnd", at);
    result.Tasks.push_back(std::move(t));
  }
  return result;
}

QByteArray Hex(const std::string& hex, const std::string& where) {
  // fromHex skips what is not a digit; a typo must not silently change the bytes.
  const bool digits =
      std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
  if (!digits || hex.size() % 2 != 0) Fail(where + ".hex", "must be pairs of hexadecimal digits");
  return QByteArray::fromHex(QByteArray::fromStdString(hex));
}

TTimelineEvent ReadEvent(const json& event, const std::string& where) {
  TTimelineEvent e;
  if (!event.is_object()) Fail(where, "must be an object");
  e.At = Number(event, "at", where);
  if (e.At < 0) Fail(where + ".at", "must not be negative");
  const int kinds = static_cast<int>(event.contains("schedule")) + static_cast<int>(event.contains("update")) +
                    static_cast<int>(event.contains("frame")) + static_cast<int>(event.contains("fault"));
  if (kinds != 1) Fail(where, "needs exactly one of \"schedule\", \"update\", \"frame\", \"fault\"");

  if (const json* schedule = Member(event, "schedule")) {
    OnlyMembers(event, where, {"at", "schedule"});
    e.Kind = TEventKind::Schedule;
    e.Schedule = ReadSchedule(*schedule, where + ".schedule");
  } else if (const json* update = Member(event, "update")) {
    OnlyMembers(event, where, {"at", "update", "key"});
    e.Kind = TEventKind::Update;
    e.Bodies = {Body(MessageEnvelope(Text(event, "key", where, "003"), json{{"update", *update}}))};
  } else if (const json* frame = Member(event, "frame")) {
    OnlyMembers(event, where, {"at", "frame"});
    e.Kind = TEventKind::Frame;
    e.Bodies = {Body(*frame)};
  } else {
    const std::string fault = Text(event, "fault", where);
    if (fault == "silence") {
      OnlyMembers(event, where, {"at", "fault", "seconds"});
      e.Kind = TEventKind::Silence;
      e.Seconds = Number(event, "seconds", where);
      if (e.Seconds <= 0) Fail(where + ".seconds", "must be positive");
    } else if (fault == "close") {
      OnlyMembers(event, where, {"at", "fault"});
      e.Kind = TEventKind::Close;
    } else if (fault == "garbage") {
      OnlyMembers(event, where, {"at", "fault", "text", "hex"});
      e.Kind = TEventKind::Garbage;
      if (event.contains("hex") == event.contains("text")) Fail(where, "needs one of \"text\", \"hex\"");
      e.Bytes = event.contains("hex") ? Hex(Text(event, "hex", where), where)
                                      : QByteArray::fromStdString(Text(event, "text", where));
      if (e.Bytes.isEmpty()) Fail(where, "garbage must not be empty");
    } else if (fault == "split") {
      OnlyMembers(event, where, {"at", "fault", "parts", "delayMs", "body"});
      e.Kind = TEventKind::Split;
      e.Parts = static_cast<int>(Integer(event, "parts", where, 3));
      e.DelayMs = static_cast<int>(Integer(event, "delayMs", where, 50));
      if (e.Parts < 2 || e.DelayMs < 0 || e.DelayMs > 60000)
        Fail(where, "needs 2 or more parts and a delay of 0 to 60000 ms");
      if (const json* body = Member(event, "body")) e.Bodies = {Body(*body)};
    } else if (fault == "coalesce") {
      OnlyMembers(event, where, {"at", "fault", "bodies"});
      e.Kind = TEventKind::Coalesce;
      if (const json* bodies = Member(event, "bodies")) {
        if (!bodies->is_array() || bodies->size() < 2)
          Fail(where + ".bodies", "must be an array of two or more bodies");
        for (const json& body : *bodies) e.Bodies.push_back(Body(body));
      }
    } else if (fault == "brokenHeader") {
      OnlyMembers(event, where, {"at", "fault", "body"});
      e.Kind = TEventKind::BrokenHeader;
      if (const json* body = Member(event, "body")) e.Bodies = {Body(*body)};
    } else {
      Fail(where + ".fault",
           "unknown fault \"" + fault + "\" (silence, close, garbage, split, coalesce, brokenHeader)");
    }
  }
  return e;
}

TScenario Read(json document, const TBases& bases) {
  Substitute(document, bases, "");
  OnlyMembers(document, "scenario", {"login", "videos", "notices", "timeline"});
  TScenario scenario;
  scenario.Login = ReadLogin(document.value("login", json::object()), bases);
  if (const json* videos = Member(document, "videos")) {
    if (!videos->is_array()) Fail("videos", "must be an array");
    for (std::size_t i = 0; i < videos->size(); ++i) {
      const json& video = (*videos)[i];
      const std::string where = "videos[" + std::to_string(i) + "]";
      OnlyMembers(video, where, {"title", "RTMP", "RTMP_H", "RTMP_SH"});
      TScenarioVideo item;
      item.Title = Text(video, "title", where);
      item.Addresses = json::object();
      for (const char* name : {"RTMP", "RTMP_H", "RTMP_SH"}) item.Addresses[name] = Text(video, name, where);
      scenario.Videos.push_back(std::move(item));
    }
  }
  if (const json* notices = Member(document, "notices")) {
    if (!notices->is_object()) Fail("notices", "must be an object of named notices");
    for (const auto& [name, notice] : notices->items()) {
      const std::string where = "notices." + name;
      OnlyMembers(notice, where, {"title", "text", "alert"});
      TScenarioNotice item{Text(notice, "title", where, name), Text(notice, "text", where), std::nullopt};
      if (Member(notice, "alert")) item.Alert = Text(notice, "alert", where);
      scenario.Notices.emplace(name, std::move(item));
    }
  }
  if (const json* timeline = Member(document, "timeline")) {
    if (!timeline->is_array()) Fail("timeline", "must be an array");
    for (std::size_t i = 0; i < timeline->size(); ++i)
      scenario.Timeline.push_back(ReadEvent((*timeline)[i], "timeline[" + std::to_string(i) + "]"));
    std::stable_sort(scenario.Timeline.begin(), scenario.Timeline.end(),
                     [](const TTimelineEvent& a, const TTimelineEvent& b) { return a.At < b.At; });
  }
  return scenario;
}

}  // namespace

std::optional<TScenario> TScenarioLoader::Load(const QString& path, const QString& httpBase, const QString& rtspBase,
                                               QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = path + ": " + file.errorString();
    return std::nullopt;
  }
  std::optional<TScenario> scenario = Parse(file.readAll().toStdString(), httpBase, rtspBase, error);
  if (!scenario) *error = path + ": " + *error;
  return scenario;
}

std::optional<TScenario> TScenarioLoader::Parse(const std::string& text, const QString& httpBase,
                                                const QString& rtspBase, QString* error) {
  TBases bases{httpBase.toStdString(), std::nullopt};
  if (!rtspBase.isEmpty()) bases.Rtsp = rtspBase.toStdString();
  try {
    return Read(json::parse(text), bases);
  } catch (const json::exception& e) {
    *error = QString::fromStdString(e.what());
  } catch (const TScenarioError& e) {
    *error = QString::fromStdString(e.what());
  }
  return std::nullopt;
}
