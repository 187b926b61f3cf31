#include "schedule/uTaskList.h"

#include "protocol/uTimeStamps.h"

#include <cstdint>
#include <unordered_map>
#include <utility>

namespace {

// A notice whose start lies at most this far after its send time is loaded ahead of time.
constexpr std::int64_t kNoticePreloadLeadMs = 20000;

bool IsRunningWhenSent(const TTask& task) { return task.SendTime < task.EndTime; }
bool HasEndedWhenSent(const TTask& task) { return task.SendTime > task.EndTime; }

bool IsNoticeDueForPreload(const TTask& task) {
  return task.TaskType == ttNotify &&
         StampDiff(task.StartTime, task.SendTime) <= kNoticePreloadLeadMs;
}

// A schedule that repeats a schedule id updates the first task with that id: times, type and the
// address that the (new) type shows. The other addresses and the kept task's SendTime,
// ErrorCode, Message and Attachment stay.
void MergeRepeatedTask(TTask& kept, const TTask& update) {
  kept.StartTime = update.StartTime;
  kept.EndTime = update.EndTime;
  kept.TaskType = update.TaskType;
  switch (update.TaskType) {
    case ttDirectPlay: kept.Data.DirectPlayUrl = update.Data.DirectPlayUrl; break;
    case ttPointPlay: kept.Data.PointPlayUrl = update.Data.PointPlayUrl; break;
    case ttNotify: kept.Data.Content = update.Data.Content; break;
    default: break;
  }
}

}  // namespace

TTaskList::TTaskList() = default;

void TTaskList::TaskToMsg(const TTask* task, TServerMsg& msg) {
  msg.ContentType = ctNone;
  msg.Valid = false;
  if (task == nullptr) return;
  msg.Kind = mkTask;
  switch (task->TaskType) {
    case ttDirectPlay:
      msg.ContentType = ctDirectPlay;
      msg.Url = task->Data.DirectPlayUrl;
      break;
    case ttPointPlay:
      msg.ContentType = ctPointPlay;
      msg.Url = task->Data.PointPlayUrl;
      break;
    case ttNotify:
      msg.ContentType = ctNotify;
      msg.Url = task->Data.Content;
      msg.Attachment = task->Data.Attachment;
      break;
    default: break;  // an unknown type is scheduled but shows nothing
  }
  msg.Valid = IsRunningWhenSent(*task);
  msg.ScheduleId = task->ScheduleId;
}

bool TTaskList::SameMsg(const TServerMsg& a, const TServerMsg& b) {
  return a.Url == b.Url && a.Kind == b.Kind && a.ContentType == b.ContentType;
}

void TTaskList::ReplaceTasks(const TTasks& tasks) {
  // Built aside and swapped in, so that passing this list's own Items() is harmless.
  TTasks next;
  next.reserve(tasks.size());
  std::unordered_map<std::int32_t, std::size_t> indexById;  // the id stands for its decimal key
  for (const auto& task : tasks) {
    if (!task) continue;
    const auto [it, added] = indexById.try_emplace(task->ScheduleId, next.size());
    if (added) {
      next.push_back(task);
    } else {
      MergeRepeatedTask(*next[it->second], *task);
    }
  }
  FItems = std::move(next);
}

void TTaskList::CheckNoticePreload(TServerMsg& msg) {
  msg.Valid = false;
  if (FItems.empty()) return;
  const TTask& first = *FItems.front();
  TServerMsg firstMsg;
  TaskToMsg(&first, firstMsg);
  if (SameMsg(firstMsg, FLastPreloadMsg)) return;
  if (IsNoticeDueForPreload(first)) {
    TaskToMsg(&first, msg);
    msg.Kind = mkNoticePreload;
    msg.Valid = true;
  }
  FLastPreloadMsg = firstMsg;
}

void TTaskList::SelectCurrent(TServerMsg& msg) {
  msg.Valid = false;
  if (FItems.empty()) return;
  const std::shared_ptr<TTask>& first = FItems.front();
  TaskToMsg(first.get(), msg);
  TServerMsg currentMsg;
  TaskToMsg(FCurrent.get(), currentMsg);
  // Only a change of what is shown counts, so a running stream or page is not restarted.
  msg.Valid = !SameMsg(msg, currentMsg);
  FCurrent = first;
}

void TTaskList::CheckEnded(TServerMsg& msg) {
  msg.Valid = false;
  for (auto it = FItems.begin(); it != FItems.end(); ++it) {
    if (!HasEndedWhenSent(**it)) continue;
    TaskToMsg(it->get(), msg);
    msg.Kind = mkTaskEnd;
    msg.Valid = true;
    if (*it == FCurrent) FCurrent.reset();
    FItems.erase(it);
    break;  // one end per tick
  }
  if (FItems.empty()) {
    FCurrent.reset();
    // Makes the next first task always differ from the last examined one.
    FLastPreloadMsg.Url.clear();
    FLastPreloadMsg.Kind = mkOther;
    msg.Kind = mkTaskEnd;
    msg.Valid = true;
  }
}

void TTaskList::CurrentMsg(TServerMsg& msg) const { TaskToMsg(FCurrent.get(), msg); }

void TTaskList::Clear() { FItems.clear(); }

void TTaskList::ResetCurrent() { FCurrent.reset(); }

bool RunTaskTick(TTaskList& list, TServerMsg& msg, QString& noticePageUrl) {
  TServerMsg preload;
  list.CheckNoticePreload(preload);
  if (preload.Valid) {
    msg = std::move(preload);
    return true;
  }
  TServerMsg selected;
  list.SelectCurrent(selected);
  if (selected.Valid) {
    if (selected.ContentType == ctNotify) noticePageUrl = selected.Url;
    msg = std::move(selected);
    return true;
  }
  TServerMsg ended;
  list.CheckEnded(ended);
  msg = std::move(ended);
  return msg.Valid;
}
