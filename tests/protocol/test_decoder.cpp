#include "protocol/uDecoderDatas.h"

#include "support/FakeLog.h"

#include <gtest/gtest.h>

namespace {

class DecoderTest : public testing::Test {
 protected:
  TServerMsg Decode(const QString& text) {
    TServerMsg msg;
    TDataDecoder(PlayUrl, Log).Decode(text, msg);
    return msg;
  }
  TUpdateData DecodeUpdate(const QString& text) {
    TUpdateData update;
    TDataDecoder(PlayUrl, Log).DecodeUpdate(text, update);
    return update;
  }
  // A one-task schedule message.
  TServerMsg DecodeTask(const QString& task, const QString& lockscreen = "false") {
    return Decode(R"({"key":"002","success":true,"data":{"lockscreen":)" + lockscreen + R"(,"tasks":[)" + task + "]}}");
  }

  QString PlayUrl = "stale";
  TFakeLog Log;
};

struct KindCase {
  const char* name;
  const char* text;
  TMsgKind kind;
  bool valid;
};
void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }


class DecoderKinds : public DecoderTest, public testing::WithParamInterface<KindCase> {};

TEST_P(DecoderKinds, KindAndValidity) {
  const TServerMsg msg = Decode(QString::fromUtf8(GetParam().text));
  EXPECT_EQ(msg.Kind, GetParam().kind);
  EXPECT_EQ(msg.Valid, GetParam().valid);
  if (msg.Kind != mkTask) {
    EXPECT_TRUE(msg.Tasks.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecoderKinds,
    testing::Values(
        KindCase{"PlainWords", "hello there platform", mkOther, false},
        KindCase{"Empty", "", mkOther, false},
        KindCase{"TrailingGarbage", R"({"key":"002"} x)", mkOther, false},
        KindCase{"ObjectWithoutKey", R"({"data":{}})", mkOther, true},
        KindCase{"TopLevelScalar", "5", mkOther, true},
        KindCase{"KeyIsNotJsonMarker", R"({"key":"Is Not O"})", mkOther, false},
        KindCase{"OtherKey", R"({"key":"003"})", mkOther, true},
        KindCase{"NumericKeyReadsAsText", R"({"key":2,"success":true,"data":{"tasks":[]}})", mkOther, true},
        KindCase{"ScheduleNotSuccessful", R"({"key":"002","success":false,"data":{"tasks":[{"type":0}]}})", mkOther, true},
        KindCase{"ScheduleWithoutData", R"({"key":"002","success":true})", mkOther, true},
        KindCase{"ScheduleTasksNull", R"({"key":"002","success":true,"data":{"tasks":null}})", mkOther, true},
        KindCase{"SuccessAsWord", R"({"key":"002","success":"success","data":{"tasks":[]}})", mkTask, true},
        KindCase{"LoginReply", R"({"key":"001","success":false})", mkLoginReply, true},
        KindCase{"TooDeep", R"({"key":"002","x":[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]})",
                 mkOther, false}),
    [](const testing::TestParamInfo<KindCase>& info) { return info.param.name; });

TEST_F(DecoderTest, EmptyScheduleClearsLockScreen) {
  const TServerMsg msg = Decode(R"({"key":"002","success":true,"data":{"lockscreen":true,"tasks":[]}})");
  EXPECT_EQ(msg.Kind, mkTask);
  EXPECT_TRUE(msg.Valid);
  EXPECT_FALSE(msg.LockScreen);
  EXPECT_TRUE(msg.Tasks.empty());
}

struct StartCase {
  std::int64_t start, send;
  bool valid;
};
void PrintTo(const StartCase& c, std::ostream* os) { *os << c.start << " - " << c.send; }

class DecoderStartWindow : public DecoderTest, public testing::WithParamInterface<StartCase> {};

TEST_P(DecoderStartWindow, AppliedOnlyWhenFirstTaskStartsWithinTenSeconds) {
  const auto [start, send, valid] = GetParam();
  const TServerMsg msg = DecodeTask(QString(R"({"type":0,"scheduleId":1,"startTime":{"time":%1},"sendTime":{"time":%2},"endTime":{"time":9}})")
                                        .arg(start)
                                        .arg(send),
                                    "true");
  EXPECT_EQ(msg.Kind, mkTask);
  EXPECT_EQ(msg.Valid, valid);
  EXPECT_TRUE(msg.LockScreen);
  ASSERT_EQ(msg.Tasks.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, DecoderStartWindow,
                         testing::Values(StartCase{1700000009999, 1700000000000, true},
                                         StartCase{1700000010000, 1700000000000, false},
                                         StartCase{1700000000000, 1700000060000, true},
                                         // A difference beyond 64 bits must not wrap into "already started".
                                         StartCase{INT64_MAX, -1, false}, StartCase{INT64_MIN, 1, true}));

TEST_F(DecoderTest, TaskFieldsAreRead) {
  const TServerMsg msg = Decode(QString::fromUtf16(
      uR"({"key":"002","success":true,"errorCode":"0","data":{"lockscreen":1,"tasks":[
        {"type":2,"scheduleId":"77","message":"通知","errorCode":5,"startTime":{"time":10},"sendTime":{"time":"3"},"endTime":{"time":20.5},
         "data":{"CONTENT":"http://p/n.html","ATTACHMENT":[{"uri":"http://p/a.pdf","fileName":"a.pdf","fileType":"pdf"},{"uri":"second"}]}},
        {"type":5,"scheduleId":4294967297,"data":{"RTMP":"x","CONTENT":"y"}}]}})"));
  ASSERT_EQ(msg.Tasks.size(), 2u);
  EXPECT_TRUE(msg.LockScreen);
  const TTask& notice = *msg.Tasks[0];
  EXPECT_EQ(notice.TaskType, ttNotify);
  EXPECT_EQ(notice.ScheduleId, 77);
  EXPECT_EQ(notice.Message, QString::fromUtf16(u"通知"));
  EXPECT_EQ(notice.ErrorCode, "5");
  EXPECT_EQ(notice.StartTime, 10);
  EXPECT_EQ(notice.SendTime, 3);
  EXPECT_EQ(notice.EndTime, 20);  // 20.5 rounds half to even
  EXPECT_EQ(notice.Data.Content, "http://p/n.html");
  EXPECT_EQ(notice.Data.Attachment, (TATTACHMENT{"a.pdf", "pdf", "http://p/a.pdf"}));
  const TTask& other = *msg.Tasks[1];
  EXPECT_EQ(other.ScheduleId, 1);  // low 32 bits
  EXPECT_EQ(other.Key(), "1");
  EXPECT_TRUE(other.Data.DirectPlayUrl.isEmpty());
  EXPECT_TRUE(other.Data.Content.isEmpty());
}

struct UrlCase {
  const char* name;
  int type;
  const char* data;
  const char* direct;
  const char* point;
};
void PrintTo(const UrlCase& c, std::ostream* os) { *os << c.name; }


class DecoderUrls : public DecoderTest, public testing::WithParamInterface<UrlCase> {};

TEST_P(DecoderUrls, StreamAddressIsFirstNonEmptyOfTheTypesMembers) {
  const TServerMsg msg = DecodeTask(QString(R"({"type":%1,"scheduleId":1,"data":%2})").arg(GetParam().type).arg(GetParam().data));
  ASSERT_EQ(msg.Tasks.size(), 1u);
  EXPECT_EQ(msg.Tasks[0]->Data.DirectPlayUrl, GetParam().direct);
  EXPECT_EQ(msg.Tasks[0]->Data.PointPlayUrl, GetParam().point);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecoderUrls,
    testing::Values(UrlCase{"LiveRtspWhenRtmpEmpty", 0, R"({"RTMP":"","RTSP":"rtsp://s","HLS":"h"})", "rtsp://s", ""},
                    UrlCase{"LiveAllEmpty", 0, R"({"RTMP":"","RTSP":"","HLS":""})", "", ""},
                    UrlCase{"LiveNullReadsAsText", 0, R"({"RTMP":null,"RTSP":"rtsp://s"})", "null", ""},
                    UrlCase{"LiveMissingConsultsNext", 0, R"({"RTSP":"rtsp://s"})", "rtsp://s", ""},
                    UrlCase{"LiveHls", 0, R"({"HLS":"http://h.m3u8","RTMP_H":"no"})", "http://h.m3u8", ""},
                    UrlCase{"LiveNeverReadsOnDemandMembers", 0, R"({"RTMP_H":"a","RTMP_SH":"b"})", "", ""},
                    UrlCase{"OnDemandOrder", 1, R"({"RTMP_H":"h","RTMP_SH":"sh"})", "", "h"},
                    UrlCase{"OnDemandNeverReadsLiveMembers", 1, R"({"RTSP":"a","HLS":"b"})", "", ""},
                    UrlCase{"NumberReadsAsItsText", 1, R"({"RTMP":5})", "", "5"},
                    UrlCase{"DataNotAnObject", 0, R"("rtmp://x")", "", ""}),
    [](const testing::TestParamInfo<UrlCase>& info) { return info.param.name; });

TEST_F(DecoderTest, NoticeAttachmentEdgeCases) {
  for (const char* attachment : {R"([])", R"(null)", R"({"uri":"x"})", R"([5])"}) {
    const TServerMsg msg = DecodeTask(QString(R"({"type":2,"scheduleId":1,"data":{"CONTENT":"c","ATTACHMENT":%1}})").arg(attachment));
    ASSERT_EQ(msg.Tasks.size(), 1u);
    EXPECT_EQ(msg.Tasks[0]->Data.Attachment, TATTACHMENT{}) << attachment;
    EXPECT_EQ(msg.Tasks[0]->Data.Content, "c");
  }
}

TEST_F(DecoderTest, RepeatedScheduleIdsAreAllKeptInOrder) {
  const TServerMsg msg = Decode(
      R"({"key":"002","success":true,"data":{"tasks":[{"scheduleId":9,"type":0,"data":{"RTMP":"a"}},{"scheduleId":9,"type":0,"data":{"RTMP":"b"}}]}})");
  ASSERT_EQ(msg.Tasks.size(), 2u);
  EXPECT_EQ(msg.Tasks[0]->Data.DirectPlayUrl, "a");
  EXPECT_EQ(msg.Tasks[1]->Data.DirectPlayUrl, "b");
}

TEST_F(DecoderTest, TaskElementThatIsNotAnObjectReadsAsEmptyTask) {
  const TServerMsg msg = Decode(R"({"key":"002","success":true,"data":{"tasks":[7]}})");
  ASSERT_EQ(msg.Tasks.size(), 1u);
  EXPECT_EQ(msg.Tasks[0]->ScheduleId, 0);
  EXPECT_EQ(msg.Tasks[0]->StartTime, 0);
  EXPECT_TRUE(msg.Valid);
}

TEST_F(DecoderTest, LoginReplyFillsRecordAndStoresPlayUrl) {
  const TServerMsg msg = Decode(
      R"({"key":"001","success":true,"message":"ok","errorCode":"000","data":{"terminalId":12,"terminalGroupId":"3","videoUrl":"http://p/list","playUrl":"http://p/play"}})");
  EXPECT_EQ(msg.Kind, mkLoginReply);
  EXPECT_TRUE(msg.Valid);
  EXPECT_TRUE(msg.Success);
  EXPECT_EQ(msg.Message, "ok");
  EXPECT_EQ(msg.ErrorCode, "000");
  EXPECT_EQ(msg.TerminalId, 12);
  EXPECT_EQ(msg.TerminalGroupId, 3);
  EXPECT_EQ(msg.VideoUrl, "http://p/list");
  EXPECT_EQ(PlayUrl, "http://p/play");
  EXPECT_EQ(Log.Hints, QStringList{QStringLiteral("收到平台播放页面 http://p/play")});
}

TEST_F(DecoderTest, RefusedLoginWithoutDataEmptiesPlayUrl) {
  const TServerMsg msg = Decode(QString::fromUtf16(uR"({"key":"001","success":false,"message":"密码错误","errorCode":"E1"})"));
  EXPECT_EQ(msg.Kind, mkLoginReply);
  EXPECT_TRUE(msg.Valid);
  EXPECT_FALSE(msg.Success);
  EXPECT_EQ(msg.Message, QString::fromUtf16(u"密码错误"));
  EXPECT_EQ(msg.ErrorCode, "");  // read only together with data
  EXPECT_EQ(msg.TerminalId, 0);
  EXPECT_EQ(PlayUrl, "");
  EXPECT_EQ(Log.Hints, QStringList{QStringLiteral("收到平台播放页面 ")});
}

TEST_F(DecoderTest, ReadingRulesForTextIntegerAndBoolean) {
  // One login reply exercises the lenient conversions of each reader.
  struct Case {
    const char* data;
    const char* success;
    std::int32_t terminalId;
    const char* videoUrl;
    bool expectedSuccess;
  };
  const Case cases[] = {
      {R"("terminalId":true,"videoUrl":{"a":[1,2]})", "1", 1, R"({"a":[1,2]})", true},
      {R"("terminalId":2.5,"videoUrl":null)", "0", 2, "null", false},
      {R"("terminalId":3.5,"videoUrl":false)", "\"\"", 4, "false", false},
      {R"("terminalId":"12x","videoUrl":1.5)", "[]", 0, "1.5", true},
      {R"("terminalId":"-8","videoUrl":"")", "{}", -8, "", true},
      {R"("terminalId":1e300,"videoUrl":"\u00e9\u0e01")", "null", 0, "\u00e9?", false},
      {R"("terminalId":-4294967295)", "0.0", 1, "", false},
  };
  for (const Case& c : cases) {
    const TServerMsg msg = Decode(QString(R"({"key":"001","success":%1,"data":{%2}})").arg(c.success).arg(c.data));
    EXPECT_EQ(msg.TerminalId, c.terminalId) << c.data;
    EXPECT_EQ(msg.VideoUrl, QString::fromUtf8(c.videoUrl)) << c.data;
    EXPECT_EQ(msg.Success, c.expectedSuccess) << c.success;
  }
}

struct UpdateCase {
  const char* name;
  const char* text;
  bool hasUpdate;
  const char* version;
  const char* url;
};
void PrintTo(const UpdateCase& c, std::ostream* os) { *os << c.name; }


class DecoderUpdates : public DecoderTest, public testing::WithParamInterface<UpdateCase> {};

TEST_P(DecoderUpdates, OfferIsReadFromAnyMessage) {
  const TUpdateData update = DecodeUpdate(QString::fromUtf8(GetParam().text));
  EXPECT_EQ(update.HasUpdate, GetParam().hasUpdate);
  EXPECT_EQ(update.Version, GetParam().version);
  EXPECT_EQ(update.Url, GetParam().url);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecoderUpdates,
    testing::Values(UpdateCase{"InOtherMessage", R"({"key":"009","data":{"update":{"version":"2.7","url":"http://u/x"}}})", true, "2.7", "http://u/x"},
                    UpdateCase{"InLoginReply", R"({"key":"001","data":{"update":{"version":3}}})", true, "3", ""},
                    UpdateCase{"UpdateNullCountsAsPresent", R"({"data":{"update":null}})", true, "", ""},
                    UpdateCase{"NoUpdate", R"({"data":{}})", false, "", ""},
                    UpdateCase{"DataNotAnObject", R"({"data":[{"update":{}}]})", false, "", ""},
                    UpdateCase{"NotAnObject", R"([{"data":{"update":{}}}])", false, "", ""},
                    UpdateCase{"NotJson", "update please", false, "", ""}),
    [](const testing::TestParamInfo<UpdateCase>& info) { return info.param.name; });

}  // namespace
