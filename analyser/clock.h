#pragma once
// The two clocks the progress step reads: a high-resolution counter that times
// each estimation, and a millisecond clock of elapsed real time.

#include <cstdint>

namespace analyser {

class Clock {
 public:
  virtual ~Clock() = default;
  // Counts per second; 0 when no high-resolution counter is available.
  virtual std::int64_t counterFrequency() = 0;
  virtual std::int64_t counter() = 0;
  virtual std::int64_t milliseconds() = 0;
};

// The process-wide steady clock.
Clock& steadyClock();

}  // namespace analyser
