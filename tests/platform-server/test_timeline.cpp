// What the platform sends by itself, from the scenario's timeline: schedules on its own clock,
// update offers, raw frames and faults.

#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

#include "PlatformHarness.h"
#include "support/QtPrinters.h"

namespace {

qint64 Now() { return QDateTime::currentMSecsSinceEpoch(); }

std::vector<qint64> Ids(const json& schedule) {
  std::vector<qint64> ids;
  for (const json& task : schedule["data"]["tasks"]) ids.push_back(task["scheduleId"]);
  return ids;
}

// Frames parsed from the front of bytes; Rest is what did not form one.
struct TParsed {
  std::vector<TFrame> Frames;
  QByteArray Rest;
};

TParsed ParseFrames(QByteArray bytes) {
  TParsed parsed;
  while (bytes.size() >= 16 && bytes.startsWith("\xFF\x04") && bytes.mid(14, 2) == QByteArray("\xFF\x05", 2)) {
    const qint32 length = qFromLittleEndian<qint32>(bytes.constData() + 4);
    if (length < 0 || bytes.size() < 16 + length) break;
    const QByteArray body = bytes.mid(16, length);
    parsed.Frames.push_back({bytes.left(16), body, json::parse(body.toStdString(), nullptr, false)});
    bytes.remove(0, 16 + length);
  }
  parsed.Rest = bytes;
  return parsed;
}

TEST(PlatformSchedule, TaskTimesCountFromTheLoginAndEachMessageCarriesItsSendTime) {
  const json scenario = {
      {"timeline",
       {{{"at", 0.2},
         {"schedule",
          {{"lockscreen", true},
           {"tasks",
            {{{"scheduleId", 11},
              {"type", 0},
              {"start", 0},
              {"end", 60},
              {"data", {{"RTMP", ""}, {"RTSP", "rtsp://127.0.0.1/live"}, {"HLS", "{media}/live.m3u8"}}}},
             {{"scheduleId", 12},
              {"type", 2},
              {"start", 15},
              {"end", 75.5},
              {"message", "m"},
              {"data",
               {{"CONTENT", "{http}/notice/welcome"},
                {"ATTACHMENT", {{{"uri", "{media}/a.pdf"}, {"fileName", "a.pdf"}, {"fileType", "pdf"}}}}}}}}}}}}}}};
  TPlatformRun run(scenario);
  ASSERT_TRUE(run.Started()) << run.Stderr().toStdString();
  TTerminal terminal(run.TcpPort);
  const qint64 beforeLogin = Now();
  ASSERT_EQ(terminal.Login()["success"], true);
  const qint64 afterLogin = Now();

  // Before the timeline's first schedule there is nothing to do.
  terminal.Send(HeartbeatText());
  const json empty = terminal.Next();
  EXPECT_EQ(empty["key"], "002");
  EXPECT_EQ(empty["data"], json({{"lockscreen", false}, {"tasks", json::array()}}));

  const json pushed = terminal.Next();  // the timeline's schedule, at 0.2 s
  ASSERT_EQ(Ids(pushed), (std::vector<qint64>{11, 12}));
  EXPECT_EQ(pushed["success"], true);
  EXPECT_EQ(pushed["data"]["lockscreen"], true);
  const json& live = pushed["data"]["tasks"][0];
  const json& notice = pushed["data"]["tasks"][1];
  const qint64 origin = live["startTime"]["time"];
  EXPECT_GE(origin, beforeLogin);
  EXPECT_LE(origin, afterLogin);
  EXPECT_EQ(live["endTime"]["time"], origin + 60000);
  EXPECT_EQ(notice["startTime"]["time"], origin + 15000);
  EXPECT_EQ(notice["endTime"]["time"], origin + 75500);
  EXPECT_GE(live["sendTime"]["time"], origin + 200);
  EXPECT_EQ(live["type"], 0);
  EXPECT_EQ(notice["type"], 2);
  EXPECT_EQ(notice["message"], "m");
  EXPECT_EQ(notice["errorCode"], "");
  const std::string base = run.HttpBase().toStdString();
  EXPECT_EQ(live["data"], json({{"RTMP", ""}, {"RTSP", "rtsp://127.0.0.1/live"}, {"HLS", base + "/media/live.m3u8"}}));
  EXPECT_EQ(notice["data"]["CONTENT"], base + "/notice/welcome");
  EXPECT_EQ(notice["data"]["ATTACHMENT"][0]["uri"], base + "/media/a.pdf");

  // A heartbeat answer carries the same tasks, sent now.
  QThread::msleep(30);
  const qint64 beforeBeat = Now();
  terminal.Send(HeartbeatText());
  const json answer = terminal.Next();
  const qint64 afterBeat = Now();
  ASSERT_EQ(Ids(answer), (std::vector<qint64>{11, 12}));
  for (const json& task : answer["data"]["tasks"]) {
    EXPECT_GE(task["sendTime"]["time"], beforeBeat);
    EXPECT_LE(task["sendTime"]["time"], afterBeat);
  }
  EXPECT_EQ(answer["data"]["tasks"][1]["startTime"]["time"], origin + 15000);
}

TEST(PlatformSchedule, AnEndedTaskIsSentOnceMoreOnlyToTerminalsThatKnewIt) {
  const json task = {{"type", 0}, {"start", 0}, {"data", {{"RTSP", "rtsp://127.0.0.1/a"}}}};
  json ended = task, kept = task, running = task;
  ended.update({{"scheduleId", 1}, {"end", 0.3}});
  kept.update({{"scheduleId", 2}, {"end", 0.3}, {"keepAfterEnd", true}});
  running.update({{"scheduleId", 3}, {"end", 60}});
  const json scenario = {{"timeline", {{{"at", 0}, {"schedule", {{"tasks", {ended, kept, running}}}}}}}};
  TPlatformRun run(scenario);
  ASSERT_TRUE(run.Started()) << run.Stderr().toStdString();

  TTerminal first(run.TcpPort);
  ASSERT_EQ(first.Login()["success"], true);
  QElapsedTimer sinceLogin;  // started after the reply, so the platform's origin lies before it
  sinceLogin.start();
  EXPECT_EQ(Ids(first.Next()), (std::vector<qint64>{1, 2, 3}));
  QThread::msleep(static_cast<unsigned long>(std::max<qint64>(0, 450 - sinceLogin.elapsed())));

  first.Send(HeartbeatText());
  const json endNotice = first.Next();
  ASSERT_EQ(Ids(endNotice), (std::vector<qint64>{1, 2, 3}));
  const json& endedTask = endNotice["data"]["tasks"][0];
  EXPECT_GT(endedTask["sendTime"]["time"], endedTask["endTime"]["time"]);
  first.Send(HeartbeatText());
  EXPECT_EQ(Ids(first.Next()), (std::vector<qint64>{2, 3}));

  TTerminal late(run.TcpPort);
  ASSERT_EQ(late.Login()["success"], true);
  late.Send(HeartbeatText());
  EXPECT_EQ(Ids(late.Next()), (std::vector<qint64>{2, 3}));
}

// ---- frames and faults from the timeline --------------------------------------------------------

struct TChunk {
  qint64 AtMs;
  QByteArray Bytes;
};

struct TFaultCase {
  const char* Name;
  json Event;  // put on the timeline at 0.1 s; a frame {"key":"end"} follows at 0.6 s
  std::function<void(const std::vector<TChunk>& chunks, const QByteArray& all, const std::string& httpBase)> Check;
};

// Failure messages name the case rather than dumping its bytes.
void PrintTo(const TFaultCase& c, std::ostream* os) { *os << c.Name; }

const QByteArray kEndBody = R"({"key":"end"})";

std::vector<json> Bodies(const TParsed& parsed) {
  std::vector<json> bodies;
  for (const TFrame& frame : parsed.Frames) bodies.push_back(frame.Value);
  return bodies;
}

class TimelineFault : public ::testing::TestWithParam<TFaultCase> {};

TEST_P(TimelineFault, IsSentAsTheScenarioSays) {
  const TFaultCase& c = GetParam();
  json event = c.Event;
  event["at"] = 0.1;
  const json scenario = {{"timeline", {event, {{"at", 0.6}, {"frame", {{"key", "end"}}}}}}};
  TPlatformRun run(scenario);
  ASSERT_TRUE(run.Started()) << run.Stderr().toStdString();
  TTerminal terminal(run.TcpPort);
  ASSERT_EQ(terminal.Login()["success"], true);

  std::vector<TChunk> chunks;
  QByteArray all = terminal.Pending;
  QElapsedTimer clock;
  clock.start();
  while (!all.endsWith(kEndBody) && clock.elapsed() < kAnswerMs) {
    const QByteArray chunk = terminal.ReadChunk(100);
    if (chunk.isEmpty()) continue;
    chunks.push_back({clock.elapsed(), chunk});
    all += chunk;
  }
  ASSERT_TRUE(all.endsWith(kEndBody)) << ::testing::PrintToString(all);
  c.Check(chunks, all, run.HttpBase().toStdString());
}

const json kEnd = {{"key", "end"}};

INSTANTIATE_TEST_SUITE_P(
    Platform, TimelineFault,
    ::testing::Values(
        TFaultCase{"FrameWithJsonBody",
                   {{"frame", {{"key", "005"}, {"data", {{"n", 1}}}}}},
                   [](auto&, const QByteArray& all, auto&) {
                     const TParsed parsed = ParseFrames(all);
                     EXPECT_EQ(Bodies(parsed), (std::vector<json>{{{"key", "005"}, {"data", {{"n", 1}}}}, kEnd}));
                     EXPECT_TRUE(parsed.Rest.isEmpty());
                   }},
        TFaultCase{"FrameWithPlainText",
                   {{"frame", "plain words"}},
                   [](auto&, const QByteArray& all, auto&) {
                     const TParsed parsed = ParseFrames(all);
                     ASSERT_EQ(parsed.Frames.size(), 2u);
                     EXPECT_EQ(parsed.Frames[0].Body, "plain words");
                   }},
        TFaultCase{
            "UpdateOffer",
            {{"update", {{"version", "2.7.0"}, {"url", "{media}/update.zip"}}}},
            [](auto&, const QByteArray& all, const std::string& base) {
              const TParsed parsed = ParseFrames(all);
              ASSERT_EQ(parsed.Frames.size(), 2u);
              const json& offer = parsed.Frames[0].Value;
              EXPECT_EQ(offer["key"], "003");
              EXPECT_EQ(offer["data"]["update"], json({{"version", "2.7.0"}, {"url", base + "/media/update.zip"}}));
            }},
        TFaultCase{"GarbageBytes",
                   {{"fault", "garbage"}, {"hex", "00ff04ff0501"}},
                   [](auto&, const QByteArray& all, auto&) {
                     ASSERT_TRUE(all.startsWith(QByteArray("\x00\xFF\x04\xFF\x05\x01", 6)));
                     EXPECT_EQ(Bodies(ParseFrames(all.mid(6))), std::vector<json>{kEnd});
                   }},
        TFaultCase{"FrameSplitWithPauses",
                   {{"fault", "split"}, {"parts", 4}, {"delayMs", 80}},
                   [](const std::vector<TChunk>& chunks, const QByteArray& all, auto&) {
                     const TParsed parsed = ParseFrames(all);
                     ASSERT_EQ(parsed.Frames.size(), 2u);
                     EXPECT_EQ(parsed.Frames[0].Value["key"], "002");  // the current schedule
                     const qsizetype frameSize = 16 + parsed.Frames[0].Body.size();
                     // It came in pieces, the last one three pauses after the first.
                     qsizetype received = 0;
                     std::size_t last = 0;
                     while (last < chunks.size() && (received += chunks[last].Bytes.size()) < frameSize) ++last;
                     ASSERT_LT(last, chunks.size());
                     EXPECT_GE(last, 1u);
                     EXPECT_GE(chunks[last].AtMs - chunks[0].AtMs, 3 * 80 - 30);
                   }},
        TFaultCase{"TwoFramesInOneWrite",
                   {{"fault", "coalesce"}, {"bodies", {{{"key", "a"}}, "b"}}},
                   [](const std::vector<TChunk>& chunks, auto&, auto&) {
                     ASSERT_FALSE(chunks.empty());
                     const TParsed first = ParseFrames(chunks[0].Bytes);
                     ASSERT_EQ(first.Frames.size(), 2u);
                     EXPECT_EQ(first.Frames[0].Value, json({{"key", "a"}}));
                     EXPECT_EQ(first.Frames[1].Body, "b");
                   }},
        TFaultCase{"CurrentScheduleTwiceInOneWrite",
                   {{"fault", "coalesce"}},
                   [](const std::vector<TChunk>& chunks, auto&, auto&) {
                     ASSERT_FALSE(chunks.empty());
                     const TParsed first = ParseFrames(chunks[0].Bytes);
                     ASSERT_EQ(first.Frames.size(), 2u);
                     EXPECT_EQ(first.Frames[0].Value["key"], "002");
                     EXPECT_EQ(first.Frames[1].Value["key"], "002");
                   }},
        TFaultCase{"BrokenHeader",
                   {{"fault", "brokenHeader"}, {"body", {{"key", "x"}}}},
                   [](auto&, const QByteArray& all, auto&) {
                     const QByteArray body = R"({"key":"x"})";
                     ASSERT_GE(all.size(), 16 + body.size());
                     EXPECT_TRUE(all.startsWith("\xFF\x04"));
                     EXPECT_NE(all.mid(14, 2), QByteArray("\xFF\x05", 2));
                     EXPECT_EQ(qFromLittleEndian<qint32>(all.constData() + 4), body.size());
                     EXPECT_EQ(all.mid(16, body.size()), body);
                     EXPECT_EQ(Bodies(ParseFrames(all.mid(16 + body.size()))), std::vector<json>{kEnd});
                   }}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PlatformFault, SilenceAnswersNothingAndDropsWhatFellDueMeanwhile) {
  const json scenario = {{"timeline",
                          {{{"at", 0.05}, {"fault", "silence"}, {"seconds", 0.6}},
                           {{"at", 0.2}, {"frame", {{"key", "during"}}}},
                           {{"at", 1.4}, {"frame", {{"key", "after"}}}}}}};
  TPlatformRun run(scenario);
  ASSERT_TRUE(run.Started()) << run.Stderr().toStdString();
  TTerminal terminal(run.TcpPort);
  ASSERT_EQ(terminal.Login()["success"], true);
  QElapsedTimer sinceLogin;  // started after the reply, so the platform's origin lies before it
  sinceLogin.start();

  QThread::msleep(100);
  terminal.Send(HeartbeatText());
  terminal.Send(LoginText("1001", "1234"));
  EXPECT_EQ(terminal.ReadChunk(static_cast<int>(std::max<qint64>(1, 550 - sinceLogin.elapsed()))), QByteArray());

  QThread::msleep(static_cast<unsigned long>(std::max<qint64>(0, 1000 - sinceLogin.elapsed())));
  terminal.Send(HeartbeatText());
  EXPECT_EQ(terminal.Next()["key"], "002");
  EXPECT_EQ(terminal.Next()["key"], "after");
  // Everything was still recorded.
  EXPECT_EQ(run.Recorded().size(), 4u);
}

TEST(PlatformFault, CloseEndsEveryConnectionAndTheServerGoesOn) {
  const json scenario = {{"timeline", {{{"at", 0.1}, {"fault", "close"}}}}};
  TPlatformRun run(scenario);
  ASSERT_TRUE(run.Started()) << run.Stderr().toStdString();
  TTerminal loggedIn(run.TcpPort);
  TTerminal idle(run.TcpPort);
  ASSERT_EQ(loggedIn.Login()["success"], true);

  for (TTerminal* terminal : {&loggedIn, &idle}) {
    if (terminal->Socket.state() != QAbstractSocket::UnconnectedState) {
      EXPECT_TRUE(terminal->Socket.waitForDisconnected(kAnswerMs));
    }
  }
  TTerminal again(run.TcpPort);
  EXPECT_EQ(again.Login()["success"], true);
}

}  // namespace
