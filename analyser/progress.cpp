#include "analyser/progress.h"

#include <algorithm>
#include <limits>

#include "analyser/messages.h"

namespace analyser {
namespace {

constexpr std::int64_t kMicrosPerSecond = 1'000'000;

}  // namespace

ProgressStep::ProgressStep(Clock& clock, std::int64_t counterFrequency, ProgressHooks& hooks,
                           std::int32_t passCount, std::int32_t frameCount)
    : clock_(clock),
      counterFrequency_(counterFrequency),
      hooks_(hooks),
      passCount_(passCount),
      frameCount_(frameCount) {}

void ProgressStep::start() {
  lastUpdate_ = clock_.milliseconds();
}

void ProgressStep::estimationStarting() {
  estimationStart_ = clock_.counter();
}

bool ProgressStep::estimationDone(int pass, int voice, std::int32_t frame) {
  // Only the estimation itself is timed: neither subtractions nor pumping.
  const std::int64_t counts = clock_.counter() - estimationStart_;
  return stepAfter(elapsedMicroseconds(counts, counterFrequency_), 1, pass, voice, frame);
}

bool ProgressStep::batchDone(int pass, int voice, std::int32_t lastFrame,
                             std::int32_t estimations) {
  // The batch's time covers the residuals it builds as well as its estimations.
  const std::int64_t counts = clock_.counter() - estimationStart_;
  return stepAfter(elapsedMicroseconds(counts, counterFrequency_), estimations, pass, voice,
                   lastFrame);
}

bool ProgressStep::stepAfter(std::int64_t micros, std::int32_t estimations, int pass, int voice,
                             std::int32_t frame) {
  microsPerEstimation_ = static_cast<double>(micros) / std::max(estimations, 1);
  if (clock_.milliseconds() <= lastUpdate_ + kPumpIntervalMs) return true;
  // The only place a stop request is noticed.
  if (hooks_.cancelRequested()) return false;
  const std::int64_t remaining = remainingEstimations(passCount_, frameCount_, pass, voice, frame);
  hooks_.refresh(remainingSecondsFor(remaining, microsPerEstimation_));
  hooks_.pump();
  // Taken after the pumping, so a long modal dialog is not followed by a burst.
  lastUpdate_ = clock_.milliseconds();
  return true;
}

std::int64_t elapsedMicroseconds(std::int64_t counts, std::int64_t frequency) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  // Whole seconds and the rest apart: exact wherever the result fits.
  const std::int64_t seconds = counts / frequency;
  if (seconds > kMax / kMicrosPerSecond || seconds < -(kMax / kMicrosPerSecond))
    return seconds > 0 ? kMax : -kMax;
  const std::int64_t rest = counts % frequency;
  const std::int64_t restMicros =
      frequency <= kMax / kMicrosPerSecond
          ? rest * kMicrosPerSecond / frequency
          : static_cast<std::int64_t>(static_cast<long double>(rest) * kMicrosPerSecond /
                                      static_cast<long double>(frequency));
  const std::int64_t whole = seconds * kMicrosPerSecond;
  if (whole > 0 && restMicros > kMax - whole) return kMax;
  if (whole < 0 && restMicros < -kMax - whole) return -kMax;
  return whole + restMicros;
}

std::int64_t remainingEstimations(std::int32_t passCount, std::int32_t frameCount, int pass,
                                  int voice, std::int32_t frame) {
  return (std::int64_t{6} * (passCount - pass) - voice) * frameCount - frame;
}

double remainingSecondsFor(std::int64_t remaining, double microsPerEstimation) {
  return (static_cast<double>(remaining) * microsPerEstimation + 999'999) / 1'000'000;
}

std::string remainingTimeText(double remainingSeconds) {
  // A clock running backwards or a stalled job must not reach an invalid conversion.
  std::int64_t whole = 0;
  if (remainingSeconds >= 9.0e18)
    whole = std::numeric_limits<std::int64_t>::max();
  else if (remainingSeconds > 0)
    whole = static_cast<std::int64_t>(remainingSeconds);
  return std::string(kRemainingPrefix) + std::to_string(whole) + kSecondsSuffix;
}

}  // namespace analyser
