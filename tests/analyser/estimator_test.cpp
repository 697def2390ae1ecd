#include "analyser/estimator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "reference_correlator.h"

namespace analyser {
namespace {

const SineCosineTable& table() {
  static const std::unique_ptr<SineCosineTable> built = [] {
    auto t = std::make_unique<SineCosineTable>();
    buildSineCosineTable(*t);
    return t;
  }();
  return *built;
}

TEST(SineCosineTable, HoldsTheRoundedQuarterTurns) {
  const struct {
    int j;
    std::uint32_t entry;
  } cases[] = {
      {0, 0x00007FFF},      {1, 0x00037FFF},      {8'192, 0x5A825A82},  {16'384, 0x7FFF0000},
      {32'768, 0x00008001}, {49'152, 0x80010000}, {65'535, 0xFFFD7FFF},
  };
  for (const auto& c : cases) EXPECT_EQ(table()[c.j], c.entry) << c.j;
  EXPECT_EQ(sineHalf(table()[49'152]), -32'767);
  EXPECT_EQ(cosineHalf(table()[32'768]), -32'767);
}

TEST(ReduceSample, RoundsHalvesAwayFromZeroAndKeeps16Bits) {
  const struct {
    std::int32_t t;
    std::int16_t r;
  } cases[] = {
      {0, 0},
      {255, 0},
      {256, 1},
      {-256, -1},
      {-257, -1},
      {767, 1},
      {768, 2},
      {8'388'352, 16'384},
      {-8'388'608, -16'384},
      {16'776'960, -32'768},  // 32,768 wraps
      {std::numeric_limits<std::int32_t>::max(), 0},
      {std::numeric_limits<std::int32_t>::min(), 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(reduceSample(c.t), c.r) << c.t;
    EXPECT_EQ(reference::reduce(c.t), c.r) << c.t;
  }
}

TEST(CoarseSearch, BinsAndIncrementsSpanTheRange) {
  EXPECT_DOUBLE_EQ(coarseBinFrequency(0), 55.0);
  EXPECT_NEAR(coarseBinFrequency(1'024), 7'040.0, 1e-9);
  EXPECT_LE(coarseBinFrequency(1'050), 8'000.0);
  EXPECT_GT(coarseBinFrequency(1'051), 8'000.0);
  EXPECT_EQ(phaseIncrement(55.0), 5'356'535u);
  EXPECT_EQ(phaseIncrement(440.0), 42'852'281u);
}

// Frames that reach every corner of the correlator: wrapped reductions,
// full-scale tones, exact rounding halves, odd lengths.
std::vector<std::vector<std::int32_t>> variedFrames() {
  std::mt19937 random(12345);
  std::vector<std::vector<std::int32_t>> frames;
  for (int n : {2940, 2205, 735}) {
    std::vector<std::int32_t> noise(n), tones(n), edges(n);
    for (int k = 0; k < n; ++k) {
      noise[k] = static_cast<std::int32_t>(random());
      tones[k] = static_cast<std::int32_t>(4'000'000 * std::sin(0.031 * k) +
                                           4'000'000 * std::sin(0.9 * k + 1.0));
      const std::int32_t corner[] = {std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max(),
                                     256,
                                     -256,
                                     -8'388'608,
                                     16'776'960};
      edges[k] = corner[k % 6];
    }
    frames.push_back(noise);
    frames.push_back(tones);
    frames.push_back(edges);
  }
  return frames;
}

TEST(CoarseSearch, SumsMatchThePlainCorrelatorInEveryBin) {
  for (const auto& frame : variedFrames()) {
    const int n = static_cast<int>(frame.size());
    std::vector<std::int16_t> reduced(reducedCount(n));
    reduceFrame(frame.data(), n, reduced.data());
    ASSERT_EQ(reduced, reference::reduceFrame(frame)) << n;
    for (int bin = 0; coarseBinFrequency(bin) <= 8'000.0; ++bin) {
      const std::uint32_t increment = phaseIncrement(coarseBinFrequency(bin));
      const CoarseSums sums = correlateBin(reduced.data(), reducedCount(n), increment, table());
      const CoarseSums plain = reference::correlate(reduced, increment, table());
      ASSERT_EQ(sums.sumCos, plain.sumCos) << "n " << n << " bin " << bin;
      ASSERT_EQ(sums.sumSin, plain.sumSin) << "n " << n << " bin " << bin;
    }
    EXPECT_EQ(coarseSearch(reduced.data(), n, table()), reference::bestBin(reduced, n, table()));
  }
}

TEST(EstimateVoice, FrameOfZerosKeepsTheFirstCandidateEverywhere) {
  const std::vector<std::int32_t> zeros(735, 0);
  const VoiceEstimate e = estimateVoice(zeros.data(), 735, table());
  EXPECT_EQ(e.amplitude, 0);
  EXPECT_EQ(e.frequencyTenths, 550);
  EXPECT_EQ(e.phase, 32'768);
}

TEST(EstimateVoice, FindsFrequencyAmplitudeAndPhaseOfASine) {
  std::vector<std::int32_t> frame(2940);
  for (int k = 0; k < 2940; ++k)
    frame[k] = static_cast<std::int32_t>(500'000 * std::sin(2.5 + kTwoPi * 1'234.5 * k / 44'100));
  const VoiceEstimate e = estimateVoice(frame.data(), 2940, table());
  EXPECT_EQ(e.frequencyTenths, 12'345);
  EXPECT_NEAR(e.amplitude, 500'000, 1'000);
  EXPECT_NEAR(e.phase, 26'076, 30);
}

TEST(EstimateVoice, StaysWithin55HzAnd8kHz) {
  const struct {
    double hz;
    int n;
  } cases[] = {{10'000.0, 735}, {20.0, 735}};
  for (const auto& c : cases) {
    std::vector<std::int32_t> frame(c.n);
    for (int k = 0; k < c.n; ++k)
      frame[k] = static_cast<std::int32_t>(3'000'000 * std::sin(kTwoPi * c.hz * k / 44'100));
    const VoiceEstimate e = estimateVoice(frame.data(), c.n, table());
    EXPECT_LE(e.frequencyTenths, 80'000) << c.hz;
    EXPECT_GE(e.frequencyTenths, 550) << c.hz;
    EXPECT_GE(e.phase, 0);
    EXPECT_LT(e.phase, 65'536);
  }
}

TEST(EstimateVoice, ScoresBeyond32BitsStayAValidAmplitude) {
  // Wrapped residuals can swing over the whole 32-bit range. The fundamental
  // of this 1,002 Hz square wave is 4 / pi times its height, beyond the int32
  // limit; its reduced values are +-32,767, so the coarse search sees it too.
  constexpr std::int32_t kHeight = 2'130'705'920;
  std::vector<std::int32_t> frame(735);
  for (int k = 0; k < 735; ++k) frame[k] = k % 44 < 22 ? kHeight : -kHeight;
  const VoiceEstimate e = estimateVoice(frame.data(), 735, table());
  EXPECT_EQ(e.amplitude, std::numeric_limits<std::int32_t>::max());
  EXPECT_NEAR(e.frequencyTenths, 10'023, 100);
}

}  // namespace
}  // namespace analyser
