#pragma once
// The progress step that follows every estimation: it times the estimation
// and, once more than 100 ms have passed since the last pumping, acts on a
// stop request, refreshes the remaining time and lets waiting events through.

#include <cstdint>
#include <string>

#include "analyser/clock.h"
#include "analyser/decomposition.h"

namespace analyser {

// What the step needs from the job that runs it.
class ProgressHooks {
 public:
  virtual ~ProgressHooks() = default;
  virtual bool cancelRequested() = 0;
  virtual void refresh(double remainingSeconds) = 0;
  virtual void pump() = 0;
};

inline constexpr std::int64_t kPumpIntervalMs = 100;

// After a batch of estimations (BatchObserver) the step times the batch and
// takes its share per estimation, and counts the remaining estimations from the
// batch's last frame.
class ProgressStep : public EstimationObserver, public BatchObserver {
 public:
  ProgressStep(Clock& clock, std::int64_t counterFrequency, ProgressHooks& hooks,
               std::int32_t passCount, std::int32_t frameCount);

  // Taken just before the progress display opens: the first 100 ms count from here.
  void start();
  void estimationStarting() override;
  // False when a stop request was found: the job must end.
  bool estimationDone(int pass, int voice, std::int32_t frame) override;
  void batchStarting() override { estimationStarting(); }
  bool batchDone(int pass, int voice, std::int32_t lastFrame, std::int32_t estimations) override;

  double microsPerEstimation() const { return microsPerEstimation_; }

 private:
  bool stepAfter(std::int64_t micros, std::int32_t estimations, int pass, int voice,
                 std::int32_t frame);

  Clock& clock_;
  std::int64_t counterFrequency_;
  ProgressHooks& hooks_;
  std::int32_t passCount_;
  std::int32_t frameCount_;
  std::int64_t estimationStart_ = 0;
  double microsPerEstimation_ = 0.0;
  std::int64_t lastUpdate_ = 0;
};

// counts x 1,000,000 / frequency, truncated, without overflowing on the way.
std::int64_t elapsedMicroseconds(std::int64_t counts, std::int64_t frequency);

// The estimations not yet done, the one just finished among them.
std::int64_t remainingEstimations(std::int32_t passCount, std::int32_t frameCount, int pass,
                                  int voice, std::int32_t frame);

// R x microseconds per estimation, rounded up to whole seconds by the integer part.
double remainingSecondsFor(std::int64_t remaining, double microsPerEstimation);

// "残り時間約N秒" with N the integer part of the estimate.
std::string remainingTimeText(double remainingSeconds);

}  // namespace analyser
