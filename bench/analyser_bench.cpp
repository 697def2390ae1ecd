// Micro-benchmarks of the fast analyser: one estimation at each frame length,
// the subtraction per value, and the coarse kernel and the whole coarse search on
// each instruction set.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "analyser/decomposition.h"
#include "analyser/estimator.h"
#include "analyser/fast/coarse_search.h"
#include "analyser/fast/fast_estimator.h"
#include "analyser/fast/fast_subtraction.h"
#include "analyser/fast/simd_target.h"
#include "fast_test_sounds.h"

namespace {

using namespace analyser;
namespace sounds = testing_support;

const SineCosineTable& table() {
  static const std::unique_ptr<SineCosineTable> t = [] {
    auto built = std::make_unique<SineCosineTable>();
    buildSineCosineTable(*built);
    return built;
  }();
  return *t;
}

// Music in the analyser's scale, enough for `frames` frames of n values.
std::vector<std::int32_t> musicSignal(int n, int frames) {
  const std::vector<std::int16_t> samples = sounds::musicLike(1.0 * n * frames / 44'100 + 0.1, 4);
  std::vector<std::int32_t> signal(samples.begin(), samples.end());
  for (auto& v : signal) v *= 256;
  return signal;
}

// One estimation, in batches as the decomposition runs them, on one thread.
void BM_Estimation(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto target = static_cast<SimdTarget>(state.range(1));
  if (!simdTargetAvailable(target)) return state.SkipWithError("not on this machine");
  const CoarseMatrix matrix(n, table());
  FastEstimator estimator(matrix, target);
  constexpr int kFrames = 4 * FastEstimator::kBatchFrames;
  const std::vector<std::int32_t> signal = musicSignal(n, kFrames);
  std::vector<const std::int32_t*> frames(kFrames);
  for (int m = 0; m < kFrames; ++m) frames[m] = signal.data() + m * n;
  std::vector<VoiceEstimate> results(kFrames);
  for (auto _ : state) {
    estimator.estimate(frames.data(), kFrames, results.data());
    benchmark::DoNotOptimize(results.data());
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
  // Seconds per estimation, printed with an SI prefix (u: microseconds).
  state.counters["per_estimation"] = benchmark::Counter(
      kFrames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetLabel(simdTargetName(target));
}

// The literal estimator, for scale.
void BM_LiteralEstimation(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<std::int32_t> signal = musicSignal(n, 1);
  for (auto _ : state) benchmark::DoNotOptimize(estimateVoice(signal.data(), n, table()));
  state.SetItemsProcessed(state.iterations());
}

void BM_Subtraction(benchmark::State& state) {
  const auto target = static_cast<SimdTarget>(state.range(0));
  if (!simdTargetAvailable(target)) return state.SkipWithError("not on this machine");
  FastSubtraction subtraction(target);
  std::vector<std::int32_t> frame = musicSignal(735, 1);
  const VoiceEstimate voice{3'000'000, 4'400, 12'345};
  for (auto _ : state) {
    subtraction.subtract(frame.data(), 735, voice);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 735);
  state.counters["per_value"] = benchmark::Counter(
      735, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetLabel(simdTargetName(target));
}

void BM_LiteralSubtraction(benchmark::State& state) {
  std::vector<std::int32_t> frame = musicSignal(735, 1);
  const VoiceEstimate voice{3'000'000, 4'400, 12'345};
  for (auto _ : state) {
    subtractVoice(frame.data(), 735, voice);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 735);
}

// The coarse sums of a batch of frames for every bin, per frame.
void BM_CoarseKernel(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto target = static_cast<SimdTarget>(state.range(1));
  if (!simdTargetAvailable(target)) return state.SkipWithError("not on this machine");
  const CoarseMatrix matrix(n, table());
  constexpr int kFrames = FastEstimator::kBatchFrames;
  const std::vector<std::int32_t> signal = musicSignal(n, kFrames);
  const int length = matrix.paddedLength();
  std::vector<std::int16_t> reduced(static_cast<std::size_t>(kFrames) * length, 0);
  int depth = 8;
  for (int m = 0; m < kFrames; ++m) {
    reduceFrame(signal.data() + m * n, n, reduced.data() + m * length);
    depth = std::min(depth, coarseDepth(reduced.data() + m * length, length));
  }
  std::vector<std::int32_t> sums(static_cast<std::size_t>(kFrames) * matrix.rowCount());
  const Kernels& kernels = kernelsFor(target);
  for (auto _ : state) {
    kernels.coarseSums(matrix.rows(), matrix.rowCount(), reduced.data(), kFrames, length, depth,
                       sums.data());
    benchmark::DoNotOptimize(sums.data());
  }
  state.counters["per_frame"] = benchmark::Counter(
      kFrames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetLabel(simdTargetName(target) + " depth " + std::to_string(depth));
}

// The whole coarse search of a batch, per frame: on the sets with bounds, the
// byte product for every bin and the exact sums where a bin may still win.
void BM_CoarseSearch(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto target = static_cast<SimdTarget>(state.range(1));
  if (!simdTargetAvailable(target)) return state.SkipWithError("not on this machine");
  const CoarseMatrix matrix(n, table());
  constexpr int kFrames = FastEstimator::kBatchFrames;
  const std::vector<std::int32_t> signal = musicSignal(n, kFrames);
  std::vector<const std::int32_t*> frames(kFrames);
  for (int m = 0; m < kFrames; ++m) frames[m] = signal.data() + m * n;
  CoarseBatch batch(matrix, kFrames);
  int bins[kFrames];
  const Kernels& kernels = kernelsFor(target);
  for (auto _ : state) {
    batch.findBestBins(kernels, frames.data(), kFrames, bins);
    benchmark::DoNotOptimize(bins);
  }
  state.counters["per_frame"] = benchmark::Counter(
      kFrames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["exact_share"] =
      static_cast<double>(batch.pairsWorkedOut()) / static_cast<double>(batch.pairsMet());
  state.SetLabel(simdTargetName(target));
}

void frameLengthsAndTargets(benchmark::internal::Benchmark* b) {
  for (const int n : {735, 1470, 2205, 2940})
    for (const SimdTarget t : {SimdTarget::kAvx512, SimdTarget::kAvx2, SimdTarget::kPortable})
      b->Args({n, static_cast<int>(t)});
}

BENCHMARK(BM_Estimation)
    ->ArgsProduct({{735, 2940},
                   {static_cast<int>(SimdTarget::kAvx512), static_cast<int>(SimdTarget::kAvx2)}})
    ->Args({1470, static_cast<int>(SimdTarget::kAvx512)})
    ->Args({2205, static_cast<int>(SimdTarget::kAvx512)})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LiteralEstimation)->Arg(735)->Arg(2940)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Subtraction)
    ->Arg(static_cast<int>(SimdTarget::kAvx512))
    ->Arg(static_cast<int>(SimdTarget::kAvx2))
    ->Arg(static_cast<int>(SimdTarget::kPortable));
BENCHMARK(BM_LiteralSubtraction);
BENCHMARK(BM_CoarseKernel)->Apply(frameLengthsAndTargets)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CoarseSearch)->Apply(frameLengthsAndTargets)->Unit(benchmark::kMicrosecond);

}  // namespace
