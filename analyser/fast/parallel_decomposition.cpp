#include "analyser/fast/parallel_decomposition.h"

#include <algorithm>
#include <atomic>

#include "analyser/fast/fast_estimator.h"
#include "analyser/fast/fast_subtraction.h"
#include "analyser/wave_reader.h"

namespace analyser {
namespace {

// Frames a thread takes at a time: one coarse batch.
constexpr std::int32_t kChunkFrames = FastEstimator::kBatchFrames;

// Chunks per thread in a batch, about 25 ms of work whatever the frame length:
// long enough that waking the threads costs little, short enough that the
// progress step comes often enough to keep windows responsive and to notice a
// stop request promptly.
std::int32_t chunksPerThread(std::int32_t samplesPerFrame) {
  return std::max(4, 16 * 735 / samplesPerFrame);
}

}  // namespace

// One thread's estimator, subtraction and room for the residuals of one chunk.
class ParallelDecomposition::Worker {
 public:
  Worker(const CoarseMatrix& matrix, SimdTarget target)
      : n_(matrix.frameLength()),
        estimator_(matrix, target),
        subtraction_(target),
        residuals_(static_cast<std::size_t>(kChunkFrames) * n_) {}

  // Estimates frames first .. last - 1 of `voice` and stores them in the tables.
  void estimate(const DecompositionInput& input, int voice, std::int32_t first, std::int32_t last,
                ResultTables& tables) {
    const std::int32_t* frames[kChunkFrames] = {};
    VoiceEstimate results[kChunkFrames];
    const int count = last - first;
    for (int i = 0; i < count; ++i) {
      std::int32_t* residual = residuals_.data() + static_cast<std::size_t>(i) * n_;
      buildResidual(input, voice, first + i, tables, residual);
      frames[i] = residual;
    }
    estimator_.estimate(frames, count, results);
    for (int i = 0; i < count; ++i) {
      tables.voiceAmplitudes[first + i][voice] = results[i].amplitude;
      tables.voiceFrequencies[first + i][voice] = results[i].frequencyTenths;
      tables.voicePhases[first + i][voice] = results[i].phase;
    }
  }

 private:
  // The frame of `voice` in frame m, less every other voice's frames as far as
  // they overlap it.
  void buildResidual(const DecompositionInput& input, int voice, std::int32_t m,
                     const ResultTables& tables, std::int32_t* residual) {
    const AnalysisSettings& settings = input.settings;
    const std::int64_t start = std::int64_t{m} * n_ + staggerOffset(settings, voice);
    std::copy_n(input.savedSignal + kLeadIn + start, n_, residual);
    for (int d = 0; d < kVoiceCount; ++d) {
      if (d == voice) continue;
      const std::int64_t offset = staggerOffset(settings, d);
      // Offsets lie within one frame of each other: frames m - 1 .. m + 1 of d may overlap.
      for (std::int32_t other = std::max(m - 1, 0); other <= m + 1 && other < input.frameCount;
           ++other) {
        const std::int64_t otherStart = std::int64_t{other} * n_ + offset;
        const std::int64_t from = std::max(start, otherStart);
        const std::int64_t to = std::min(start + n_, otherStart + n_);
        if (from >= to) continue;
        const VoiceEstimate estimate{tables.voiceAmplitudes[other][d],
                                     tables.voiceFrequencies[other][d],
                                     tables.voicePhases[other][d]};
        subtraction_.subtractPart(residual + (from - start), static_cast<int>(from - otherStart),
                                  static_cast<int>(to - otherStart), estimate);
      }
    }
  }

  int n_;
  FastEstimator estimator_;
  FastSubtraction subtraction_;
  AlignedBuffer<std::int32_t> residuals_;
};

ParallelDecomposition::ParallelDecomposition(const SineCosineTable& table,
                                             std::int32_t samplesPerFrame, int threads,
                                             SimdTarget target)
    : matrix_(samplesPerFrame, table), pool_(threadCountFor(threads)) {
  for (int i = 0; i < pool_.size(); ++i)
    workers_.push_back(std::make_unique<Worker>(matrix_, target));
}

ParallelDecomposition::~ParallelDecomposition() = default;

bool ParallelDecomposition::run(const DecompositionInput& input, BatchObserver& observer,
                                ResultTables& tables) {
  const std::int32_t batchFrames =
      kChunkFrames * chunksPerThread(input.settings.samplesPerFrame) * pool_.size();
  for (int pass = 0; pass < input.settings.passCount; ++pass) {
    for (int voice = 0; voice < kVoiceCount; ++voice) {
      for (std::int32_t first = 0; first < input.frameCount; first += batchFrames) {
        const std::int32_t last = std::min(input.frameCount, first + batchFrames);
        observer.batchStarting();
        std::atomic<std::int32_t> next{first};
        pool_.run([&](int member) {
          for (;;) {
            const std::int32_t chunk = next.fetch_add(kChunkFrames);
            if (chunk >= last) return;
            workers_[member]->estimate(input, voice, chunk, std::min(last, chunk + kChunkFrames),
                                       tables);
          }
        });
        if (!observer.batchDone(pass, voice, last - 1, last - first)) return false;
      }
    }
  }
  return true;
}

}  // namespace analyser
