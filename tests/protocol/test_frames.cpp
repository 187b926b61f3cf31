#include "protocol/uDecHeads.h"

#include "support/FakeLog.h"
#include "support/Frames.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

namespace {

QByteArray Utf8(const char16_t* text) { return QString::fromUtf16(text).toUtf8(); }

TEST(DecHead, FrameArrivingByteByByteIsTakenWithItsLastByte) {
  const QByteArray frame = Frame(R"({"key":"002"})");
  TDecHead head;
  for (qsizetype i = 0; i + 1 < frame.size(); ++i) {
    head.AddData(frame.mid(i, 1));
    ASSERT_FALSE(head.CheckFrame()) << "taken early at byte " << i;
  }
  head.AddData(frame.right(1));
  ASSERT_TRUE(head.CheckFrame());
  EXPECT_EQ(head.Body(), R"({"key":"002"})");
  EXPECT_EQ(head.Buffered(), 0);
  EXPECT_FALSE(head.CheckFrame());
}

TEST(DecHead, LargeFrameByteByByteCostsLinearTime) {
  // Rescanning the buffer on every call would take hours here.
  const QByteArray frame = Frame(QByteArray(2 * 1024 * 1024, 'x'));
  TDecHead head;
  QElapsedTimer timer;
  timer.start();
  int taken = 0;
  for (char c : frame) {
    head.AddData(QByteArrayView(&c, 1));
    taken += head.CheckFrame() ? 1 : 0;
  }
  EXPECT_EQ(taken, 1);
  EXPECT_EQ(head.RawBody().size(), 2 * 1024 * 1024);
  EXPECT_LT(timer.elapsed(), 20000);
}

TEST(DecHead, LengthFieldHoldingTheEndMarkerBytes) {
  const QByteArray body(1535, 'a');  // 0x05FF: the length field reads FF 05 00 00
  TDecHead head;
  head.AddData(Frame(body));
  ASSERT_TRUE(head.CheckFrame());
  EXPECT_EQ(head.RawBody(), body);
}

TEST(DecHead, GarbageAheadIsDroppedAndTwoFramesComeOnePerCall) {
  TFakeLog log;
  TDecHead head(&log);
  head.AddData(QByteArray("noise\x04\xFF") + Frame("first") + Frame("second"));
  ASSERT_TRUE(head.CheckFrame());
  EXPECT_EQ(head.Body(), "first");
  EXPECT_EQ(head.Buffered(), Frame("second").size());
  ASSERT_TRUE(head.CheckFrame());
  EXPECT_EQ(head.Body(), "second");
  EXPECT_FALSE(head.CheckFrame());
  EXPECT_EQ(log.Hints, QStringList{"接收数据不是有效的帧，已丢弃 7 字节"});
}

TEST(DecHead, IncompleteFrameKeepsBufferAndPreviousBody) {
  TDecHead head;
  head.AddData(Frame("old"));
  ASSERT_TRUE(head.CheckFrame());
  const QByteArray next = Frame("new body");
  head.AddData(next.left(20));
  EXPECT_FALSE(head.CheckFrame());
  EXPECT_EQ(head.Body(), "old");
  EXPECT_EQ(head.Buffered(), 20);
  head.AddData(next.mid(20));
  ASSERT_TRUE(head.CheckFrame());
  EXPECT_EQ(head.Body(), "new body");
}

TEST(DecHead, EmptyFrameYieldsEmptyBodyNotThePreviousOne) {
  TDecHead head;
  head.AddData(Frame("previous") + Frame(""));
  ASSERT_TRUE(head.CheckFrame());
  ASSERT_TRUE(head.CheckFrame());
  EXPECT_EQ(head.Body(), "");
  EXPECT_EQ(head.Buffered(), 0);
}

struct BadHeaderCase {
  const char* name;
  QByteArray bad;
};
void PrintTo(const BadHeaderCase& c, std::ostream* os) { *os << c.name; }


class DecHeadBadHeader : public testing::TestWithParam<BadHeaderCase> {};

TEST_P(DecHeadBadHeader, StartMarkerIsDroppedAndTheNextFrameTaken) {
  TFakeLog log;
  TDecHead head(&log);
  const QByteArray bad = GetParam().bad;
  head.AddData(bad + Frame("good"));
  ASSERT_TRUE(head.CheckFrame());
  EXPECT_EQ(head.Body(), "good");
  EXPECT_EQ(log.Hints, QStringList{QStringLiteral("接收数据不是有效的帧，已丢弃 %1 字节").arg(bad.size())});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecHeadBadHeader,
    testing::Values(BadHeaderCase{"NegativeLength", Frame("", -5)},
                    BadHeaderCase{"LengthAboveLimit", Frame("", TDecHead::kMaxBodyLength + 1)},
                    BadHeaderCase{"HugeLength", Frame("", 0x7FFFFFFF)},
                    BadHeaderCase{"NoEndMarker", Frame("abc", 3, QByteArray("\x00\x00", 2))},
                    BadHeaderCase{"EndMarkerHalf", Frame("abc", 3, QByteArray("\xFF\x04", 2))}),
    [](const testing::TestParamInfo<BadHeaderCase>& info) { return info.param.name; });

TEST(DecHead, GarbageWithoutStartMarkerDoesNotAccumulate) {
  TDecHead head;
  for (int i = 0; i < 1000; ++i) {
    head.AddData(QByteArray(1000, '\x41'));
    EXPECT_FALSE(head.CheckFrame());
  }
  EXPECT_EQ(head.Buffered(), 0);
  // A trailing 0xFF may be the first half of a start marker and is kept.
  const QByteArray frame = Frame("ok");
  head.AddData(QByteArray(500, 'z') + frame.left(1));
  EXPECT_FALSE(head.CheckFrame());
  EXPECT_EQ(head.Buffered(), 1);
  head.AddData(frame.mid(1));
  ASSERT_TRUE(head.CheckFrame());
  EXPECT_EQ(head.Body(), "ok");
}

TEST(DecHead, ClearForgetsPartialFrame) {
  TDecHead head;
  head.AddData(Frame("stale connection").left(10));
  EXPECT_FALSE(head.CheckFrame());
  head.Clear();
  head.AddData(Frame("fresh"));
  ASSERT_TRUE(head.CheckFrame());
  EXPECT_EQ(head.Body(), "fresh");
}

struct BodyCase {
  const char* name;
  QByteArray utf8;
  QString expected;
};
void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }


class DecHeadBody : public testing::TestWithParam<BodyCase> {};

TEST_P(DecHeadBody, ConvertsUtf8ToGbkText) {
  TDecHead head;
  head.AddData(Frame(GetParam().utf8));
  ASSERT_TRUE(head.CheckFrame());
  EXPECT_EQ(head.Body(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecHeadBody,
    testing::Values(
        BodyCase{"Ascii", "{\"a\":1}", "{\"a\":1}"},
        BodyCase{"Chinese", Utf8(u"{\"m\":\"教室\"}"), QString::fromUtf16(u"{\"m\":\"教室\"}")},
        BodyCase{"CharacterGbkLacksBecomesQuestionMark", Utf8(u"a\u0E01b"), "a?b"},
        BodyCase{"FourByteSequenceEmptiesBody", QByteArray("a\xF0\x9F\x98\x80"), ""},
        BodyCase{"LeadByteWithoutContinuation", QByteArray("a\xE6\x95"), ""},
        BodyCase{"ContinuationNotOfTheForm10xxxxxx", QByteArray("a\xE6\x95\x41"), ""},
        BodyCase{"StrayContinuationByte", QByteArray("a\x80z"), ""}),
    [](const testing::TestParamInfo<BodyCase>& info) { return info.param.name; });

}  // namespace
