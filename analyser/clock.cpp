#include "analyser/clock.h"

#include <chrono>

namespace analyser {
namespace {

using Steady = std::chrono::steady_clock;

// Nanoseconds of the steady clock serve as the high-resolution counter; the
// millisecond clock counts from the first use, near the program's start.
class SteadyClock : public Clock {
 public:
  std::int64_t counterFrequency() override { return Steady::period::den / Steady::period::num; }
  std::int64_t counter() override { return Steady::now().time_since_epoch().count(); }
  std::int64_t milliseconds() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start_).count();
  }

 private:
  Steady::time_point start_ = Steady::now();
};

}  // namespace

Clock& steadyClock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace analyser
