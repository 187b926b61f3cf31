// The protocol inspector's command-line contract, run as the real executable.

#include "protocol/JsonEncoders.h"
#include "support/Frames.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QProcess>

namespace {

using json = nlohmann::json;

struct ProtoRun {
  int exitCode;
  QByteArray out;
  QByteArray err;
};

ProtoRun Proto(const QStringList& args, const QByteArray& input = {}) {
  QProcess process;
  process.start(QStringLiteral(VIREO_BIN_DIR "/vireo-proto"), args);
  if (!process.waitForStarted()) return {-1, {}, "did not start"};
  process.write(input);
  process.closeWriteChannel();
  process.waitForFinished(30000);
  return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

std::vector<json> Lines(const QByteArray& out) {
  std::vector<json> lines;
  for (const QByteArray& line : out.split('\n'))
    if (!line.isEmpty()) lines.push_back(json::parse(line.toStdString()));
  return lines;
}

TEST(VireoProto, FramesPrintsEachBodyOnItsOwnLine) {
  const QByteArray chinese = QString::fromUtf16(u"{\"m\":\"教室\"}").toUtf8();
  const ProtoRun run = Proto({"frames"}, "junk" + Frame("{\"a\":1}") + Frame(chinese) + Frame("half").left(10));
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], json({{"body", "{\"a\":1}"}}));
  EXPECT_EQ(lines[1]["body"], chinese.toStdString());
}

TEST(VireoProto, DecodePrintsTheRecordWithTasksPlayUrlAndUpdate) {
  const ProtoRun run = Proto({"decode"}, R"({"key":"002","success":true,"data":{"lockscreen":true,"update":{"version":"9","url":"u"},"tasks":[
      {"scheduleId":5,"type":2,"startTime":{"time":1000},"endTime":{"time":9000},"sendTime":{"time":500},
       "data":{"CONTENT":"http://n","ATTACHMENT":[{"uri":"http://a","fileName":"a.pdf","fileType":"pdf"}]}}]}})");
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const json out = json::parse(run.out.toStdString());
  EXPECT_EQ(out["kind"], 0);
  EXPECT_EQ(out["valid"], true);
  EXPECT_EQ(out["lockScreen"], true);
  EXPECT_EQ(out["playUrl"], "");
  EXPECT_EQ(out["update"], json({{"hasUpdate", true}, {"version", "9"}, {"url", "u"}}));
  ASSERT_EQ(out["tasks"].size(), 1u);
  EXPECT_EQ(out["tasks"][0], json({{"scheduleId", 5},
                                   {"type", 2},
                                   {"startTime", 1000},
                                   {"endTime", 9000},
                                   {"sendTime", 500},
                                   {"directPlayUrl", ""},
                                   {"pointPlayUrl", ""},
                                   {"content", "http://n"},
                                   {"attachment", {{"fileName", "a.pdf"}, {"fileType", "pdf"}, {"uri", "http://a"}}},
                                   {"errorCode", ""},
                                   {"message", ""}}));
}

TEST(VireoProto, DecodeOfTextThatIsNotJsonHasNoUpdate) {
  const ProtoRun run = Proto({"decode"}, "not json at all");
  ASSERT_EQ(run.exitCode, 0);
  const json out = json::parse(run.out.toStdString());
  EXPECT_EQ(out["kind"], 2);
  EXPECT_EQ(out["valid"], false);
  EXPECT_FALSE(out.contains("update"));
}

TEST(VireoProto, EncodersWriteExactlyTheTerminalsBytes) {
  const ProtoRun login = Proto({"encode-login", "--username", "room1", "--password", "pw", "--server-ip", "127.0.0.1"});
  ASSERT_EQ(login.exitCode, 0);
  EXPECT_EQ(login.out, TEncoderJsonData().EncodeLogin({"room1", "pw", "127.0.0.1"}).toUtf8());

  const ProtoRun beat = Proto({"encode-heartbeat", "--terminal-id", "-3", "--server-ip", "h/x", "--terminal-group-id", "8"});
  ASSERT_EQ(beat.exitCode, 0);
  TLiveData live;
  live.Data = {"h/x", -3, 8};
  EXPECT_EQ(beat.out, TEncoderJsonData().EncodeLive(live).toUtf8());
}

TEST(VireoProto, ScheduleRunsTheTaskClockTickByTick) {
  const QByteArray input =
      "tick\n"
      R"({"key":"002","success":true,"data":{"tasks":[{"scheduleId":3,"type":0,"startTime":{"time":100},"endTime":{"time":900},"sendTime":{"time":100},"data":{"RTMP":"rtmp://s/1"}}]}})"
      "\n"
      "tick\n"
      "tick\n"
      R"({"key":"002","success":true,"data":{"tasks":[{"scheduleId":3,"type":0,"startTime":{"time":100},"endTime":{"time":900},"sendTime":{"time":950},"data":{"RTMP":"rtmp://s/1"}}]}})"
      "\r\n"
      "tick\n";
  const ProtoRun run = Proto({"schedule"}, input);
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0]["kind"], 4);  // an empty schedule ends every tick
  EXPECT_EQ(lines[1]["kind"], 0);
  EXPECT_EQ(lines[1]["contentType"], 1);
  EXPECT_EQ(lines[1]["url"], "rtmp://s/1");
  EXPECT_EQ(lines[1]["scheduleId"], 3);
  EXPECT_FALSE(lines[1].contains("tasks"));
  EXPECT_TRUE(lines[2].is_null());
  EXPECT_EQ(lines[3]["kind"], 4);
  EXPECT_EQ(lines[3]["url"], "rtmp://s/1");
}

TEST(VireoProto, BadUsageExitsTwoWithOneLine) {
  const QList<QStringList> cases = {{},
                                    {"bogus"},
                                    {"frames", "extra"},
                                    {"encode-login", "--username", "u"},
                                    {"encode-login", "--username", "u", "--password", "p", "--server-ip", "s", "--x", "1"},
                                    {"encode-heartbeat", "--server-ip", "s", "--terminal-id", "abc", "--terminal-group-id", "1"},
                                    {"encode-heartbeat", "--server-ip", "s", "--terminal-id", "1", "--terminal-group-id"}};
  for (const QStringList& args : cases) {
    const ProtoRun run = Proto(args);
    EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
  }
}

}  // namespace
