#include "TTimeline.h"

#include <algorithm>
#include <cmath>

TTimeline::TTimeline(std::vector<TTimelineEvent> events, THandler onDue)
    : FEvents(std::move(events)), FOnDue(std::move(onDue)) {
  FTimer.setSingleShot(true);
  FTimer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&FTimer, &QTimer::timeout, [this] { FireDue(); });
}

void TTimeline::Start() {
  if (Started()) return;
  FClock.start();
  FireDue();
}

double TTimeline::Elapsed() const { return Started() ? FClock.elapsed() / 1000.0 : 0; }

void TTimeline::FireDue() {
  while (FNext < FEvents.size() && FEvents[FNext].At * 1000 <= FClock.elapsed()) FOnDue(FEvents[FNext++]);
  if (FNext == FEvents.size()) return;
  const qint64 wait = static_cast<qint64>(std::ceil(FEvents[FNext].At * 1000)) - FClock.elapsed();
  FTimer.start(static_cast<int>(std::clamp<qint64>(wait, 0, 24 * 3600 * 1000)));
}
