#include "analyser/fast/fast_subtraction.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>

#include "analyser/decomposition.h"

namespace analyser {

namespace {

// Within one binade [2^(e-1), 2^e) the doubles are the multiples of one spacing,
// so every sum a + omega that stays inside rounds to a + delta with one and the
// same delta, as long as omega does not lie exactly halfway between two
// multiples of the spacing (then the rounding goes to the even neighbour and
// depends on a). The number of steps from `a` that keep to that delta, at most
// `limit`; each a + t x delta of them is exact. Steps that leave the binade,
// and angles at or below zero, are left to single additions.
int steadySteps(double a, double omega, int limit, double& delta) {
  if (!(a > 0.0 && a < DBL_MAX && omega > 0.0 && omega < DBL_MAX) || limit <= 0) return 0;
  // The binade's bounds straight from the exponent bits; tiny angles, whose
  // spacing would not be a normal number, are left to single additions.
  const std::uint64_t exponent = std::bit_cast<std::uint64_t>(a) >> 52;
  if (exponent <= 53) return 0;
  const double upper = std::bit_cast<double>((exponent + 1) << 52);
  const double spacing = std::bit_cast<double>((exponent - 52) << 52);
  const double next = a + omega;
  delta = next - a;
  if (!(next < upper && delta > 0.0) || std::abs(omega - delta) == spacing / 2) return 0;
  // Step t needs a + (t - 1) delta + omega < upper; `room` is within one of
  // (upper - a - omega) / delta, so room - 1 steps are safe.
  const double room = (upper - a - omega) / delta;
  if (room < 2.0) return 0;
  return static_cast<int>(std::min(room - 1.0, static_cast<double>(limit)));
}

}  // namespace

void runningAngles(double start, double omega, int from, int count, double* angles) {
  const int end = from + count;
  double a = start;  // the angle after i additions
  int i = 0;
  while (i < end) {
    if (i >= from) angles[i - from] = a;
    double delta = 0.0;
    const int run = steadySteps(a, omega, end - 1 - i, delta);
    if (run > 0) {
      for (int t = std::max(1, from - i); t <= run; ++t) angles[i + t - from] = a + t * delta;
      a += run * delta;
      i += run;
      if (i + 1 >= end) break;
    }
    a += omega;
    ++i;
  }
}

FastSubtraction::FastSubtraction(SimdTarget target)
    : kernels_(kernelsFor(target)), angles_(kMaxFrameLength) {}

void FastSubtraction::subtract(std::int32_t* frame, int n, const VoiceEstimate& voice) {
  if (voice.amplitude == 0 || n <= 0) return;
  if (voice.amplitude == std::numeric_limits<std::int32_t>::min()) {
    subtractVoice(frame, n, voice);  // its pieces need not fit 32 bits; the kernels take none
    return;
  }
  const double f = voice.frequencyTenths / 10.0;
  const double omega = kTwoPi * f / kSampleRate;
  const double start = voice.phase * kTwoPi / 65'536.0;
  runningAngles(start, omega, 0, n, angles_.data());
  kernels_.subtractSines(frame, angles_.data(), n, voice.amplitude);
}

}  // namespace analyser
