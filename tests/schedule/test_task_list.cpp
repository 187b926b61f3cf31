// The task list: what each 7-second tick preloads, presents or ends, and how a schedule that
// repeats a schedule id is merged.

#include "schedule/uTaskList.h"
#include "support/QtPrinters.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

inline void PrintTo(const TServerMsg& m, std::ostream* os) {
  *os << "{Kind " << int(m.Kind) << ", ContentType " << int(m.ContentType) << ", Url \""
      << m.Url.toStdString() << "\", ScheduleId " << m.ScheduleId << ", Valid " << m.Valid << "}";
}

namespace {

using ::testing::Optional;

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int32_t kLive = ttDirectPlay;
constexpr std::int32_t kPoint = ttPointPlay;
constexpr std::int32_t kNotice = ttNotify;

// The address goes into the field that the task's type shows.
std::shared_ptr<TTask> MakeTask(std::int32_t type, std::int32_t id, std::int64_t start,
                                std::int64_t send, std::int64_t end, const QString& url = {}) {
  auto task = std::make_shared<TTask>();
  task->TaskType = type;
  task->ScheduleId = id;
  task->StartTime = start;
  task->SendTime = send;
  task->EndTime = end;
  if (type == kLive) task->Data.DirectPlayUrl = url;
  if (type == kPoint) task->Data.PointPlayUrl = url;
  if (type == kNotice) task->Data.Content = url;
  return task;
}

// Started before it was sent and still running.
std::shared_ptr<TTask> Running(std::int32_t type, std::int32_t id, const QString& url) {
  return MakeTask(type, id, 0, 1000, 60000, url);
}

// Sent after its end.
std::shared_ptr<TTask> Ended(std::int32_t type, std::int32_t id, const QString& url) {
  return MakeTask(type, id, 0, 61000, 60000, url);
}

MATCHER_P4(IsRecord, kind, contentType, url, scheduleId, "") {
  return arg.Kind == kind && arg.ContentType == contentType && arg.Url == QString(url) &&
         arg.ScheduleId == scheduleId;
}

std::vector<std::int32_t> Ids(const TTaskList& list) {
  std::vector<std::int32_t> ids;
  for (const auto& t : list.Items()) ids.push_back(t->ScheduleId);
  return ids;
}

// ---------------------------------------------------------------------------------------------
// Conversions

struct ToMsgCase {
  std::string name;
  std::int32_t type;
  std::int64_t send;
  std::int64_t end;
  TContentType contentType;
  QString url;
  bool valid;
};
void PrintTo(const ToMsgCase& c, std::ostream* os) { *os << c.name; }

class TaskListToMsg : public ::testing::TestWithParam<ToMsgCase> {};

TEST_P(TaskListToMsg, ShowsTheAddressOfItsTypeAndIsValidOnlyWhenSentBeforeItsEnd) {
  const ToMsgCase& c = GetParam();
  TTask task;
  task.TaskType = c.type;
  task.ScheduleId = 42;
  task.SendTime = c.send;
  task.EndTime = c.end;
  task.Data = {"http://vod", "rtmp://live", "http://notice", {"a.pdf", "pdf", "http://a"}};

  TServerMsg msg;
  TTaskList::TaskToMsg(&task, msg);

  EXPECT_THAT(msg, IsRecord(mkTask, c.contentType, c.url, 42));
  EXPECT_EQ(msg.Valid, c.valid);
  EXPECT_EQ(msg.Attachment, c.contentType == ctNotify ? task.Data.Attachment : TATTACHMENT{});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TaskListToMsg,
    ::testing::Values(
        ToMsgCase{"Live", kLive, 1000, 2000, ctDirectPlay, "rtmp://live", true},
        ToMsgCase{"Point", kPoint, 1000, 2000, ctPointPlay, "http://vod", true},
        ToMsgCase{"Notice", kNotice, 1000, 2000, ctNotify, "http://notice", true},
        ToMsgCase{"UnknownType5", 5, 1000, 2000, ctNone, "", true},
        ToMsgCase{"NegativeType", -1, 1000, 2000, ctNone, "", true},
        ToMsgCase{"SentAtItsEnd", kLive, 2000, 2000, ctDirectPlay, "rtmp://live", false},
        ToMsgCase{"SentAfterItsEnd", kLive, 2001, 2000, ctDirectPlay, "rtmp://live", false},
        ToMsgCase{"ExtremeRunning", kLive, kMin, kMax, ctDirectPlay, "rtmp://live", true},
        ToMsgCase{"ExtremeEnded", kLive, kMax, kMin, ctDirectPlay, "rtmp://live", false}),
    [](const auto& info) { return info.param.name; });

TEST(TaskListToMsgInto, UsedRecordKeepsWhatTheTaskDoesNotSet) {
  TServerMsg msg;
  msg.Kind = mkOther;
  msg.ContentType = ctNotify;
  msg.Url = "stale";
  msg.ScheduleId = 9;
  msg.Valid = true;

  TTaskList::TaskToMsg(nullptr, msg);
  EXPECT_THAT(msg, IsRecord(mkOther, ctNone, "stale", 9));
  EXPECT_FALSE(msg.Valid);

  TTaskList::TaskToMsg(MakeTask(5, 7, 0, 0, 1).get(), msg);
  EXPECT_THAT(msg, IsRecord(mkTask, ctNone, "stale", 7));
}

struct SameCase {
  std::string name;
  std::function<void(TServerMsg&)> change;
  bool same;
};
void PrintTo(const SameCase& c, std::ostream* os) { *os << c.name; }

class TaskListSameMsg : public ::testing::TestWithParam<SameCase> {};

TEST_P(TaskListSameMsg, ComparesAddressKindAndContentTypeOnly) {
  TServerMsg a;
  a.Url = "http://a/Page";
  a.ContentType = ctNotify;
  a.ScheduleId = 1;
  TServerMsg b = a;
  GetParam().change(b);
  EXPECT_EQ(TTaskList::SameMsg(a, b), GetParam().same);
  EXPECT_EQ(TTaskList::SameMsg(b, a), GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TaskListSameMsg,
    ::testing::Values(
        SameCase{"Identical", [](TServerMsg&) {}, true},
        SameCase{"UrlCase", [](TServerMsg& m) { m.Url = "http://a/page"; }, false},
        SameCase{"Kind", [](TServerMsg& m) { m.Kind = mkNoticePreload; }, false},
        SameCase{"ContentType", [](TServerMsg& m) { m.ContentType = ctPointPlay; }, false},
        SameCase{"ScheduleId", [](TServerMsg& m) { m.ScheduleId = 2; }, true},
        SameCase{"Valid", [](TServerMsg& m) { m.Valid = true; }, true},
        SameCase{"Attachment", [](TServerMsg& m) { m.Attachment.Uri = "http://x"; }, true}),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------------
// The tick, as the controller runs it

class TaskListTick : public ::testing::Test {
 protected:
  void Schedule(const TTasks& tasks) { list.ReplaceTasks(tasks); }

  // The record the tick presents, or none.
  std::optional<TServerMsg> Tick() {
    TServerMsg msg;
    if (RunTaskTick(list, msg, noticePageUrl)) return msg;
    return std::nullopt;
  }

  TTaskList list;
  QString noticePageUrl = "unset";
};

TEST_F(TaskListTick, EmptyScheduleEndsOnEveryTickAndDropsCurrent) {
  Schedule({Running(kLive, 1, "rtmp://a")});
  ASSERT_TRUE(Tick());
  list.Clear();

  TServerMsg msg;
  list.CheckNoticePreload(msg);
  EXPECT_FALSE(msg.Valid);
  list.SelectCurrent(msg);
  EXPECT_FALSE(msg.Valid);
  EXPECT_NE(list.CurrentTask(), nullptr);

  for (int tick = 0; tick < 2; ++tick) {
    EXPECT_THAT(Tick(), Optional(IsRecord(mkTaskEnd, ctNone, "", 0)));
    EXPECT_EQ(list.CurrentTask(), nullptr);
    EXPECT_EQ(list.LastPreloadMsg().Kind, mkOther);
    EXPECT_EQ(list.LastPreloadMsg().Url, "");
  }
}

TEST_F(TaskListTick, FirstTaskIsPresentedOnceAndTheNextWaits) {
  Schedule({Running(kLive, 1, "rtmp://a"), Running(kNotice, 2, "http://b")});

  EXPECT_THAT(Tick(), Optional(IsRecord(mkTask, ctDirectPlay, "rtmp://a", 1)));
  TServerMsg current;
  list.CurrentMsg(current);
  EXPECT_TRUE(current.Valid);
  EXPECT_EQ(current.ContentType, ctDirectPlay);

  EXPECT_EQ(Tick(), std::nullopt);
  EXPECT_EQ(noticePageUrl, "unset");
}

TEST_F(TaskListTick, NoticeIsPreloadedOneTickBeforeItIsPresented) {
  Schedule({MakeTask(kNotice, 3, 15000, 10000, 90000, "http://n")});

  EXPECT_THAT(Tick(), Optional(IsRecord(mkNoticePreload, ctNotify, "http://n", 3)));
  EXPECT_EQ(list.CurrentTask(), nullptr);
  EXPECT_EQ(noticePageUrl, "unset");

  EXPECT_THAT(Tick(), Optional(IsRecord(mkTask, ctNotify, "http://n", 3)));
  EXPECT_EQ(noticePageUrl, "http://n");

  EXPECT_EQ(Tick(), std::nullopt);
}

TEST_F(TaskListTick, NoticeAfterAnEndedPredecessorIsPresentedWithoutPreload) {
  Schedule({Running(kLive, 1, "rtmp://a"), MakeTask(kNotice, 2, 120000, 1000, 180000, "http://n")});
  ASSERT_THAT(Tick(), Optional(IsRecord(mkTask, ctDirectPlay, "rtmp://a", 1)));

  // The platform resends both; the live broadcast is over, the notice starts in a minute.
  Schedule({MakeTask(kLive, 1, 0, 60500, 60000, "rtmp://a"),
            MakeTask(kNotice, 2, 120500, 60500, 180000, "http://n")});
  EXPECT_THAT(Tick(), Optional(IsRecord(mkTaskEnd, ctDirectPlay, "rtmp://a", 1)));
  EXPECT_EQ(list.CurrentTask(), nullptr);

  EXPECT_THAT(Tick(), Optional(IsRecord(mkTask, ctNotify, "http://n", 2)));
  EXPECT_EQ(noticePageUrl, "http://n");
  EXPECT_EQ(Tick(), std::nullopt);
}

TEST_F(TaskListTick, NoticeFirstSeenBeyondTheLeadIsNotPreloadedOnAResend) {
  Schedule({MakeTask(kNotice, 2, 61000, 1000, 180000, "http://n")});
  ASSERT_THAT(Tick(), Optional(IsRecord(mkTask, ctNotify, "http://n", 2)));

  // Closer to its start now, but already examined and on screen.
  Schedule({MakeTask(kNotice, 2, 61000, 51000, 180000, "http://n")});
  EXPECT_EQ(Tick(), std::nullopt);
}

TEST_F(TaskListTick, LiveSentAfterItsEndIsPresentedThenEndedThenNextTaskFollows) {
  Schedule({Ended(kLive, 1, "rtmp://a"), Running(kPoint, 2, "http://v")});

  EXPECT_THAT(Tick(), Optional(IsRecord(mkTask, ctDirectPlay, "rtmp://a", 1)));
  TServerMsg current;
  list.CurrentMsg(current);
  EXPECT_FALSE(current.Valid);  // current, but no longer running when sent

  EXPECT_THAT(Tick(), Optional(IsRecord(mkTaskEnd, ctDirectPlay, "rtmp://a", 1)));
  EXPECT_EQ(list.CurrentTask(), nullptr);
  EXPECT_EQ(Ids(list), std::vector<std::int32_t>{2});

  EXPECT_THAT(Tick(), Optional(IsRecord(mkTask, ctPointPlay, "http://v", 2)));
}

TEST_F(TaskListTick, LastTaskEndingLetsTheSameNoticeBePreloadedAgain) {
  Schedule({Running(kNotice, 4, "http://n")});
  ASSERT_THAT(Tick(), Optional(IsRecord(mkNoticePreload, ctNotify, "http://n", 4)));
  ASSERT_THAT(Tick(), Optional(IsRecord(mkTask, ctNotify, "http://n", 4)));

  Schedule({Ended(kNotice, 4, "http://n")});
  EXPECT_THAT(Tick(), Optional(IsRecord(mkTaskEnd, ctNotify, "http://n", 4)));

  Schedule({Running(kNotice, 4, "http://n")});
  EXPECT_THAT(Tick(), Optional(IsRecord(mkNoticePreload, ctNotify, "http://n", 4)));
}

TEST_F(TaskListTick, EachStepStartsFromAFreshRecord) {
  Schedule({MakeTask(kNotice, 1, 90000, 1000, 180000, "http://n")});
  ASSERT_THAT(Tick(), Optional(IsRecord(mkTask, ctNotify, "http://n", 1)));

  // An unknown type shows nothing; what the caller's record held before must not leak into it.
  Schedule({MakeTask(5, 9, 0, 1000, 60000)});
  TServerMsg msg;
  msg.Url = "stale";
  msg.Attachment.Uri = "http://stale";
  ASSERT_TRUE(RunTaskTick(list, msg, noticePageUrl));
  EXPECT_THAT(msg, IsRecord(mkTask, ctNone, "", 9));
  EXPECT_EQ(msg.Attachment, TATTACHMENT{});
  EXPECT_EQ(noticePageUrl, "http://n");
}

TEST_F(TaskListTick, CurrentOutlivesTheScheduleThatHeldIt) {
  Schedule({Running(kLive, 1, "rtmp://a")});
  ASSERT_TRUE(Tick());
  std::weak_ptr<TTask> first = list.CurrentTask();

  Schedule({Running(kPoint, 2, "http://v")});
  ASSERT_FALSE(first.expired());
  TServerMsg current;
  list.CurrentMsg(current);
  EXPECT_THAT(current, IsRecord(mkTask, ctDirectPlay, "rtmp://a", 1));
  EXPECT_TRUE(current.Valid);

  EXPECT_THAT(Tick(), Optional(IsRecord(mkTask, ctPointPlay, "http://v", 2)));
  EXPECT_TRUE(first.expired());  // neither listed nor current any more
}

// Preload is due when the notice starts at most 20 s after it was sent, or has started.
struct LeadCase {
  std::string name;
  std::int64_t start;
  std::int64_t send;
  bool preloaded;
};
void PrintTo(const LeadCase& c, std::ostream* os) { *os << c.name; }

class TaskListPreloadLead : public TaskListTick, public ::testing::WithParamInterface<LeadCase> {};

TEST_P(TaskListPreloadLead, FirstTickPreloadsOnlyWithinTheLead) {
  const LeadCase& c = GetParam();
  Schedule({MakeTask(kNotice, 1, c.start, c.send, kMax, "http://n")});
  EXPECT_THAT(Tick(), Optional(IsRecord(c.preloaded ? mkNoticePreload : mkTask, ctNotify,
                                        "http://n", 1)));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TaskListPreloadLead,
    ::testing::Values(LeadCase{"AlreadyStarted", 95000, 100000, true},
                      LeadCase{"AtTheLead", 120000, 100000, true},
                      LeadCase{"JustBeyondTheLead", 120001, 100000, false},
                      LeadCase{"AMinuteAhead", 160000, 100000, false},
                      LeadCase{"DifferenceOverflowsUp", kMax, kMin, false},
                      LeadCase{"DifferenceOverflowsDown", kMin, kMax, true},
                      LeadCase{"BothMax", kMax, kMax, true}),
    [](const auto& info) { return info.param.name; });

// A new first task that shows the same thing as Current is not presented again.
struct SameShowCase {
  std::string name;
  std::int32_t type;
  QString url;
  bool presented;
};
void PrintTo(const SameShowCase& c, std::ostream* os) { *os << c.name; }

class TaskListSameShow : public TaskListTick, public ::testing::WithParamInterface<SameShowCase> {};

TEST_P(TaskListSameShow, OnlyAChangeOfAddressOrContentTypeIsPresented) {
  const SameShowCase& c = GetParam();
  Schedule({Running(kLive, 1, "rtmp://a")});
  ASSERT_TRUE(Tick());

  Schedule({Running(c.type, 2, c.url)});
  EXPECT_EQ(Tick().has_value(), c.presented);
  ASSERT_NE(list.CurrentTask(), nullptr);
  EXPECT_EQ(list.CurrentTask()->ScheduleId, 2);
}

INSTANTIATE_TEST_SUITE_P(Rows, TaskListSameShow,
                         ::testing::Values(SameShowCase{"OtherIdOnly", kLive, "rtmp://a", false},
                                           SameShowCase{"OtherType", kPoint, "rtmp://a", true},
                                           SameShowCase{"UrlCase", kLive, "RTMP://a", true},
                                           SameShowCase{"OtherUrl", kLive, "rtmp://b", true}),
                         [](const auto& info) { return info.param.name; });

// The controller clears the schedule when the connection drops (after ResetCurrent) and when
// tasks are stopped (without it). The last preload is remembered either way.
class TaskListClear : public TaskListTick, public ::testing::WithParamInterface<bool> {};

TEST_P(TaskListClear, SameNoticeAfterwardsIsPresentedOnlyWhenCurrentWasReset) {
  const bool resetCurrent = GetParam();
  Schedule({MakeTask(kNotice, 1, 15000, 10000, 90000, "http://n")});
  ASSERT_THAT(Tick(), Optional(IsRecord(mkNoticePreload, ctNotify, "http://n", 1)));
  ASSERT_THAT(Tick(), Optional(IsRecord(mkTask, ctNotify, "http://n", 1)));

  if (resetCurrent) list.ResetCurrent();
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.CurrentTask() != nullptr, !resetCurrent);

  Schedule({MakeTask(kNotice, 1, 15000, 10000, 90000, "http://n")});
  if (resetCurrent) {
    EXPECT_THAT(Tick(), Optional(IsRecord(mkTask, ctNotify, "http://n", 1)));
  } else {
    EXPECT_EQ(Tick(), std::nullopt);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, TaskListClear, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ResetFirst" : "ClearOnly"; });

// ---------------------------------------------------------------------------------------------
// Ending

TEST(TaskListEnd, OneEndedTaskPerCallInListOrder) {
  TTaskList list;
  list.ReplaceTasks({Running(kLive, 1, "rtmp://a"), Ended(kPoint, 2, "http://p"),
                     Running(kNotice, 3, "http://n"), Ended(kLive, 4, "rtmp://d")});
  TServerMsg msg;
  list.SelectCurrent(msg);
  ASSERT_EQ(list.CurrentTask()->ScheduleId, 1);

  list.CheckEnded(msg);
  EXPECT_THAT(msg, IsRecord(mkTaskEnd, ctPointPlay, "http://p", 2));
  EXPECT_TRUE(msg.Valid);

  TServerMsg second;
  list.CheckEnded(second);
  EXPECT_THAT(second, IsRecord(mkTaskEnd, ctDirectPlay, "rtmp://d", 4));
  EXPECT_TRUE(second.Valid);

  TServerMsg none;
  list.CheckEnded(none);
  EXPECT_FALSE(none.Valid);
  EXPECT_EQ(Ids(list), (std::vector<std::int32_t>{1, 3}));
  ASSERT_NE(list.CurrentTask(), nullptr);  // the ended tasks were not current
  EXPECT_EQ(list.CurrentTask()->ScheduleId, 1);
}

struct EndedCase {
  std::string name;
  std::int64_t send;
  std::int64_t end;
  bool ended;
};
void PrintTo(const EndedCase& c, std::ostream* os) { *os << c.name; }

class TaskListEndedWhen : public ::testing::TestWithParam<EndedCase> {};

TEST_P(TaskListEndedWhen, EndsOnlyWhenSentAfterItsEnd) {
  const EndedCase& c = GetParam();
  TTaskList list;
  list.ReplaceTasks({MakeTask(kLive, 1, 0, c.send, c.end, "rtmp://a"), Running(kPoint, 2, "v")});
  TServerMsg msg;
  list.CheckEnded(msg);
  EXPECT_EQ(msg.Valid, c.ended);
  EXPECT_EQ(list.Count(), c.ended ? 1 : 2);
}

INSTANTIATE_TEST_SUITE_P(Rows, TaskListEndedWhen,
                         ::testing::Values(EndedCase{"Running", 1000, 2000, false},
                                           EndedCase{"SentAtItsEnd", 2000, 2000, false},
                                           EndedCase{"SentAfterItsEnd", 2001, 2000, true},
                                           EndedCase{"ExtremeEnded", kMax, kMin, true},
                                           EndedCase{"ExtremeRunning", kMin, kMax, false}),
                         [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------------
// Merging a repeated schedule id

TEST(TaskListMerge, RepeatedIdKeepsTheFirstEntryWithTheLaterTimesAndItsOwnDetails) {
  auto first = MakeTask(kNotice, 1, 100, 50, 200, "http://old");
  first->ErrorCode = "e1";
  first->Message = "m1";
  first->Data.Attachment = {"a.pdf", "pdf", "http://a"};
  auto repeat = MakeTask(kNotice, 1, 150, 99, 300, "http://new");
  repeat->ErrorCode = "e2";
  repeat->Message = "m2";
  repeat->Data.Attachment = {"b.pdf", "pdf", "http://b"};
  std::weak_ptr<TTask> repeatAlive = repeat;

  TTaskList list;
  {
    TTasks tasks{first, Running(kLive, 2, "rtmp://b"), repeat};
    repeat.reset();
    list.ReplaceTasks(tasks);
  }

  EXPECT_EQ(Ids(list), (std::vector<std::int32_t>{1, 2}));
  ASSERT_EQ(list.Items().front(), first);
  EXPECT_EQ(first->StartTime, 150);
  EXPECT_EQ(first->EndTime, 300);
  EXPECT_EQ(first->Data.Content, "http://new");
  EXPECT_EQ(first->SendTime, 50);
  EXPECT_EQ(first->ErrorCode, "e1");
  EXPECT_EQ(first->Message, "m1");
  EXPECT_EQ(first->Data.Attachment, (TATTACHMENT{"a.pdf", "pdf", "http://a"}));
  EXPECT_TRUE(repeatAlive.expired());
}

TEST(TaskListMerge, ReplacingWithItsOwnItemsKeepsThem) {
  TTaskList list;
  list.ReplaceTasks({Running(kLive, 1, "rtmp://a"), Running(kPoint, 2, "http://v")});
  list.ReplaceTasks(list.Items());
  EXPECT_EQ(Ids(list), (std::vector<std::int32_t>{1, 2}));
}

// The kept task takes the type and the address that the new type shows; other addresses stay.
struct MergeTypeCase {
  std::string name;
  std::int32_t keptType;
  std::int32_t newType;
  QString direct;
  QString point;
  QString content;
};
void PrintTo(const MergeTypeCase& c, std::ostream* os) { *os << c.name; }

class TaskListMergeType : public ::testing::TestWithParam<MergeTypeCase> {};

TEST_P(TaskListMergeType, TakesTheAddressOfTheNewType) {
  const MergeTypeCase& c = GetParam();
  auto kept = MakeTask(c.keptType, 1, 0, 1000, 60000);
  kept->Data = {"p0", "d0", "c0", {}};
  auto repeat = MakeTask(c.newType, 1, 0, 1000, 60000);
  repeat->Data = {"p1", "d1", "c1", {}};

  TTaskList list;
  list.ReplaceTasks({kept, repeat});

  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(kept->TaskType, c.newType);
  EXPECT_EQ(kept->Data.DirectPlayUrl, c.direct);
  EXPECT_EQ(kept->Data.PointPlayUrl, c.point);
  EXPECT_EQ(kept->Data.Content, c.content);
}

INSTANTIATE_TEST_SUITE_P(Rows, TaskListMergeType,
                         ::testing::Values(MergeTypeCase{"LiveToLive", 0, 0, "d1", "p0", "c0"},
                                           MergeTypeCase{"PointToPoint", 1, 1, "d0", "p1", "c0"},
                                           MergeTypeCase{"NoticeToNotice", 2, 2, "d0", "p0", "c1"},
                                           MergeTypeCase{"LiveToPoint", 0, 1, "d0", "p1", "c0"},
                                           MergeTypeCase{"LiveToNotice", 0, 2, "d0", "p0", "c1"},
                                           MergeTypeCase{"NoticeToLive", 2, 0, "d1", "p0", "c0"},
                                           MergeTypeCase{"PointToUnknown", 1, 5, "d0", "p0", "c0"},
                                           MergeTypeCase{"UnknownToPoint", 5, 1, "d0", "p1", "c0"}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
