#include "analyser/fast/fast_subtraction.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "analyser/decomposition.h"

namespace analyser {

// Within one binade [2^(e-1), 2^e) the doubles are the multiples of one spacing,
// so every sum a + omega that stays inside rounds to a + delta with one and the
// same delta, as long as omega does not lie exactly halfway between two
// multiples of the spacing (then the rounding goes to the even neighbour and
// depends on a). Such runs are filled in at once: each a + t x delta is exact.
// Steps that leave the binade, and angles at or below zero, are added singly.
void runningAngles(double start, double omega, int n, double* angles) {
  double a = start;
  int i = 0;
  while (i < n) {
    angles[i] = a;
    int run = 0;
    double delta = 0.0;
    if (a >= DBL_MIN && a < DBL_MAX && omega > 0.0 && omega < DBL_MAX) {
      int exponent = 0;
      std::frexp(a, &exponent);
      const double upper = std::ldexp(1.0, exponent);
      const double spacing = std::ldexp(1.0, exponent - 53);
      const double next = a + omega;
      delta = next - a;
      if (next < upper && delta > 0.0 && std::abs(omega - delta) != spacing / 2) {
        // Steps t = 1 .. run need a + (t - 1) delta + omega < upper; `room` is within
        // one of (upper - a - omega) / delta.
        const double room = (upper - a - omega) / delta;
        if (room >= 2.0)
          run = static_cast<int>(std::min(room - 1.0, static_cast<double>(n - 1 - i)));
      }
    }
    for (int t = 1; t <= run; ++t) angles[i + t] = a + t * delta;
    i += run;
    a = angles[i] + omega;
    ++i;
  }
}

FastSubtraction::FastSubtraction(SimdTarget target)
    : kernels_(kernelsFor(target)), angles_(kMaxFrameLength) {}

void FastSubtraction::subtract(std::int32_t* frame, int n, const VoiceEstimate& voice) {
  if (voice.amplitude == 0) return;
  if (voice.amplitude < 0 || n > kMaxFrameLength) {
    subtractVoice(frame, n, voice);  // never made by the estimator; the kernels take none
    return;
  }
  const double f = voice.frequencyTenths / 10.0;
  const double omega = kTwoPi * f / kSampleRate;
  const double start = voice.phase * kTwoPi / 65'536.0;
  runningAngles(start, omega, n, angles_.data());
  kernels_.subtractSines(frame, angles_.data(), n, voice.amplitude);
}

}  // namespace analyser
