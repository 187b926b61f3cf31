// Protocol inspector: runs the terminal's own framing, decoding, encoding and schedule code on
// input from the command line, for platform integrators checking their messages.

#include "core/uIniParams.h"
#include "platform/uLogSink.h"
#include "protocol/JsonDecoders.h"
#include "protocol/JsonEncoders.h"
#include "protocol/uDecHeads.h"
#include "schedule/uReceive.h"
#include "schedule/uTaskList.h"

#include <nlohmann/json.hpp>

#include <QString>

#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using json = nlohmann::ordered_json;

constexpr int kUsageError = 2;

const char* const kUsage =
    "usage: vireo-proto frames | decode | schedule | encode-login --username U --password P --server-ip S | "
    "encode-heartbeat --server-ip S --terminal-id N --terminal-group-id N";

// Bad usage: one line on stderr, exit code 2.
[[noreturn]] void Fail(const std::string& why) {
  std::cerr << "vireo-proto: " << why << " (" << kUsage << ")\n";
  std::exit(kUsageError);
}

// Hints of the protocol code go to stderr so that stdout carries only results.
class TStderrLog final : public ILogSink {
 public:
  void LogHint(const QString& text) override { std::cerr << "[hint] " << text.toStdString() << '\n'; }
  void LogError(const QString& text) override { std::cerr << "[error] " << text.toStdString() << '\n'; }
};

std::string Str(const QString& text) { return text.toStdString(); }

json MsgJson(const TServerMsg& msg) {
  return json{{"kind", static_cast<int>(msg.Kind)},
              {"valid", msg.Valid},
              {"contentType", static_cast<int>(msg.ContentType)},
              {"scheduleId", msg.ScheduleId},
              {"url", Str(msg.Url)},
              {"lockScreen", msg.LockScreen},
              {"success", msg.Success},
              {"errorCode", Str(msg.ErrorCode)},
              {"message", Str(msg.Message)},
              {"terminalId", msg.TerminalId},
              {"terminalGroupId", msg.TerminalGroupId},
              {"videoUrl", Str(msg.VideoUrl)}};
}

json TaskJson(const TTask& task) {
  return json{{"scheduleId", task.ScheduleId},
              {"type", task.TaskType},
              {"startTime", task.StartTime},
              {"endTime", task.EndTime},
              {"sendTime", task.SendTime},
              {"directPlayUrl", Str(task.Data.DirectPlayUrl)},
              {"pointPlayUrl", Str(task.Data.PointPlayUrl)},
              {"content", Str(task.Data.Content)},
              {"attachment",
               {{"fileName", Str(task.Data.Attachment.FileName)},
                {"fileType", Str(task.Data.Attachment.FileType)},
                {"uri", Str(task.Data.Attachment.Uri)}}},
              {"errorCode", Str(task.ErrorCode)},
              {"message", Str(task.Message)}};
}

void PrintLine(const json& value) {
  std::cout << value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

QByteArray ReadAllStdin() {
  QByteArray all;
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) all.append(chunk, static_cast<qsizetype>(n));
  return all;
}

// A message body given as UTF-8, as the terminal would hold it after taking it out of a frame.
QString BodyText(const QByteArray& utf8) { return TDecHead::ConvertBody(utf8); }

int RunFrames() {
  TStderrLog log;
  TDecHead head(&log);
  char chunk[1460];  // one TCP segment's worth, as reads deliver it
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) {
    head.AddData(QByteArrayView(chunk, static_cast<qsizetype>(n)));
    while (head.CheckFrame()) PrintLine(json{{"body", Str(head.Body())}});
  }
  return 0;
}

int RunDecode() {
  TStderrLog log;
  TIniParams params;
  TTaskList list;
  const TReceivedMsg received = ReceiveMessage(BodyText(ReadAllStdin()), params.PlayUrl, log, list);
  const TServerMsg& msg = received.Msg;
  json out = MsgJson(msg);
  json tasks = json::array();
  for (const auto& task : msg.Tasks) tasks.push_back(TaskJson(*task));
  out["tasks"] = tasks;
  out["playUrl"] = Str(params.PlayUrl);
  if (msg.Valid) {
    const TUpdateData& update = received.Update;
    out["update"] = {{"hasUpdate", update.HasUpdate}, {"version", Str(update.Version)}, {"url", Str(update.Url)}};
  }
  PrintLine(out);
  return 0;
}

int RunSchedule() {
  TStderrLog log;
  TIniParams params;
  TTaskList list;
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "tick") {
      TServerMsg msg;
      if (RunTaskTick(list, msg, params.NotifyPageMsg.Url))
        PrintLine(MsgJson(msg));
      else
        PrintLine(nullptr);
      continue;
    }
    if (line.empty()) continue;
    ReceiveMessage(BodyText(QByteArray::fromStdString(line)), params.PlayUrl, log, list);
  }
  return 0;
}

// --name value pairs; every name in `names` must be given exactly once, nothing else.
std::map<std::string, std::string> Options(int argc, char** argv, const std::vector<std::string>& names) {
  std::map<std::string, std::string> values;
  for (int i = 2; i < argc; i += 2) {
    const std::string name = argv[i];
    if (name.rfind("--", 0) != 0 || std::find(names.begin(), names.end(), name.substr(2)) == names.end())
      Fail("unknown option " + name);
    if (i + 1 >= argc) Fail("missing value for " + name);
    if (!values.emplace(name.substr(2), argv[i + 1]).second) Fail("option given twice: " + name);
  }
  for (const std::string& name : names)
    if (!values.count(name)) Fail("missing option --" + name);
  return values;
}

std::int32_t Int32Option(const std::map<std::string, std::string>& values, const std::string& name) {
  const std::string& text = values.at(name);
  bool ok = false;
  const int value = QString::fromStdString(text).toInt(&ok, 10);
  if (!ok) Fail("--" + name + " takes a 32-bit integer, not '" + text + "'");
  return value;
}

void WriteText(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) Fail("no command");
  const std::string command = argv[1];
  const bool takesNoOptions = command == "frames" || command == "decode" || command == "schedule";
  if (takesNoOptions && argc > 2) Fail(command + " takes no arguments");

  if (command == "frames") return RunFrames();
  if (command == "decode") return RunDecode();
  if (command == "schedule") return RunSchedule();
  if (command == "encode-login") {
    const auto values = Options(argc, argv, {"username", "password", "server-ip"});
    TLoginData data{QString::fromStdString(values.at("username")), QString::fromStdString(values.at("password")),
                    QString::fromStdString(values.at("server-ip"))};
    WriteText(TEncoderJsonData().EncodeLogin(data));
    return 0;
  }
  if (command == "encode-heartbeat") {
    const auto values = Options(argc, argv, {"server-ip", "terminal-id", "terminal-group-id"});
    TLiveData data;
    data.Data.ServerIp = QString::fromStdString(values.at("server-ip"));
    data.Data.TerminalId = Int32Option(values, "terminal-id");
    data.Data.TerminalGroupId = Int32Option(values, "terminal-group-id");
    WriteText(TEncoderJsonData().EncodeLive(data));
    return 0;
  }
  Fail("unknown command " + command);
}
