#pragma once
// subtractVoice at speed, with identical results: the running angle takes
// exactly the values that adding omega one sample at a time gives, and the
// sines are taken many at once.

#include <cstdint>

#include "analyser/estimator.h"
#include "analyser/fast/aligned_buffer.h"
#include "analyser/fast/simd_target.h"

namespace analyser {

// angles[j] = the running angle after from + j additions of omega to `start`,
// rounded to double precision at every step, for j below count: exactly what the
// loop "angle <- angle + omega" gives, without its chain of dependent additions.
void runningAngles(double start, double omega, int from, int count, double* angles);

// One per thread: it keeps the angles of a frame at hand.
class FastSubtraction {
 public:
  explicit FastSubtraction(SimdTarget target);

  // As subtractVoice: the n values at `frame` (n <= kMaxFrameLength) lose the voice's
  // sinusoid. A negative amplitude, which the estimator never gives, adds the
  // sinusoid of the opposite amplitude instead, exactly as subtractVoice does.
  void subtract(std::int32_t* frame, int n, const VoiceEstimate& voice);

 private:
  const Kernels& kernels_;
  AlignedBuffer<double> angles_;
};

}  // namespace analyser
