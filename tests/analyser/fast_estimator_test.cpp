// The fast estimator against estimateVoice on a corpus of short sounds, on
// every instruction set this machine runs.

#include "analyser/fast/fast_estimator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "analyser/estimator.h"
#include "analyser/fast/coarse_search.h"
#include "analyser/fast/simd_target.h"
#include "fast_test_sounds.h"

namespace analyser {
namespace {

namespace sounds = testing_support;

struct Sound {
  std::string name;
  std::vector<std::int32_t> signal;  // in the analyser's scale: 256 per 16-bit step
};

std::vector<Sound> corpus(double seconds) {
  auto scaled = [](const std::vector<std::int16_t>& samples) {
    std::vector<std::int32_t> out(samples.begin(), samples.end());
    for (auto& v : out) v *= 256;
    return out;
  };
  sounds::Random random(99);
  std::vector<std::int32_t> wrapped(static_cast<std::size_t>(seconds * sounds::kRate));
  for (auto& v : wrapped) v = static_cast<std::int32_t>(random.next());
  return {
      {"speech", scaled(sounds::speechLike(seconds, 1))},
      {"music", scaled(sounds::musicLike(seconds, 2))},
      {"noise", scaled(sounds::whiteNoise(seconds, 3, 9'000))},
      {"tones", scaled(sounds::steadyTones(seconds, {{1'234.5, 9'000}, {3'000, 3'000}}))},
      // A residual gone far beyond the 16-bit range, as optimise passes can leave.
      {"wrapped", wrapped},
      {"silence", std::vector<std::int32_t>(static_cast<std::size_t>(seconds * sounds::kRate))},
  };
}

TEST(FastEstimator, GivesTheLiteralEstimatesOnACorpus) {
  auto table = std::make_unique<SineCosineTable>();
  buildSineCosineTable(*table);
  const std::vector<Sound> sounds = corpus(0.2);
  int frames = 0;
  for (const int n : {735, 1470, 2205, 2940}) {
    const CoarseMatrix matrix(n, *table);
    for (const Sound& sound : sounds) {
      const int count = static_cast<int>(sound.signal.size()) / n;
      std::vector<const std::int32_t*> starts;
      std::vector<VoiceEstimate> literal;
      for (int m = 0; m < count; ++m) {
        starts.push_back(sound.signal.data() + m * n);
        literal.push_back(estimateVoice(starts.back(), n, *table));
      }
      frames += count;
      for (const SimdTarget target : availableSimdTargets()) {
        FastEstimator fast(matrix, target);
        std::vector<VoiceEstimate> got(count);
        fast.estimate(starts.data(), count, got.data());
        for (int m = 0; m < count; ++m) {
          const std::string where = sound.name + " n " + std::to_string(n) + " frame " +
                                    std::to_string(m) + " " + simdTargetName(target);
          EXPECT_EQ(got[m].amplitude, literal[m].amplitude) << where;
          EXPECT_EQ(got[m].frequencyTenths, literal[m].frequencyTenths) << where;
          EXPECT_EQ(got[m].phase, literal[m].phase) << where;
        }
        // Settling a candidate by the literal evaluation is meant to be rare.
        EXPECT_LE(fast.literalEvaluations(), count) << sound.name << " " << n;
      }
    }
  }
  EXPECT_GT(frames, 100);
}

TEST(FastEstimator, BatchesAndSingleFramesAgree) {
  auto table = std::make_unique<SineCosineTable>();
  buildSineCosineTable(*table);
  const CoarseMatrix matrix(735, *table);
  FastEstimator fast(matrix, bestSimdTarget());
  // More frames than one coarse batch holds, quiet ones and loud ones mixed, so
  // that one batch pairs its high halves more deeply than another.
  std::vector<std::int32_t> signal;
  for (const auto& sound : corpus(0.6))
    if (sound.name == "speech" || sound.name == "wrapped")
      signal.insert(signal.end(), sound.signal.begin(), sound.signal.end());
  const int count = static_cast<int>(signal.size()) / 735;
  ASSERT_GT(count, FastEstimator::kBatchFrames * 2);
  std::vector<const std::int32_t*> starts(count);
  for (int m = 0; m < count; ++m) starts[m] = signal.data() + m * 735;
  std::vector<VoiceEstimate> batched(count);
  fast.estimate(starts.data(), count, batched.data());
  for (int m = 0; m < count; m += 7) {
    const VoiceEstimate single = fast.estimate(starts[m]);
    EXPECT_EQ(single.amplitude, batched[m].amplitude) << m;
    EXPECT_EQ(single.frequencyTenths, batched[m].frequencyTenths) << m;
    EXPECT_EQ(single.phase, batched[m].phase) << m;
  }
}

}  // namespace
}  // namespace analyser
