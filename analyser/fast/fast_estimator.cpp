#include "analyser/fast/fast_estimator.h"

#include <algorithm>

namespace analyser {

FastEstimator::FastEstimator(const CoarseMatrix& matrix, SimdTarget target)
    : matrix_(matrix),
      kernels_(kernelsFor(target)),
      batch_(matrix, kBatchFrames),
      refiner_(matrix.frameLength()) {}

namespace {

// A frame of zeros scores 0 everywhere, so bin 0 and then candidate 0 (55 Hz)
// win every stage, and re = 0 gives the phase of a half turn.
constexpr VoiceEstimate kSilentEstimate{0, 550, 32'768};

bool isSilent(const std::int32_t* frame, int n) {
  return std::all_of(frame, frame + n, [](std::int32_t x) { return x == 0; });
}

}  // namespace

void FastEstimator::estimate(const std::int32_t* const* frames, int count, VoiceEstimate* results) {
  // Silence is common (pauses, the ends of a recording, voices with nothing left
  // to take) and its estimate is known; the other frames go on in batches.
  const int n = matrix_.frameLength();
  const std::int32_t* sounding[kBatchFrames];
  int places[kBatchFrames];
  int bins[kBatchFrames];
  int first = 0;
  while (first < count) {
    int size = 0;
    for (; first < count && size < kBatchFrames; ++first) {
      if (isSilent(frames[first], n)) {
        results[first] = kSilentEstimate;
        continue;
      }
      sounding[size] = frames[first];
      places[size++] = first;
    }
    if (size == 0) continue;
    batch_.findBestBins(kernels_, sounding, size, bins);
    for (int i = 0; i < size; ++i) {
      refiner_.load(sounding[i]);
      results[places[i]] = refiner_.refine(kernels_, bins[i]);
    }
  }
}

VoiceEstimate FastEstimator::estimate(const std::int32_t* frame) {
  VoiceEstimate result;
  estimate(&frame, 1, &result);
  return result;
}

}  // namespace analyser
