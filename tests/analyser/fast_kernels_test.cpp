// The kernels of every instruction set this machine runs, against the literal
// definitions they stand in for.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "analyser/decomposition.h"
#include "analyser/estimator.h"
#include "analyser/fast/coarse_search.h"
#include "analyser/fast/fast_subtraction.h"
#include "analyser/fast/simd_target.h"
#include "fast_test_sounds.h"

namespace analyser {
namespace {

using testing_support::Random;

std::string targetName(const ::testing::TestParamInfo<SimdTarget>& info) {
  return simdTargetName(info.param);
}

class EachTarget : public ::testing::TestWithParam<SimdTarget> {
 protected:
  const Kernels& kernels() const { return kernelsFor(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(Fast, EachTarget, ::testing::ValuesIn(availableSimdTargets()), targetName);

// ---- coarse sums

// Frames of every kind the correlator meets, n values each.
std::vector<std::vector<std::int32_t>> variedFrames(int n) {
  Random random(n);
  std::vector<std::vector<std::int32_t>> frames;
  auto add = [&](auto value) {
    std::vector<std::int32_t> frame(n);
    for (int k = 0; k < n; ++k) frame[k] = value(k);
    frames.push_back(frame);
  };
  add([](int) { return 0; });                                                      // silence
  add([&](int) { return static_cast<std::int32_t>(random.between(-3e5, 3e5)); });  // quiet noise
  add([&](int) { return static_cast<std::int32_t>(random.between(-8.4e6, 8.4e6)); });  // loud
  // A residual far beyond the 16-bit range: reduced values wrap around.
  add([&](int) { return static_cast<std::int32_t>(random.next()); });
  // Full-scale tones, one on a bin's own frequency.
  add([&](int k) {
    return static_cast<std::int32_t>(8e6 * std::sin(kTwoPi * 440.0 * k / 44'100));
  });
  const double binHz = coarseBinFrequency(700);
  add([&](int k) {
    return static_cast<std::int32_t>(8'388'352 * std::cos(kTwoPi * binHz * k / 44'100));
  });
  // The extremes of a prepared signal, alternating.
  add([](int k) { return k % 2 ? 8'388'352 : -8'388'608; });
  // A frame less an estimate of itself.
  std::vector<std::int32_t> residual = frames[4];
  subtractVoice(residual.data(), n, {7'900'000, 4'400, 1'000});
  frames.push_back(residual);
  return frames;
}

TEST_P(EachTarget, CoarseSumsMatchTheCorrelatorBitForBit) {
  auto table = std::make_unique<SineCosineTable>();
  buildSineCosineTable(*table);
  for (const int n : {735, 1470, 2205, 2940}) {
    const CoarseMatrix matrix(n, *table);
    const int length = matrix.paddedLength();
    const auto frames = variedFrames(n);
    const int frameCount = static_cast<int>(frames.size());
    ASSERT_EQ(frameCount % kCoarseGroup, 0);
    std::vector<std::int16_t> reduced(static_cast<std::size_t>(frameCount) * length, 0);
    int depth = 8;
    for (int f = 0; f < frameCount; ++f) {
      reduceFrame(frames[f].data(), n, reduced.data() + f * length);
      depth = std::min(depth, coarseDepth(reduced.data() + f * length, length));
    }
    // The wrapped frame allows only pairs; the kernels must be exact at every depth
    // the values allow, and quiet frames allow them all.
    std::vector<std::int32_t> sums(static_cast<std::size_t>(frameCount) * matrix.rowCount());
    kernels().coarseSums(matrix.rows(), matrix.rowCount(), reduced.data(), frameCount, length,
                         depth, sums.data());
    for (int f = 0; f < frameCount; ++f)
      for (int bin = 0; bin < matrix.binCount(); ++bin) {
        const CoarseSums expected = correlateBin(reduced.data() + f * length, reducedCount(n),
                                                 phaseIncrement(coarseBinFrequency(bin)), *table);
        const std::int32_t* got = sums.data() + static_cast<std::size_t>(f) * matrix.rowCount();
        ASSERT_EQ(got[2 * bin], expected.sumCos) << "n " << n << " frame " << f << " bin " << bin;
        ASSERT_EQ(got[2 * bin + 1], expected.sumSin)
            << "n " << n << " frame " << f << " bin " << bin;
      }
    // Silence and quiet noise allow every depth; the kernels must be exact at each.
    std::vector<std::int16_t> quiet(4 * static_cast<std::size_t>(length));
    for (int f = 0; f < 4; ++f)
      std::copy_n(reduced.data() + (f % 2) * length, length, quiet.data() + f * length);
    for (const int depth : {2, 4, 8}) {
      std::vector<std::int32_t> quietSums(4 * static_cast<std::size_t>(matrix.rowCount()));
      kernels().coarseSums(matrix.rows(), matrix.rowCount(), quiet.data(), 4, length, depth,
                           quietSums.data());
      for (int f = 0; f < 4; ++f)
        for (int r = 0; r < 2 * matrix.binCount(); ++r)
          ASSERT_EQ(quietSums[f * matrix.rowCount() + r], sums[(f % 2) * matrix.rowCount() + r])
              << "n " << n << " depth " << depth;
    }
  }
}

// The reduced frames of variedFrames, `length` values each, with some that
// test the bounds hardest: one value alone (every bin ties), values of +-1, and
// quiet and loud tones at the top and bottom of the search.
std::vector<std::vector<std::int16_t>> reducedFrames(int n, int length) {
  auto frames = variedFrames(n);
  auto add = [&](auto value) {
    std::vector<std::int32_t> frame(n);
    for (int k = 0; k < n; ++k) frame[k] = value(k);
    frames.push_back(frame);
  };
  add([](int k) { return k == 0 ? 20'000 * 512 : 0; });
  add([n](int k) { return k == n / 2 ? -512 : 0; });
  Random random(n + 1);
  add([&](int) { return static_cast<std::int32_t>(random.next() % 3) * 512 - 512; });
  // Tones of a few reduced units, where the floors of the products outweigh the
  // tone in many bins, at several phases.
  for (const double phase : {0.0, 1.0, 2.5, 4.0})
    for (const double level : {700.0, 1'100.0})
      add([&](int k) {
        return static_cast<std::int32_t>(level * std::sin(phase + kTwoPi * 1'000.0 * k / 44'100));
      });
  for (const double hz : {55.0, 57.3, 7'963.0, 9'000.0})
    for (const double level : {3e3, 8e6})
      add([&](int k) {
        return static_cast<std::int32_t>(level * std::sin(kTwoPi * hz * k / 44'100));
      });
  std::vector<std::vector<std::int16_t>> reduced;
  for (const auto& frame : frames) {
    reduced.emplace_back(length, 0);
    reduceFrame(frame.data(), n, reduced.back().data());
  }
  return reduced;
}

TEST_P(EachTarget, BoundSumsAreTheByteProducts) {
  if (kernels().boundSums == nullptr) GTEST_SKIP() << "no bounds on this set";
  auto table = std::make_unique<SineCosineTable>();
  buildSineCosineTable(*table);
  for (const int n : {735, 2205}) {
    const CoarseMatrix matrix(n, *table);
    const int length = matrix.paddedLength();
    const auto frames = reducedFrames(n, length);
    const int count = static_cast<int>(frames.size()) / kCoarseGroup * kCoarseGroup;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) * length, 128);
    for (int f = 0; f < count; ++f) {
      const std::vector<std::int16_t>& r = frames[f];
      std::uint8_t* b = bytes.data() + static_cast<std::size_t>(f) * length;
      const ByteFrame cut = kernels().toBytes(r.data(), length, b);
      const int nonZero =
          static_cast<int>(std::count_if(r.begin(), r.end(), [](int v) { return v != 0; }));
      ASSERT_EQ(cut.nonZero, nonZero) << n << " " << f;
      if (nonZero == 0) continue;
      // The lengths the bound relies on are at least the true ones.
      long double bytesSquared = 0, leftOutSquared = 0;
      for (int k = 0; k < length; ++k) {
        const int q = b[k] - cut.offset;
        ASSERT_LT(std::abs(q), cut.offset);
        bytesSquared += static_cast<long double>(q) * q;
        const long double leftOut = r[k] - static_cast<long double>(cut.step) * q;
        leftOutSquared += leftOut * leftOut;
      }
      EXPECT_GE(static_cast<long double>(cut.byteLength), std::sqrt(bytesSquared)) << n << " " << f;
      EXPECT_GE(static_cast<long double>(cut.leftOutLength), std::sqrt(leftOutSquared))
          << n << " " << f;
      // Cutting loses little: the left-out part is a small share of the frame
      // (with 63 steps a side, under 1 % for even values).
      long double frameSquared = 0;
      for (const int v : r) frameSquared += static_cast<long double>(v) * v;
      EXPECT_LE(cut.leftOutLength, 0.02 * std::sqrt(frameSquared) + 1.0) << n << " " << f;
    }
    std::vector<std::int32_t> sums(static_cast<std::size_t>(count) * matrix.rowCount());
    kernels().boundSums(matrix.boundRows(), matrix.rowCount(), bytes.data(), count, length,
                        sums.data());
    for (int f = 0; f < count; ++f)
      for (int row = 0; row < matrix.rowCount(); ++row) {
        // Row i of a group keeps columns 4p .. 4p + 3 at 64p + 4i of the group.
        const std::int8_t* group =
            matrix.boundRows() + static_cast<std::size_t>(row / kGroupRows) * kGroupRows * length;
        std::int64_t expected = 0;
        for (int k = 0; k < length; ++k) {
          const int c = group[(k / 4) * 64 + (row % kGroupRows) * 4 + k % 4];
          ASSERT_LE(std::abs(c), 127);
          expected += c * bytes[static_cast<std::size_t>(f) * length + k];
        }
        ASSERT_EQ(sums[static_cast<std::size_t>(f) * matrix.rowCount() + row], expected)
            << n << " frame " << f << " row " << row;
      }
  }
}

// Every bin's exact sums lie within the bound, on the frames above and on frames
// made to defeat it: +-1 wherever a row is positive, so that no product's floor
// takes anything off, or wherever it is negative, so that each takes almost one.
TEST_P(EachTarget, BoundsHoldEveryBinsExactSums) {
  if (kernels().boundSums == nullptr) GTEST_SKIP() << "no bounds on this set";
  auto table = std::make_unique<SineCosineTable>();
  buildSineCosineTable(*table);
  const int n = 735;
  const CoarseMatrix matrix(n, *table);
  const int length = matrix.paddedLength();
  auto frames = reducedFrames(n, length);
  for (const int bin : {0, 300, 1'050})
    for (const int sign : {1, -1}) {
      std::vector<std::int16_t> frame(length, 0);
      std::uint32_t accumulator = 0;
      for (int k = 0; k < reducedCount(n); ++k) {
        const int c = cosineHalf((*table)[accumulator >> 16]);
        frame[k] = static_cast<std::int16_t>(c * sign > 0 ? sign : 0);
        accumulator += phaseIncrement(coarseBinFrequency(bin));
      }
      frames.push_back(frame);
    }
  while (frames.size() % kCoarseGroup != 0) frames.push_back(frames.front());
  const int count = static_cast<int>(frames.size());
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) * length, 128);
  std::vector<ByteFrame> cuts;
  for (int f = 0; f < count; ++f)
    cuts.push_back(kernels().toBytes(frames[f].data(), length, bytes.data() + f * length));
  std::vector<std::int32_t> sums(static_cast<std::size_t>(count) * matrix.rowCount());
  kernels().boundSums(matrix.boundRows(), matrix.rowCount(), bytes.data(), count, length,
                      sums.data());
  const BoundRows rows{matrix.boundRowSums(), matrix.rowLengths(), matrix.remainderLengths()};
  std::vector<double> room(matrix.binCount() + kPairBins);
  std::vector<std::uint8_t> pairs(matrix.rowCount() / (2 * kGroupRows));
  for (int f = 0; f < count; ++f) {
    if (cuts[f].nonZero == 0) continue;
    kernels().markPossible(rows, cuts[f], sums.data() + f * matrix.rowCount(), matrix.binCount(), n,
                           room.data(), pairs.data());
    const int winner = coarseSearch(frames[f].data(), n, *table);
    EXPECT_EQ(pairs[winner / kPairBins], 1) << "frame " << f;
    for (int bin = 0; bin < matrix.binCount(); ++bin) {
      const CoarseSums exact = correlateBin(frames[f].data(), reducedCount(n),
                                            phaseIncrement(coarseBinFrequency(bin)), *table);
      const double c = exact.sumCos;
      const double s = exact.sumSin;
      ASSERT_LE(c * c + s * s, room[bin]) << "frame " << f << " bin " << bin;
    }
  }
}

TEST_P(EachTarget, TileSumsAreTheCoarseSumsOfTheirTiles) {
  if (kernels().tileSums == nullptr) GTEST_SKIP() << "no tiles on this set";
  auto table = std::make_unique<SineCosineTable>();
  buildSineCosineTable(*table);
  const CoarseMatrix matrix(1'470, *table);
  const int length = matrix.paddedLength();
  const int rowCount = matrix.rowCount();
  const auto frames = reducedFrames(1'470, length);
  const int count = static_cast<int>(frames.size()) / kCoarseGroup * kCoarseGroup;
  std::vector<std::int16_t> packed;
  for (int f = 0; f < count; ++f) packed.insert(packed.end(), frames[f].begin(), frames[f].end());
  // Pairs first and last, tiles of one to four frames, a frame in several tiles.
  const int last = rowCount / (2 * kGroupRows) - 1;
  const std::vector<CoarseTile> tiles = {
      {0, 4, {0, 1, 2, 3}}, {0, 1, {5}}, {3, 2, {4, 9}}, {last, 3, {2, 8, 6}}, {last, 1, {7}}};
  for (const int depth : {2, 8}) {
    std::vector<std::int32_t> all(static_cast<std::size_t>(count) * rowCount);
    std::vector<std::int32_t> got(all.size(), 12'345);
    kernels().coarseSums(matrix.rows(), rowCount, packed.data(), count, length, 2, all.data());
    // Depth 8 holds only for the quiet frames; tiles at that depth take those alone.
    std::vector<CoarseTile> chosen;
    for (const CoarseTile& tile : tiles) {
      bool quiet = true;
      for (int i = 0; i < tile.frameCount; ++i)
        quiet = quiet && coarseDepth(frames[tile.frames[i]].data(), length) == 8;
      if (depth == 2 || quiet) chosen.push_back(tile);
    }
    ASSERT_FALSE(chosen.empty());
    kernels().tileSums(matrix.rows(), rowCount, packed.data(), length, depth, chosen.data(),
                       static_cast<int>(chosen.size()), got.data());
    std::vector<bool> covered(all.size(), false);
    for (const CoarseTile& tile : chosen)
      for (int i = 0; i < tile.frameCount; ++i)
        for (int r = 0; r < 2 * kGroupRows; ++r)
          covered[static_cast<std::size_t>(tile.frames[i]) * rowCount + tile.pair * 2 * kGroupRows +
                  r] = true;
    for (std::size_t i = 0; i < all.size(); ++i)
      ASSERT_EQ(got[i], covered[i] ? all[i] : 12'345) << "depth " << depth << " at " << i;
  }
}

// The batch's winners are the literal search's, whichever bins it skips, and it
// skips most of them where one component stands out.
TEST_P(EachTarget, BatchesFindTheLiteralWinnerFromFewPairs) {
  auto table = std::make_unique<SineCosineTable>();
  buildSineCosineTable(*table);
  for (const int n : {735, 2940}) {
    const CoarseMatrix matrix(n, *table);
    const int length = matrix.paddedLength();
    const auto reduced = reducedFrames(n, length);
    const auto frames = variedFrames(n);
    std::vector<std::vector<std::int32_t>> all = frames;
    // reducedFrames' extra frames again, as analyser values.
    for (std::size_t f = frames.size(); f < reduced.size(); ++f) {
      std::vector<std::int32_t> frame(n);
      for (int k = 0; k < n; ++k) frame[k] = reduced[f][k] * 512;
      all.push_back(frame);
    }
    std::vector<const std::int32_t*> starts;
    for (const auto& frame : all) starts.push_back(frame.data());
    CoarseBatch batch(matrix, static_cast<int>(starts.size()));
    std::vector<int> got(starts.size());
    batch.findBestBins(kernels(), starts.data(), static_cast<int>(starts.size()), got.data());
    for (std::size_t f = 0; f < starts.size(); ++f)
      ASSERT_EQ(got[f], coarseSearch(reduced[f].data(), n, *table)) << "n " << n << " frame " << f;

    // A loud tone alone: a few pairs around it are worked out, the rest proven to lose.
    CoarseBatch tone(matrix, 1);
    const std::int32_t* loud = all[4].data();  // 440 Hz at full scale
    int bin = 0;
    tone.findBestBins(kernels(), &loud, 1, &bin);
    EXPECT_EQ(bin, coarseSearch(reduced[4].data(), n, *table));
    if (kernels().boundSums != nullptr)
      EXPECT_LE(tone.pairsWorkedOut() * 10, tone.pairsMet()) << n;
    else
      EXPECT_EQ(tone.pairsWorkedOut(), tone.pairsMet()) << n;
  }
}

TEST(ReduceValues, RoundAsTheLiteralReduction) {
  std::vector<std::int32_t> frame = {
      0,          255,        256,         -256,          -257,
      767,        768,        -767,        -768,          8'388'352,
      -8'388'608, 16'777'471, -16'777'472, 2'147'483'647, -2'147'483'647 - 1};
  Random random(31);
  for (int i = 0; i < 1'000; ++i) frame.push_back(static_cast<std::int32_t>(random.next()));
  if (frame.size() % 2 == 0) frame.push_back(-5);  // an odd count: one zero follows
  const int n = static_cast<int>(frame.size());
  std::vector<std::int16_t> expected(reducedCount(n) + 1, 7), got = expected;
  reduceFrame(frame.data(), n, expected.data());
  reduceValues(frame.data(), n, got.data());
  EXPECT_EQ(got, expected);
}

TEST(CoarseDepth, KeepsEachGroupsSixteenBitSumInRange) {
  std::vector<std::int16_t> frame(256, 0);
  EXPECT_EQ(coarseDepth(frame.data(), 256), 8);
  // Eight even values of 8,192 in one aligned group of eight pairs fit; one
  // more does not, but half of them (four pairs) do.
  for (int p = 8; p < 16; ++p) frame[2 * p] = 8'192;
  EXPECT_EQ(coarseDepth(frame.data(), 256), 8);
  frame[30] += 1;
  EXPECT_EQ(coarseDepth(frame.data(), 256), 4);
  // Any 16-bit values allow pairs only; so does a full-scale extreme.
  for (auto& v : frame) v = -32'768;
  EXPECT_EQ(coarseDepth(frame.data(), 256), 2);
  for (auto& v : frame) v = 16'384;
  EXPECT_EQ(coarseDepth(frame.data(), 256), 4);
  // Values that would overflow one group fit when they straddle two.
  std::fill(frame.begin(), frame.end(), 0);
  for (int p = 12; p < 20; ++p) frame[2 * p + 1] = 8'193;
  EXPECT_EQ(coarseDepth(frame.data(), 256), 8);
  // Whatever the depth granted, the extreme high halves of a group add up in range.
  Random random(29);
  for (int round = 0; round < 500; ++round) {
    const int level = static_cast<int>(random.next() % 32'769);
    for (auto& v : frame) v = static_cast<std::int16_t>(random.between(-level, level));
    const int depth = coarseDepth(frame.data(), 256);
    for (int first = 0; first < 128; first += depth)
      for (int parity = 0; parity < 2; ++parity) {
        std::int64_t low = 0, high = 0;
        for (int p = first; p < first + depth; ++p) {
          const int r = frame[2 * p + parity];
          low += std::min((r * 32'767) >> 16, (r * -32'767) >> 16);
          high += std::max((r * 32'767) >> 16, (r * -32'767) >> 16);
        }
        ASSERT_GE(low, -32'768) << level;
        ASSERT_LE(high, 32'767) << level;
      }
  }
}

// ---- best bin

TEST_P(EachTarget, BestBinScoresAsTheLiteralSearch) {
  Random random(5);
  for (const int binCount : {1'051, 13, 1}) {
    for (int round = 0; round < 50; ++round) {
      std::vector<std::int32_t> sums(2 * binCount);
      for (auto& s : sums) s = static_cast<std::int32_t>(random.between(-5e6, 5e6));
      if (round % 3 == 1 && binCount > 2) {
        // Ties: the same magnitude in a later bin, and an equal score from other sums.
        const int early = static_cast<int>(random.next() % (binCount / 2));
        const int late = binCount - 1 - static_cast<int>(random.next() % (binCount / 2));
        sums[2 * early] = 6'000'000, sums[2 * early + 1] = 8'000'000;
        sums[2 * late] = -10'000'000, sums[2 * late + 1] = 0;
      }
      if (round % 3 == 2)
        for (auto& s : sums) s = 0;  // every score 0: bin 0
      for (const int n : {735, 2940}) {
        std::int64_t best = -1;
        int expected = 0;
        for (int bin = 0; bin < binCount; ++bin) {
          const std::int64_t score = coarseScore({sums[2 * bin], sums[2 * bin + 1]}, n);
          if (score > best) best = score, expected = bin;
        }
        ASSERT_EQ(kernels().bestBin(sums.data(), binCount, n), expected)
            << binCount << " " << round;
      }
    }
  }
}

// ---- Fourier sums

TEST_P(EachTarget, FourierSumsStayWithinTheirPromisedError) {
  Random random(11);
  for (const int blocks : {1, 12, 23, 46}) {
    std::vector<double> w(static_cast<std::size_t>(blocks) * kFourierBlock);
    for (int round = 0; round < 20; ++round) {
      const double scale = round % 2 ? 2.1e9 : 8e6;
      double magnitude = 0;
      for (auto& x : w) {
        x = std::trunc(random.between(-scale, scale));
        magnitude += std::abs(x);
      }
      const double hz = 55.0 * std::pow(2.0, random.between(0.0, 7.18));
      const double omega = kTwoPi * hz / kSampleRate;
      long double cosExact = 0, sinExact = 0;
      for (std::size_t k = 0; k < w.size(); ++k) {
        const long double angle = static_cast<long double>(k) * omega;
        cosExact += w[k] * std::cos(angle);
        sinExact += w[k] * std::sin(angle);
      }
      double cosSum = 0, sinSum = 0;
      kernels().fourierSums(w.data(), blocks, omega, &cosSum, &sinSum);
      // The budget of kernels.h: 4 + 112 + 2 blocks + 16 units of 2^-53.
      const double allowed = (2.0 * blocks + 132) * 0x1p-53 * magnitude;
      EXPECT_LE(std::abs(cosSum - static_cast<double>(cosExact)), allowed) << blocks << " " << hz;
      EXPECT_LE(std::abs(sinSum - static_cast<double>(sinExact)), allowed) << blocks << " " << hz;
    }
  }
}

// ---- subtraction

TEST(RunningAngles, AreTheRepeatedAdditionsExactly) {
  Random random(3);
  struct Case {
    double start, omega;
  };
  std::vector<Case> cases = {
      {0.0, kTwoPi * 55.0 / kSampleRate},  // from zero
      {kTwoPi * 65'535 / 65'536.0, kTwoPi * 8'000.0 / kSampleRate},
      {1.0, 0.5 + 0x1p-53},  // halfway between two doubles of [1, 2): ties to even
      {3.0, 0x1p-40 * 3 + 0x1p-52},
      {-1.0, 0.25},  // never made, still exact
  };
  for (int i = 0; i < 200; ++i)
    cases.push_back(
        {kTwoPi * static_cast<double>(random.next() % 65'536) / 65'536.0,
         kTwoPi * (static_cast<double>(550 + random.next() % 79'451) / 10.0) / kSampleRate});
  std::vector<double> expected(3'000), got(3'000);
  for (const Case& c : cases) {
    double angle = c.start;
    for (double& e : expected) {
      e = angle;
      angle += c.omega;
    }
    runningAngles(c.start, c.omega, 0, 3'000, got.data());
    ASSERT_EQ(got, expected) << c.start << " " << c.omega;
    runningAngles(c.start, c.omega, 1'234, 700, got.data());
    for (int j = 0; j < 700; ++j) ASSERT_EQ(got[j], expected[1'234 + j]) << c.start << " " << j;
  }
}

TEST_P(EachTarget, SubtractionLeavesTheLiteralResidual) {
  Random random(17);
  FastSubtraction fast(GetParam());
  std::int64_t values = 0;
  for (int round = 0; round < 3'000; ++round) {
    const int n = round % 4 == 0 ? 735 : 1 + static_cast<int>(random.next() % kMaxFrameLength);
    std::vector<std::int32_t> frame(n);
    for (auto& v : frame) v = static_cast<std::int32_t>(random.next());
    std::int32_t amplitude = round % 7 == 0
                                 ? std::numeric_limits<std::int32_t>::max()
                                 : static_cast<std::int32_t>(std::exp(random.between(0, 21.5)));
    if (round % 11 == 0) amplitude = -amplitude;  // never estimated, still subtracted alike
    const VoiceEstimate voice{amplitude, 550 + static_cast<std::int32_t>(random.next() % 79'451),
                              static_cast<std::int32_t>(random.next() % 65'536)};
    std::vector<std::int32_t> expected = frame, got = frame;
    subtractVoice(expected.data(), n, voice);
    fast.subtract(got.data(), n, voice);
    ASSERT_EQ(got, expected) << "round " << round;
    values += n;
  }
  EXPECT_GT(values, 3'000'000);
}

// The largest amplitude below 2^31 whose product with s lies closest to a whole
// number: the denominator of the last fitting convergent of s's continued fraction.
std::int32_t nearWholeAmplitude(double s) {
  long double x = std::abs(s);
  std::int64_t q0 = 1, q1 = 0;  // the denominators of the last two convergents
  for (int i = 0; i < 64 && x < 1e18L; ++i) {
    const long double whole = std::floor(x);
    const std::int64_t q2 = static_cast<std::int64_t>(whole) * q1 + q0;
    if (q2 > std::numeric_limits<std::int32_t>::max()) break;
    q0 = q1, q1 = q2;
    if (x - whole < 1e-15L) break;
    x = 1 / (x - whole);
  }
  return static_cast<std::int32_t>(q1);
}

// Products that lie within a hair of a whole number are where a vector sine and
// the C library's may truncate differently; the kernels must follow the latter.
TEST_P(EachTarget, NearWholeProductsTruncateAsTheCLibrary) {
  Random random(23);
  int tried = 0;
  for (int i = 0; i < 3'000; ++i) {
    const double angle = random.between(0, 3'300);
    const std::int32_t amplitude = nearWholeAmplitude(std::sin(angle));
    if (amplitude < 1'000'000) continue;
    const std::vector<double> angles(8, angle);
    std::vector<std::int32_t> got(8, 0);
    kernels().subtractSines(got.data(), angles.data(), 8, amplitude);
    const auto piece = static_cast<std::int32_t>(std::sin(angle) * amplitude);
    for (const std::int32_t g : got) ASSERT_EQ(g, -piece) << angle << " " << amplitude;
    ++tried;
  }
  EXPECT_GT(tried, 2'000);
}

}  // namespace
}  // namespace analyser
