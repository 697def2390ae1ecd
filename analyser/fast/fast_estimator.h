#pragma once
// The estimator at speed: the coarse search of a batch of frames as one
// integer matrix product, then the refinement of each frame with fast Fourier
// sums. The estimates are identical to estimateVoice's.
//
// The CoarseMatrix of a frame length is built once and shared, read-only, by
// every thread; each thread estimates with its own FastEstimator.

#include <cstdint>

#include "analyser/estimator.h"
#include "analyser/fast/coarse_search.h"
#include "analyser/fast/refinement.h"
#include "analyser/fast/simd_target.h"

namespace analyser {

class FastEstimator {
 public:
  // Frames per coarse batch: enough to reuse each block of the matrix from the
  // cache, few enough for the frames to stay in the second-level cache.
  static constexpr int kBatchFrames = 32;

  FastEstimator(const CoarseMatrix& matrix, SimdTarget target);

  int frameLength() const { return matrix_.frameLength(); }

  // results[i] = estimateVoice(frames[i], n) for i below count; each frame is given
  // by the address of its first value.
  void estimate(const std::int32_t* const* frames, int count, VoiceEstimate* results);
  VoiceEstimate estimate(const std::int32_t* frame);

  // How many refinement candidates the literal evaluation had to decide.
  std::int64_t literalEvaluations() const { return refiner_.literalEvaluations(); }

 private:
  const CoarseMatrix& matrix_;
  const Kernels& kernels_;
  CoarseBatch batch_;
  Refiner refiner_;
};

}  // namespace analyser
