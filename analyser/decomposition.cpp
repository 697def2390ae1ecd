#include "analyser/decomposition.h"

#include <algorithm>
#include <cmath>

#include "analyser/wave_reader.h"

namespace analyser {
namespace {

constexpr std::int32_t kSixtieth = 735;  // samples in 1/60 s

std::int32_t* frameStart(std::int32_t* buffer, const AnalysisSettings& settings, int voice,
                         std::int32_t frame) {
  const std::int64_t index =
      std::int64_t{frame} * settings.samplesPerFrame + staggerOffset(settings, voice);
  return buffer + kLeadIn + index;
}

void subtractOtherVoices(const DecompositionInput& input, int voice, VoiceMethods& methods,
                         const ResultTables& tables) {
  const int n = input.settings.samplesPerFrame;
  for (std::int32_t m = 0; m < input.frameCount; ++m) {
    for (int d = 0; d < kVoiceCount; ++d) {
      if (d == voice) continue;
      const VoiceEstimate other{tables.voiceAmplitudes[m][d], tables.voiceFrequencies[m][d],
                                tables.voicePhases[m][d]};
      methods.subtract(frameStart(input.signalBuffer, input.settings, d, m), n, other);
    }
  }
}

bool estimateFrames(const DecompositionInput& input, int pass, int voice, VoiceMethods& methods,
                    EstimationObserver& observer, ResultTables& tables) {
  const int n = input.settings.samplesPerFrame;
  for (std::int32_t m = 0; m < input.frameCount; ++m) {
    observer.estimationStarting();
    const VoiceEstimate estimate =
        methods.estimate(frameStart(input.signalBuffer, input.settings, voice, m), n);
    tables.voiceAmplitudes[m][voice] = estimate.amplitude;
    tables.voiceFrequencies[m][voice] = estimate.frequencyTenths;
    tables.voicePhases[m][voice] = estimate.phase;
    if (!observer.estimationDone(pass, voice, m)) return false;
  }
  return true;
}

}  // namespace

ResultTables::ResultTables()
    : voiceAmplitudes(kMaxFrames), voiceFrequencies(kMaxFrames), voicePhases(kMaxFrames) {}

void ResultTables::clear() {
  for (auto* table : {&voiceAmplitudes, &voiceFrequencies, &voicePhases})
    std::fill(table->begin(), table->end(), ResultRow{});
}

std::int32_t staggerOffset(const AnalysisSettings& settings, int voice) {
  if (settings.stagger == 0) return 0;
  const std::int32_t q = settings.samplesPerFrame / kSixtieth;
  return (voice % q - (q - 1)) * kSixtieth;
}

void subtractVoice(std::int32_t* frame, int n, const VoiceEstimate& voice) {
  if (voice.amplitude == 0) return;  // would subtract zeros
  const double f = voice.frequencyTenths / 10.0;
  const double omega = kTwoPi * f / kSampleRate;
  double angle = voice.phase * kTwoPi / 65'536.0;
  const double a = voice.amplitude;
  for (int i = 0; i < n; ++i) {
    // |sin| <= 1 keeps the product within +-2^31; the difference wraps.
    const auto piece = static_cast<std::int64_t>(std::sin(angle) * a);
    frame[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(frame[i]) -
                                         static_cast<std::uint32_t>(piece));
    angle += omega;
  }
}

VoiceEstimate LiteralVoiceMethods::estimate(const std::int32_t* frame, int n) {
  return estimateVoice(frame, n, table_);
}

void LiteralVoiceMethods::subtract(std::int32_t* frame, int n, const VoiceEstimate& voice) {
  subtractVoice(frame, n, voice);
}

bool decomposeVoices(const DecompositionInput& input, VoiceMethods& methods,
                     EstimationObserver& observer, ResultTables& tables) {
  const std::size_t signalLength = std::size_t{input.sampleCount} + kLeadIn + kTail;
  for (int pass = 0; pass < input.settings.passCount; ++pass) {
    for (int voice = 0; voice < kVoiceCount; ++voice) {
      std::copy_n(input.savedSignal, signalLength, input.signalBuffer);
      subtractOtherVoices(input, voice, methods, tables);
      if (!estimateFrames(input, pass, voice, methods, observer, tables)) return false;
    }
  }
  return true;
}

}  // namespace analyser
