#include "analyser/progress.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "fake_clock.h"

namespace analyser {
namespace {

using testing_support::FakeClock;

class RecordingHooks : public ProgressHooks {
 public:
  bool cancel = false;
  std::vector<double> refreshes;
  int pumps = 0;

  bool cancelRequested() override { return cancel; }
  void refresh(double remainingSeconds) override { refreshes.push_back(remainingSeconds); }
  void pump() override { ++pumps; }
};

struct StepFixture : ::testing::Test {
  FakeClock clock;
  RecordingHooks hooks;

  // Runs the steps of `passes` x 6 x `frames` estimations, or until one says stop.
  int run(std::int32_t passes, std::int32_t frames) {
    ProgressStep step(clock, clock.frequency, hooks, passes, frames);
    step.start();
    int done = 0;
    for (int p = 0; p < passes; ++p)
      for (int v = 0; v < 6; ++v)
        for (std::int32_t m = 0; m < frames; ++m) {
          step.estimationStarting();
          ++done;
          if (!step.estimationDone(p, v, m)) return done;
        }
    return done;
  }
};

TEST_F(StepFixture, NothingHappensWithin100Milliseconds) {
  clock.millisecondsAt = [](int n) { return n == 0 ? 0 : 100; };  // never beyond 100 ms
  hooks.cancel = true;
  EXPECT_EQ(run(1, 3), 18);
  EXPECT_TRUE(hooks.refreshes.empty());
  EXPECT_EQ(hooks.pumps, 0);
}

TEST_F(StepFixture, The100MillisecondsCountFromTheEndOfThePumping) {
  // Readings: start 0; step 1 sees 101 and pumps, ending at 150; step 2 sees
  // 240 (not past 250) and waits; step 3 sees 251 and pumps again, ending at
  // 300; the rest see 300 and wait.
  const std::int64_t readings[] = {0, 101, 150, 240, 251, 300};
  clock.millisecondsAt = [&](int n) { return n < 6 ? readings[n] : 300; };
  run(1, 1);
  EXPECT_EQ(hooks.pumps, 2);
  EXPECT_EQ(hooks.refreshes.size(), 2u);
}

TEST_F(StepFixture, RemainingTimeCountsTheEstimationJustDone) {
  clock.advanceEachReading(101);
  clock.countsPerReading = 250'000;  // each estimation 250,000 us at 1 MHz
  run(4, 2);
  ASSERT_EQ(hooks.refreshes.size(), 48u);
  // First step: all 48 estimations remain, 12 s, shown rounded up.
  EXPECT_DOUBLE_EQ(hooks.refreshes[0], (48 * 250'000.0 + 999'999) / 1'000'000);
  // Pass 1, voice 0, frame 0: 18 x 2 remain.
  EXPECT_DOUBLE_EQ(hooks.refreshes[12], (36 * 250'000.0 + 999'999) / 1'000'000);
  // The last one: one estimation of a quarter second still shows 1 second.
  EXPECT_EQ(remainingTimeText(hooks.refreshes.back()), "残り時間約1秒");
}

TEST_F(StepFixture, StopRequestIsSeenOnlyAtAStepThatPumps) {
  // Pumps at the second step only; the request made meanwhile waits for it.
  const std::int64_t readings[] = {0, 50, 101};
  clock.millisecondsAt = [&](int n) { return readings[n]; };
  hooks.cancel = true;
  EXPECT_EQ(run(1, 10), 2);
  EXPECT_EQ(hooks.pumps, 0);
}

TEST(RemainingTime, ShowsWholeSecondsRoundedUp) {
  const struct {
    std::int64_t remaining;
    double micros;
    const char* text;
  } cases[] = {
      {1, 0.0, "残り時間約0秒"},           {1, 1.0, "残り時間約1秒"},
      {1, 1'000'000.0, "残り時間約1秒"},   {1, 1'000'001.0, "残り時間約2秒"},
      {5406, 40'000.0, "残り時間約217秒"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(remainingTimeText(remainingSecondsFor(c.remaining, c.micros)), c.text)
        << c.remaining << " x " << c.micros;
  EXPECT_EQ(remainingTimeText(-3.0), "残り時間約0秒");
  EXPECT_EQ(remainingTimeText(1e300), "残り時間約9223372036854775807秒");
}

TEST(RemainingTime, CountsEstimationsNotYetDone) {
  EXPECT_EQ(remainingEstimations(4, 100, 0, 0, 0), 2400);
  EXPECT_EQ(remainingEstimations(1, 100, 0, 5, 99), 1);
  EXPECT_EQ(remainingEstimations(4, 36'001, 3, 5, 36'000), 1);
}

TEST(ElapsedMicroseconds, TruncatesWithoutOverflow) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(elapsedMicroseconds(1'999, 1'000'000'000), 1);
  EXPECT_EQ(elapsedMicroseconds(3, 3'579'545), 0);
  EXPECT_EQ(elapsedMicroseconds(3'579'545 * 5 + 1, 3'579'545), 5'000'000);
  EXPECT_EQ(elapsedMicroseconds(-1'999, 1'000'000'000), -1);
  // Counts whose product with a million does not fit 64 bits.
  EXPECT_EQ(elapsedMicroseconds(kMax, 1'000'000'000), kMax / 1'000);
  EXPECT_EQ(elapsedMicroseconds(kMax, 1), kMax);
}

}  // namespace
}  // namespace analyser
