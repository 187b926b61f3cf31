#pragma once
// Builds schedule messages ("key" "002") on the platform's own clock. A terminal ends a task when
// it receives the task again with a send time past its end, so an ended task goes out once more
// to each terminal that was sent it while it ran, and is left out after that; a terminal that
// never knew the task is not shown it.

#include <QtGlobal>
#include <nlohmann/json.hpp>
#include <set>

#include "TScenario.h"

// What one connection has been told about the tasks.
struct TTaskMemory {
  std::set<qint64> SentRunning;
  std::set<qint64> ReportedEnded;
};

class TScheduleBuilder {
 public:
  // The timeline's origin on the platform's clock (ms since the epoch); task times count from it.
  void SetOrigin(qint64 originMs) { FOriginMs = originMs; }
  void SetCurrent(TScenarioSchedule schedule) { FCurrent = std::move(schedule); }
  // The message for one connection, sent at nowMs; updates what that connection was told.
  nlohmann::json Message(qint64 nowMs, TTaskMemory& memory) const;

 private:
  qint64 FOriginMs = 0;
  TScenarioSchedule FCurrent;  // empty until the timeline's first schedule
};
