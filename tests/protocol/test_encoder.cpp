#include "protocol/JsonEncoders.h"

#include <gtest/gtest.h>

namespace {

TEST(Encoder, HeartbeatTextIsExact) {
  TLiveData live;
  live.Data = {"10.1.2.3", 42, -7};
  const QString expected =
      "{\r\n"
      " \"data\": {\r\n"
      "  \"serverIp\": \"10.1.2.3\",\r\n"
      "  \"tasks\": [],\r\n"
      "  \"terminalGroupId\": -7,\r\n"
      "  \"terminalId\": 42\r\n"
      " },\r\n"
      " \"errorCode\": \"001\",\r\n"
      " \"html\": \"\",\r\n"
      " \"key\": \"002\",\r\n"
      " \"list\": \"\",\r\n"
      " \"message\": \"\",\r\n"
      " \"query\": \"\",\r\n"
      " \"success\": \"success\",\r\n"
      " \"uri\": \"\"\r\n"
      "}";
  EXPECT_EQ(TEncoderJsonData().EncodeLive(live), expected);
}

TEST(Encoder, HeartbeatBeforeLoginCarriesZeroIds) {
  const QString text = TEncoderJsonData().EncodeLive(TLiveData{});
  EXPECT_TRUE(text.contains("\"terminalGroupId\": 0,\r\n  \"terminalId\": 0\r\n"));
}

TEST(Encoder, LoginTextIsExact) {
  const QString expected =
      "{\r\n"
      " \"key\": \"001\",\r\n"
      " \"password\": \"\",\r\n"
      " \"serverIp\": \"host\",\r\n"
      " \"username\": \"u1\"\r\n"
      "}";
  EXPECT_EQ(TEncoderJsonData().EncodeLogin({"u1", "", "host"}), expected);
}

struct EscapeCase {
  const char* name;
  QString input;
  QString written;
};
void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.name; }


class EncoderEscapes : public testing::TestWithParam<EscapeCase> {};

TEST_P(EncoderEscapes, StringValueIsWrittenAsPureAscii) {
  const QString text = TEncoderJsonData().EncodeLogin({GetParam().input, "", ""});
  const QString line = " \"username\": \"" + GetParam().written + "\"\r\n";
  EXPECT_TRUE(text.contains(line)) << text.toStdString();
  for (QChar c : text) ASSERT_LT(c.unicode(), 0x80);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncoderEscapes,
    testing::Values(
        EscapeCase{"Chinese", QString::fromUtf16(u"教室"), R"(\u6559\u5ba4)"},
        EscapeCase{"Solidus", "rtmp://a/b", R"(rtmp:\/\/a\/b)"},
        EscapeCase{"ShortEscapes", QString("\"\\\b\t\n\f\r"), R"(\"\\\b\t\n\f\r)"},
        EscapeCase{"OtherControls", QString(QChar(0x01)) + QChar(0x1F), R"(\u0001\u001f)"},
        EscapeCase{"DelAndAsciiAsTheyAre", QString("a~") + QChar(0x7F), QString("a~") + QChar(0x7F)},
        EscapeCase{"Latin1AboveAscii", QString(QChar(0xE9)), R"(\u00e9)"},
        EscapeCase{"OutsideBasicPlane", QString::fromUtf16(u"\U0001F600"), R"(\ud83d\ude00)"}),
    [](const testing::TestParamInfo<EscapeCase>& info) { return info.param.name; });

}  // namespace
