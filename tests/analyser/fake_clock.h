#pragma once
// A clock the test moves by hand: the counter advances a fixed amount at every
// reading, and the millisecond clock follows a script of readings.

#include <cstdint>
#include <functional>

#include "analyser/clock.h"

namespace testing_support {

class FakeClock : public analyser::Clock {
 public:
  std::int64_t frequency = 1'000'000;  // counts per second
  std::int64_t countsPerReading = 0;
  // The value of the n-th reading of the millisecond clock (n from 0).
  std::function<std::int64_t(int)> millisecondsAt = [](int) { return 0; };
  int millisecondReadings = 0;

  // Every reading of the millisecond clock `step` ms after the one before.
  void advanceEachReading(std::int64_t step) {
    millisecondsAt = [step](int n) { return n * step; };
  }

  std::int64_t counterFrequency() override { return frequency; }
  std::int64_t counter() override { return counts_ += countsPerReading; }
  std::int64_t milliseconds() override { return millisecondsAt(millisecondReadings++); }

 private:
  std::int64_t counts_ = 0;
};

}  // namespace testing_support
