#pragma once
// Splits the prepared signal into six voices, one sinusoid per frame each.
// Voice by voice, the signal is restored, the other five voices' current
// estimates are subtracted on their own frame grids, and the estimator finds
// the strongest sinusoid of what remains in every frame. One pass is greedy;
// with optimise four passes re-estimate every voice against better neighbours.

#include <array>
#include <cstdint>
#include <vector>

#include "analyser/analysis_settings.h"
#include "analyser/estimator.h"

namespace analyser {

inline constexpr int kVoiceCount = 6;
// A ten-minute sound at 1/60 s needs 36,001 frames.
inline constexpr std::int32_t kMaxFrames = 36'001;
// Entries per result row; those of voices 6 and up stay zero.
inline constexpr int kRowEntries = 16;

using ResultRow = std::array<std::int32_t, kRowEntries>;

// The latest estimate of every voice in every frame: row m, entry v.
struct ResultTables {
  ResultTables();
  void clear();
  std::vector<ResultRow> voiceAmplitudes;
  std::vector<ResultRow> voiceFrequencies;
  std::vector<ResultRow> voicePhases;
};

// Where voice v's frame grid begins relative to the unshifted one: with
// stagger, zero to three sixtieths of a second early.
std::int32_t staggerOffset(const AnalysisSettings& settings, int voice);

// Subtracts the voice's sinusoid from the n values at `frame`. The values wrap
// around as 32-bit integers.
void subtractVoice(std::int32_t* frame, int n, const VoiceEstimate& voice);

// The estimator and the subtraction, behind one seam so that faster versions
// can take the literal ones' place.
class VoiceMethods {
 public:
  virtual ~VoiceMethods() = default;
  virtual VoiceEstimate estimate(const std::int32_t* frame, int n) = 0;
  virtual void subtract(std::int32_t* frame, int n, const VoiceEstimate& voice) = 0;
};

class LiteralVoiceMethods : public VoiceMethods {
 public:
  explicit LiteralVoiceMethods(const SineCosineTable& table) : table_(table) {}
  VoiceEstimate estimate(const std::int32_t* frame, int n) override;
  void subtract(std::int32_t* frame, int n, const VoiceEstimate& voice) override;

 private:
  const SineCosineTable& table_;
};

// Told of every estimation; the progress step of the job.
class EstimationObserver {
 public:
  virtual ~EstimationObserver() = default;
  virtual void estimationStarting() = 0;
  // After the estimate of (pass, voice, frame) is stored. False ends the work.
  virtual bool estimationDone(int pass, int voice, std::int32_t frame) = 0;
};

// Told of every batch when a voice's frames are estimated in batches: after
// the estimates of the batch's frames, up to lastFrame, are stored.
class BatchObserver {
 public:
  virtual ~BatchObserver() = default;
  virtual void batchStarting() = 0;
  // False ends the work.
  virtual bool batchDone(int pass, int voice, std::int32_t lastFrame, std::int32_t estimations) = 0;
};

struct DecompositionInput {
  AnalysisSettings settings;
  std::int32_t frameCount = 0;  // at most kMaxFrames
  std::uint32_t sampleCount = 0;
  // Both in the prepared layout: the lead-in, the samples, the tail.
  std::int32_t* signalBuffer = nullptr;
  const std::int32_t* savedSignal = nullptr;
};

// Fills the tables; false when the observer ended the work early, leaving
// them partly updated.
bool decomposeVoices(const DecompositionInput& input, VoiceMethods& methods,
                     EstimationObserver& observer, ResultTables& tables);

}  // namespace analyser
