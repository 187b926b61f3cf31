// The platform's web pages and media over HTTP, and the server process's own contract: start-up
// errors for bad scenarios, and a clean end on a signal or after --duration.

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>
#include <csignal>

#include "PlatformHarness.h"
#include "support/QtPrinters.h"

namespace {

struct THttpReply {
  int Status = 0;
  QByteArray Body;
};

THttpReply Get(const QString& url) {
  QNetworkAccessManager network;
  QNetworkReply* reply = network.get(QNetworkRequest(QUrl::fromEncoded(url.toUtf8())));
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(kAnswerMs, &loop, &QEventLoop::quit);
  loop.exec();
  THttpReply result{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
  delete reply;
  return result;
}

const QByteArray kVideoBytes = "not really a video, but served as one";

const json kPagesScenario = {
    {"videos",
     {{{"title", "片段 A"}, {"RTMP", "{media}/live.mp4"}}, {{"title", "B & C"}, {"RTMP_H", "rtmp://127.0.0.1/vod/b"}}}},
    {"notices", {{"welcome", {{"title", "欢迎"}, {"text", "今天下午停课"}, {"alert", "notice </script> loaded"}}}}}};

class PlatformPages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Run = new TPlatformRun(kPagesScenario, {{"live.mp4", kVideoBytes}, {"talk.webm", "x"}, {"notes.txt", "x"}});
  }
  static void TearDownTestSuite() {
    delete Run;
    Run = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(Run->Started()) << Run->Stderr().toStdString(); }
  static TPlatformRun* Run;
};
TPlatformRun* PlatformPages::Run = nullptr;

struct TPageCase {
  const char* Path;
  int Status;
  std::vector<QByteArray> Present;
  std::vector<QByteArray> Absent;
};

TEST_F(PlatformPages, AnswerWithWhatTheTerminalOpensThemWith) {
  const std::vector<TPageCase> cases = {
      // The terminal appends the stream address unencoded. The page plays with sound.
      {"/play?rtmp=rtmp://127.0.0.1/live/live.mp4",
       200,
       {">rtmp://127.0.0.1/live/live.mp4</p>", "<video", "src=\"/media/live.mp4\"", " autoplay"},
       {"muted"}},
      // A bare stream name finds the file a browser plays.
      {"/play?rtmp=rtmp://127.0.0.1/live/live", 200, {"src=\"/media/live.mp4\""}, {}},
      {"/play?rtmp=rtmp://127.0.0.1/live/talk", 200, {"src=\"/media/talk.webm\""}, {}},
      {"/play?rtmp=rtmp://127.0.0.1/live/notes", 200, {"src=\"rtmp://127.0.0.1/live/notes\""}, {}},
      {"/play?rtmp=rtmp://127.0.0.1/live/studio", 200, {"src=\"rtmp://127.0.0.1/live/studio\""}, {}},
      {"/play?rtmp=%3Cscript%3Ealert(1)%3C/script%3E", 200, {"&lt;script&gt;alert(1)"}, {"<script>alert(1)"}},
      {"/notice/welcome?w=1920&h=980",
       200,
       {"<h1>欢迎</h1>", "今天下午停课", "<span id=\"w\">1920</span>", "<span id=\"h\">980</span>",
        "alert(\"notice <\\/script> loaded\")"},
       {}},
      {"/notice/other?a=1&w=800&h=600", 200, {"<h1>other</h1>", ">800<", ">600<"}, {"alert("}},
      {"/media/live.mp4", 200, {kVideoBytes}, {}},
      {"/media/missing.mp4", 404, {}, {}},
      {"/media/..%2Fscenario.json", 404, {}, {}},
      {"/nothing/here", 404, {}, {}},
  };
  for (const TPageCase& c : cases) {
    SCOPED_TRACE(c.Path);
    const THttpReply reply = Get(Run->HttpBase() + c.Path);
    EXPECT_EQ(reply.Status, c.Status);
    for (const QByteArray& text : c.Present) EXPECT_TRUE(reply.Body.contains(text)) << text.toStdString();
    for (const QByteArray& text : c.Absent) EXPECT_FALSE(reply.Body.contains(text)) << text.toStdString();
  }
  EXPECT_EQ(Get(Run->HttpBase() + "/media/live.mp4").Body, kVideoBytes);
}

// What a click on each item of the list page hands to alert(), and the item's text.
std::vector<std::pair<json, QString>> ListItems(const QByteArray& page) {
  static const QRegularExpression item(
      R"re(<a [^>]*data-alert="([^"]*)" onclick="alert\(this\.dataset\.alert\); return false;">([^<]*)</a>)re");
  std::vector<std::pair<json, QString>> items;
  for (auto it = item.globalMatch(QString::fromUtf8(page)); it.hasNext();) {
    const QRegularExpressionMatch match = it.next();
    QString alert = match.captured(1);
    alert.replace("&quot;", "\"").replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&");
    QString title = match.captured(2);
    title.replace("&amp;", "&");
    items.emplace_back(json::parse(alert.toStdString(), nullptr, false), title);
  }
  return items;
}

TEST_F(PlatformPages, ListPageItemsAlertTheirAddressesAsJson) {
  const THttpReply reply = Get(Run->HttpBase() + "/list");
  ASSERT_EQ(reply.Status, 200);
  const std::string media = Run->HttpBase().toStdString() + "/media/";
  const std::vector<std::pair<json, QString>> expected = {
      {{{"data", {{"RTMP", media + "live.mp4"}, {"RTMP_H", ""}, {"RTMP_SH", ""}}}}, "片段 A"},
      {{{"data", {{"RTMP", ""}, {"RTMP_H", "rtmp://127.0.0.1/vod/b"}, {"RTMP_SH", ""}}}}, "B & C"}};
  EXPECT_EQ(ListItems(reply.Body), expected);
}

TEST(PlatformListPage, WithoutVideosInTheScenarioOffersTheMediaFolder) {
  const json scenario = json::object();
  TPlatformRun run(scenario, {{"live.mp4", kVideoBytes}, {"clip.webm", "x"}, {"notes.txt", "x"}});
  ASSERT_TRUE(run.Started()) << run.Stderr().toStdString();
  const std::string media = run.HttpBase().toStdString() + "/media/";
  const std::vector<std::pair<json, QString>> expected = {
      {{{"data", {{"RTMP", media + "clip.webm"}, {"RTMP_H", ""}, {"RTMP_SH", ""}}}}, "clip.webm"},
      {{{"data", {{"RTMP", media + "live.mp4"}, {"RTMP_H", ""}, {"RTMP_SH", ""}}}}, "live.mp4"}};
  EXPECT_EQ(ListItems(Get(run.HttpBase() + "/list").Body), expected);
}

// ---- the process --------------------------------------------------------------------------------

class PlatformStop : public ::testing::TestWithParam<int> {};

TEST_P(PlatformStop, OnASignalEndsCleanlyWithTerminalsConnected) {
  const json scenario = json::object();
  TPlatformRun run(scenario);
  ASSERT_TRUE(run.Started()) << run.Stderr().toStdString();
  TTerminal terminal(run.TcpPort);
  ASSERT_EQ(terminal.Login()["success"], true);

  ::kill(static_cast<pid_t>(run.Process.processId()), GetParam());
  ASSERT_TRUE(run.Process.waitForFinished(kAnswerMs));
  EXPECT_EQ(run.Process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(run.Process.exitCode(), 0) << run.Stderr().toStdString();
  EXPECT_TRUE(terminal.Socket.waitForDisconnected(kAnswerMs) ||
              terminal.Socket.state() == QAbstractSocket::UnconnectedState);
}

INSTANTIATE_TEST_SUITE_P(Platform, PlatformStop, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) { return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT"); });

TEST(PlatformProcess, StopsByItselfAfterTheDuration) {
  const json scenario = json::object();
  TPlatformRun run(scenario, {}, {"--duration", "0.3"});
  ASSERT_TRUE(run.Started()) << run.Stderr().toStdString();
  ASSERT_TRUE(run.Process.waitForFinished(kAnswerMs));
  EXPECT_EQ(run.Process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(run.Process.exitCode(), 0);
}

TEST(PlatformProcess, RefusesToStartWithABadScenarioAndSaysWhere) {
  const std::vector<std::pair<QByteArray, std::string>> cases = {
      {"{\"login\": ", "parse error"},
      {R"({"login": {"user": "1001"}})", "login: unknown member \"user\""},
      {R"({"timeline": [{"at": 1, "fault": "meltdown"}]})", "timeline[0].fault: unknown fault \"meltdown\""},
      {R"({"timeline": [{"at": 1, "frame": {}, "fault": "close"}]})", "timeline[0]: needs exactly one of"},
      {R"({"timeline": [{"at": 1, "schedule": {"tasks": [{"scheduleId": 1, "type": 0, "start": 0}]}}]})",
       "timeline[0].schedule.tasks[0]: \"end\" is missing"},
      {R"({"timeline": [{"at": 1, "fault": "garbage", "hex": "0g"}]})", "timeline[0].hex"},
      // Started without --rtsp-port.
      {R"({"timeline": [{"at": 1, "frame": {"live": "{rtsp}/live"}}]})",
       "timeline[0].frame.live: {rtsp} needs the RTSP server: start with --rtsp-port"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text.toStdString());
    TPlatformRun run(TRawScenario{text});
    EXPECT_FALSE(run.Started());
    run.Process.waitForFinished(kAnswerMs);
    ASSERT_EQ(run.Process.state(), QProcess::NotRunning);
    EXPECT_EQ(run.Process.exitCode(), 2);
    EXPECT_TRUE(run.Stderr().contains(QByteArray::fromStdString(message))) << run.Stderr().toStdString();
  }
}

}  // namespace
