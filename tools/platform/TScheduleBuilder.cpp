#include "TScheduleBuilder.h"

#include <cmath>

#include "TEnvelope.h"

namespace {

using json = nlohmann::json;

json Time(qint64 ms) { return json{{"time", ms}}; }

}  // namespace

json TScheduleBuilder::Message(qint64 nowMs, TTaskMemory& memory) const {
  json tasks = json::array();
  for (const TScenarioTask& task : FCurrent.Tasks) {
    const qint64 start = FOriginMs + std::llround(task.Start * 1000);
    const qint64 end = FOriginMs + std::llround(task.End * 1000);
    const bool ended = nowMs > end;  // the terminal's own test: send time past the end
    if (task.KeepAfterEnd || !ended) {
      memory.SentRunning.insert(task.ScheduleId);
      memory.ReportedEnded.erase(task.ScheduleId);  // a reused id that runs again will end again
    } else if (!memory.SentRunning.count(task.ScheduleId) || !memory.ReportedEnded.insert(task.ScheduleId).second) {
      continue;
    }
    tasks.push_back(json{{"scheduleId", task.ScheduleId},
                         {"type", task.Type},
                         {"startTime", Time(start)},
                         {"endTime", Time(end)},
                         {"sendTime", Time(nowMs)},
                         {"message", task.Message},
                         {"errorCode", task.ErrorCode},
                         {"data", task.Data}});
  }
  return MessageEnvelope("002", json{{"lockscreen", FCurrent.LockScreen}, {"tasks", std::move(tasks)}});
}
