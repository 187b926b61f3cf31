#pragma once
// The platform's schedule as the terminal keeps it, and the choice, at every tick of the task
// clock, of what to preload, present or end. Only the tasks' own platform time stamps are
// compared; the local clock is never read.

#include "protocol/JsonDecoders.h"
#include "protocol/uMyRecords.h"

#include <memory>

class TTaskList {
 public:
  TTaskList();

  // Makes the tasks of an applied schedule the list; repeated schedule ids merge into the first.
  void ReplaceTasks(const TTasks& tasks);

  // The three steps of a tick. Each fills the record the caller passes fresh and sets its Valid
  // when the caller is to present it.
  void CheckNoticePreload(TServerMsg& msg);
  void SelectCurrent(TServerMsg& msg);
  void CheckEnded(TServerMsg& msg);

  std::shared_ptr<TTask> CurrentTask() const { return FCurrent; }
  void CurrentMsg(TServerMsg& msg) const;
  void Clear();         // removes every entry; Current and LastPreloadMsg stay
  void ResetCurrent();  // Current becomes none

  int Count() const { return static_cast<int>(FItems.size()); }
  const TTasks& Items() const { return FItems; }
  const TServerMsg& LastPreloadMsg() const { return FLastPreloadMsg; }

  static void TaskToMsg(const TTask* task, TServerMsg& msg);
  static bool SameMsg(const TServerMsg& a, const TServerMsg& b);

 private:
  TTasks FItems;
  std::shared_ptr<TTask> FCurrent;
  TServerMsg FLastPreloadMsg;
};

// One tick of the task clock as the controller runs it: preload, else select (copying a new
// current notice's address into noticePageUrl), else end. Returns true when msg is to be
// presented; at most one record per tick.
bool RunTaskTick(TTaskList& list, TServerMsg& msg, QString& noticePageUrl);
