#include "analyser/fast/fast_estimator.h"

#include <algorithm>

namespace analyser {

FastEstimator::FastEstimator(const CoarseMatrix& matrix, SimdTarget target)
    : matrix_(matrix),
      kernels_(kernelsFor(target)),
      batch_(matrix, kBatchFrames),
      refiner_(matrix.frameLength()) {}

void FastEstimator::estimate(const std::int32_t* const* frames, int count, VoiceEstimate* results) {
  int bins[kBatchFrames];
  for (int first = 0; first < count; first += kBatchFrames) {
    const int size = std::min(kBatchFrames, count - first);
    batch_.findBestBins(kernels_, frames + first, size, bins);
    for (int i = 0; i < size; ++i) {
      refiner_.load(frames[first + i]);
      results[first + i] = refiner_.refine(kernels_, bins[i]);
    }
  }
}

VoiceEstimate FastEstimator::estimate(const std::int32_t* frame) {
  VoiceEstimate result;
  estimate(&frame, 1, &result);
  return result;
}

}  // namespace analyser
