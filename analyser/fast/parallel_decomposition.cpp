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

// 32-bit arithmetic that wraps around, as the subtraction's.
std::int32_t wrapped(std::uint32_t bits) {
  return static_cast<std::int32_t>(bits);
}
std::uint32_t bitsOf(std::int32_t value) {
  return static_cast<std::uint32_t>(value);
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

  // Estimates frames first .. last - 1 of `voice`, stores them in the tables and
  // brings the total of all pieces up to date with them.
  void estimate(const DecompositionInput& input, int voice, std::int32_t first, std::int32_t last,
                ResultTables& tables) {
    const std::int32_t* frames[kChunkFrames] = {};
    VoiceEstimate results[kChunkFrames];
    const int count = last - first;
    for (int i = 0; i < count; ++i) {
      std::int32_t* residual = residuals_.data() + static_cast<std::size_t>(i) * n_;
      buildResidual(input, voice, first + i, estimateIn(tables, first + i, voice), residual);
      frames[i] = residual;
    }
    estimator_.estimate(frames, count, results);
    for (int i = 0; i < count; ++i) {
      const std::int32_t m = first + i;
      tables.voiceAmplitudes[m][voice] = results[i].amplitude;
      tables.voiceFrequencies[m][voice] = results[i].frequencyTenths;
      tables.voicePhases[m][voice] = results[i].phase;
      updateTotal(input, voice, m, results[i],
                  residuals_.data() + static_cast<std::size_t>(i) * n_);
    }
  }

  // Adds the piece of the voice's current estimate in frame m to the total.
  void addToTotal(const DecompositionInput& input, int voice, std::int32_t m,
                  const ResultTables& tables) {
    subtraction_.subtract(input.signalBuffer + frameStart(input, voice, m), n_,
                          negated(estimateIn(tables, m, voice)));
  }

 private:
  static VoiceEstimate estimateIn(const ResultTables& tables, std::int32_t m, int voice) {
    return {tables.voiceAmplitudes[m][voice], tables.voiceFrequencies[m][voice],
            tables.voicePhases[m][voice]};
  }

  std::int64_t frameStart(const DecompositionInput& input, int voice, std::int32_t m) const {
    return kLeadIn + std::int64_t{m} * n_ + staggerOffset(input.settings, voice);
  }

  // Subtracting the piece of the same sinusoid with the opposite amplitude adds
  // the piece: truncation toward zero is symmetric.
  static VoiceEstimate negated(VoiceEstimate estimate) {
    estimate.amplitude = -estimate.amplitude;
    return estimate;
  }

  // The frame of `voice` in frame m, less every other voice: the prepared values
  // less the total of all pieces, with the voice's own current piece given back.
  void buildResidual(const DecompositionInput& input, int voice, std::int32_t m,
                     const VoiceEstimate& current, std::int32_t* residual) {
    const std::int64_t start = frameStart(input, voice, m);
    const std::int32_t* saved = input.savedSignal + start;
    const std::int32_t* total = input.signalBuffer + start;
    for (int k = 0; k < n_; ++k) residual[k] = wrapped(bitsOf(saved[k]) - bitsOf(total[k]));
    subtraction_.subtract(residual, n_, negated(current));
  }

  // The total over the frame: what it held, less the voice's old piece (the
  // prepared values less the residual), plus its new piece.
  void updateTotal(const DecompositionInput& input, int voice, std::int32_t m,
                   const VoiceEstimate& estimate, const std::int32_t* residual) {
    const std::int64_t start = frameStart(input, voice, m);
    const std::int32_t* saved = input.savedSignal + start;
    std::int32_t* total = input.signalBuffer + start;
    for (int k = 0; k < n_; ++k) total[k] = wrapped(bitsOf(saved[k]) - bitsOf(residual[k]));
    subtraction_.subtract(total, n_, negated(estimate));
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

// The pieces of every estimate the tables hold to begin with (none, when the
// job has cleared them), voice by voice: a voice's frames do not overlap.
void ParallelDecomposition::startTotal(const DecompositionInput& input,
                                       const ResultTables& tables) {
  std::fill_n(input.signalBuffer, std::size_t{input.sampleCount} + kLeadIn + kTail, 0);
  for (int voice = 0; voice < kVoiceCount; ++voice) {
    std::atomic<std::int32_t> next{0};
    pool_.run([&](int member) {
      for (std::int32_t m = next.fetch_add(1); m < input.frameCount; m = next.fetch_add(1))
        workers_[member]->addToTotal(input, voice, m, tables);
    });
  }
}

bool ParallelDecomposition::run(const DecompositionInput& input, BatchObserver& observer,
                                ResultTables& tables) {
  startTotal(input, tables);
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
