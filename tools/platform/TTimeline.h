#pragma once
// Runs the scenario's timeline: hands each event on when its time has come, counted from Start.

#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <vector>

#include "TScenario.h"

class TTimeline {
 public:
  using THandler = std::function<void(const TTimelineEvent&)>;

  // events must be in order of At.
  TTimeline(std::vector<TTimelineEvent> events, THandler onDue);

  // Only the first call counts: the timeline runs once per server run.
  void Start();
  bool Started() const { return FClock.isValid(); }
  // Seconds since Start.
  double Elapsed() const;

 private:
  void FireDue();

  std::vector<TTimelineEvent> FEvents;
  THandler FOnDue;
  std::size_t FNext = 0;
  QElapsedTimer FClock;
  QTimer FTimer;
};
