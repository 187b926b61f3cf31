// What a terminal gets for what it sends: login replies, heartbeat answers, and a stream of bare
// JSON texts cut anywhere by TCP.

#include <QThread>

#include "PlatformHarness.h"
#include "support/QtPrinters.h"

namespace {

// ---- login replies ------------------------------------------------------------------------------

struct TLoginCase {
  const char* Name;
  json Login;  // the scenario's "login"
  std::string User;
  std::string Password;
  json Expected;  // the whole reply, or for an accepted login its "data"; "{http}" is the page base
};

// Failure messages name the case rather than dumping its bytes.
void PrintTo(const TLoginCase& c, std::ostream* os) { *os << c.Name; }

void ReplaceHttp(json& value, const std::string& base) {
  if (value.is_string()) {
    std::string text = value.get<std::string>();
    if (const auto at = text.find("{http}"); at != std::string::npos) text.replace(at, 6, base);
    value = text;
  } else if (value.is_structured()) {
    for (json& child : value) ReplaceHttp(child, base);
  }
}

class LoginReply : public ::testing::TestWithParam<TLoginCase> {};

TEST_P(LoginReply, AnswersEveryLoginFromTheScenario) {
  const TLoginCase& c = GetParam();
  const json scenario = {{"login", c.Login}};
  TPlatformRun run(scenario);
  ASSERT_TRUE(run.Started()) << run.Stderr().toStdString();
  TTerminal terminal(run.TcpPort);
  ASSERT_TRUE(terminal.Connected);
  json expected = c.Expected;
  ReplaceHttp(expected, run.HttpBase().toStdString());

  // A terminal that is refused repeats its login, so every login is answered alike.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const json reply = terminal.Login(c.User, c.Password);
    if (expected.contains("key")) {
      EXPECT_EQ(reply, expected);
    } else {
      EXPECT_EQ(reply["key"], "001");
      EXPECT_EQ(reply["success"], true);
      EXPECT_EQ(reply["data"], expected);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Platform, LoginReply,
    ::testing::Values(
        TLoginCase{
            "RightUserAndPassword",
            {{"username", "1001"}, {"password", "1234"}, {"terminalId", 1001}, {"terminalGroupId", 7}},
            "1001",
            "1234",
            {{"terminalId", 1001}, {"terminalGroupId", 7}, {"playUrl", "{http}/play"}, {"videoUrl", "{http}/list"}}},
        // The default reason is Chinese: the length field must count UTF-8 bytes, not characters.
        TLoginCase{"WrongPassword",
                   {{"username", "1001"}, {"password", "1234"}},
                   "1001",
                   "4321",
                   {{"key", "001"}, {"success", false}, {"message", "用户名或密码错误"}}},
        TLoginCase{"UnknownUserWithOwnReason",
                   {{"username", "1001"}, {"password", "1234"}, {"refusal", "no such terminal"}},
                   "1002",
                   "1234",
                   {{"key", "001"}, {"success", false}, {"message", "no such terminal"}}},
        TLoginCase{
            "AnyoneWhenTheScenarioNamesNoOne",
            json::object(),
            "教室 3",
            "",
            {{"terminalId", 1}, {"terminalGroupId", 1}, {"playUrl", "{http}/play"}, {"videoUrl", "{http}/list"}}},
        TLoginCase{"PageAddressesOfTheScenario",
                   {{"playUrl", "{http}/live/play.html?a=1"}, {"videoUrl", "http://127.0.0.1:1/list"}},
                   "u",
                   "p",
                   {{"terminalId", 1},
                    {"terminalGroupId", 1},
                    {"playUrl", "{http}/live/play.html?a=1"},
                    {"videoUrl", "http://127.0.0.1:1/list"}}}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- the terminal's byte stream -----------------------------------------------------------------

struct TStreamCase {
  const char* Name;
  std::vector<QByteArray> Writes;  // 50 ms apart, so each is likely a read of its own
  std::vector<std::string> AnswerKeys;
  std::vector<json> Recorded;  // {"message": ..., "raw": ...} of each record line
};

void PrintTo(const TStreamCase& c, std::ostream* os) { *os << c.Name; }

const QByteArray kLogin = LoginText("1001", "1234");
const json kLoginJson = json::parse(kLogin.toStdString());
const json kHeartbeatJson = json::parse(HeartbeatText().toStdString());
// Sent unescaped, so a cut can fall inside a character.
const QByteArray kUtf8Login =
    QByteArray::fromStdString(json{{"key", "001"}, {"username", "教室"}, {"password", ""}}.dump());

json Message(const json& message) { return {{"message", message}, {"raw", false}}; }
json Raw(const std::string& text) { return {{"message", text}, {"raw", true}}; }

class TerminalStream : public ::testing::TestWithParam<TStreamCase> {};

TEST_P(TerminalStream, EveryMessageIsAnsweredAndRecordedWhereverTheStreamIsCut) {
  const TStreamCase& c = GetParam();
  const json scenario = json::object();
  TPlatformRun run(scenario);
  ASSERT_TRUE(run.Started()) << run.Stderr().toStdString();
  TTerminal terminal(run.TcpPort);
  ASSERT_TRUE(terminal.Connected);

  for (std::size_t i = 0; i < c.Writes.size(); ++i) {
    if (i > 0) QThread::msleep(50);
    terminal.Send(c.Writes[i]);
  }
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < c.AnswerKeys.size(); ++i) {
    const json answer = terminal.Next();
    keys.push_back(answer.is_object() ? answer.value("key", "(no key)") : "(no answer)");
  }
  EXPECT_EQ(keys, c.AnswerKeys);
  EXPECT_FALSE(terminal.NextFrame(150)) << "an answer too many";

  std::vector<json> recorded;
  for (const json& line : run.Recorded()) {
    EXPECT_TRUE(line.contains("t") && line["connection"] == 1) << line.dump();
    recorded.push_back({{"message", line["message"]}, {"raw", line.value("raw", false)}});
  }
  EXPECT_EQ(recorded, c.Recorded);
}

INSTANTIATE_TEST_SUITE_P(Platform, TerminalStream,
                         ::testing::Values(TStreamCase{"LoginAndHeartbeatInOneWrite",
                                                       {kLogin + HeartbeatText()},
                                                       {"001", "002"},
                                                       {Message(kLoginJson), Message(kHeartbeatJson)}},
                                           TStreamCase{"LoginInThreeWrites",
                                                       {kLogin.left(9), kLogin.mid(9, 40), kLogin.mid(49)},
                                                       {"001"},
                                                       {Message(kLoginJson)}},
                                           TStreamCase{"CutInsideACharacter",
                                                       {kUtf8Login.left(kUtf8Login.indexOf("\xE6\x95\x99") + 1),
                                                        kUtf8Login.mid(kUtf8Login.indexOf("\xE6\x95\x99") + 1)},
                                                       {"001"},
                                                       {Message(json::parse(kUtf8Login.toStdString()))}},
                                           TStreamCase{"SecondMessageCutOffInTheSameWrite",
                                                       {kLogin + HeartbeatText().left(20), HeartbeatText().mid(20)},
                                                       {"001", "002"},
                                                       {Message(kLoginJson), Message(kHeartbeatJson)}},
                                           TStreamCase{"GarbageIsDroppedAndTheStreamGoesOn",
                                                       {"hello there", kLogin},
                                                       {"001"},
                                                       {Raw("hello there"), Message(kLoginJson)}},
                                           TStreamCase{
                                               "HeartbeatBeforeLoginAndLoginTwice",
                                               {HeartbeatText(), kLogin, kLogin},
                                               {"002", "001", "001"},
                                               {Message(kHeartbeatJson), Message(kLoginJson), Message(kLoginJson)}}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
