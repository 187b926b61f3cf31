// How long the web view waits before loading a page again after its render process died.

#include "frames/TWebView.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using ms = std::chrono::milliseconds;

struct TStep {
  enum { Loaded, Died } What;
  ms At;
  ms Delay;  // expected answer of a death
};

struct TPolicyCase {
  std::string Name;
  std::vector<TStep> Steps;
};

constexpr auto L = TStep::Loaded;
constexpr auto D = TStep::Died;

const std::vector<TPolicyCase> kCases = {
    {"deaths in a row double up to the cap and stay there",
     {{D, 0s, 2s}, {D, 2s, 4s}, {D, 6s, 8s}, {D, 14s, 16s}, {D, 30s, 32s}, {D, 62s, 60s}, {D, 122s, 60s}}},
    {"a page that loads but dies soon after keeps the back-off growing",
     {{L, 0s, {}}, {D, 10s, 2s}, {L, 13s, {}}, {D, 20s, 4s}, {L, 25s, {}}, {D, 80s, 8s}}},
    {"a page alive a minute after loading starts again from the first delay",
     {{D, 0s, 2s}, {D, 2s, 4s}, {D, 6s, 8s}, {L, 15s, {}}, {D, 75s, 2s}, {D, 77s, 4s}}},
    {"just under a minute is not long enough",
     {{D, 0s, 2s}, {L, 3s, {}}, {D, 3s + 59999ms, 4s}}},
    {"life counts from the first load after a death, not from later ones",
     {{D, 0s, 2s}, {D, 2s, 4s}, {L, 10s, {}}, {L, 60s, {}}, {D, 70s, 2s}}},
    {"a load that came before the last death does not count",
     {{L, 0s, {}}, {D, 100s, 2s}, {D, 200s, 4s}}},
};

TEST(RenderRestartPolicy, DelaysFollowTheDeathsAndTheLivesOfThePage) {
  for (const TPolicyCase& c : kCases) {
    SCOPED_TRACE(c.Name);
    TRenderRestartPolicy policy;
    for (const TStep& step : c.Steps) {
      if (step.What == TStep::Loaded) {
        policy.PageLoaded(step.At);
      } else {
        EXPECT_EQ(policy.RenderDied(step.At).count(), step.Delay.count()) << "death at " << step.At.count() << " ms";
      }
    }
  }
}

TEST(RenderRestartPolicy, OtherLimitsAreHonoured) {
  TRenderRestartPolicy policy(100ms, 300ms, 1s);
  EXPECT_EQ(policy.RenderDied(0ms), 100ms);
  EXPECT_EQ(policy.RenderDied(0ms), 200ms);
  EXPECT_EQ(policy.RenderDied(0ms), 300ms);
  policy.PageLoaded(1s);
  EXPECT_EQ(policy.RenderDied(2s), 100ms);
}

}  // namespace
