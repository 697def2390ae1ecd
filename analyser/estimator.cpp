#include "analyser/estimator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace analyser {
namespace {

constexpr std::int64_t kStageMultipliers[kRefinementStages] = {4, 16, 64, 256, 1'024, 4'096};
// The phase a frame of zeros gets: with re = 0 the ratio stands in for infinity.
constexpr double kRatioWhenReIsZero = 4'294'967'295.0;

double stageFrequency(double step, std::int64_t candidate) {
  return std::pow(step, static_cast<double>(candidate)) * kLowestFrequency;
}

std::int32_t phaseOf(double re, double im) {
  const double ratio = re == 0.0 ? kRatioWhenReIsZero : im / re;
  const double quarter = re < 0.0 ? 16'384.0 : 49'152.0;
  // Always positive here, so the truncation rounds to nearest.
  const double turns = std::atan(ratio) / kPi / 2 * 65'536.0 + 65'536.5 - quarter;
  return static_cast<std::int32_t>(static_cast<std::int64_t>(turns) & 0xFFFF);
}

}  // namespace

std::int16_t reduceSample(std::int32_t t) {
  // In 64 bits, so that values near the ends of the 32-bit range cannot overflow.
  const std::int64_t wide = t;
  const std::int64_t rounded = wide >= 0 ? (wide + 256) >> 9 : -((-wide + 256) >> 9);
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(rounded & 0xFFFF));
}

void reduceFrame(const std::int32_t* frame, int n, std::int16_t* reduced) {
  for (int k = 0; k < n; ++k) reduced[k] = reduceSample(frame[k]);
  if (n % 2 != 0) reduced[n] = 0;
}

double coarseBinFrequency(int bin) {
  const double step = std::pow(128.0, 1.0 / 1'024);
  return std::pow(step, static_cast<double>(bin)) * kLowestFrequency;
}

std::uint32_t phaseIncrement(double frequency) {
  return static_cast<std::uint32_t>(frequency * 65'536.0 / kSampleRate * 65'536.0 + 0.5);
}

CoarseSums correlateBin(const std::int16_t* reduced, int count, std::uint32_t increment,
                        const SineCosineTable& table) {
  std::uint32_t accumulator = 0;
  std::int32_t sumCos = 0;
  std::int32_t sumSin = 0;
  for (int k = 0; k < count; ++k) {
    const std::uint32_t entry = table[accumulator >> 16];
    // 16 x 16-bit products fit 32 bits; >> is floor division by 65,536.
    sumCos += (reduced[k] * cosineHalf(entry)) >> 16;
    sumSin += (reduced[k] * sineHalf(entry)) >> 16;
    accumulator += increment;  // wraps modulo 2^32 by design
  }
  return {sumCos, sumSin};
}

std::int64_t coarseScore(CoarseSums sums, int n) {
  const double c = sums.sumCos;
  const double s = sums.sumSin;
  const double m = std::sqrt(c * c + s * s);
  return static_cast<std::int64_t>(m * 4 * 512 / n);
}

int coarseSearch(const std::int16_t* reduced, int n, const SineCosineTable& table) {
  const int count = reducedCount(n);
  std::int64_t best = -1;
  int bestBin = 0;
  for (int bin = 0; bin < kCoarseBins; ++bin) {
    const double f = coarseBinFrequency(bin);
    // Frequencies grow with the bin, so every later bin lies above 8 kHz too.
    if (f > kHighestFrequency) break;
    const std::int64_t score =
        coarseScore(correlateBin(reduced, count, phaseIncrement(f), table), n);
    if (score > best) {
      best = score;
      bestBin = bin;
    }
  }
  return bestBin;
}

Candidate evaluateCandidate(const double* w, int n, double frequency) {
  const double omega = kTwoPi * frequency / kSampleRate;
  // The running angle is held in extended precision; the sums in double.
  long double angle = 0.0L;
  double re = 0.0;
  double sinSum = 0.0;
  for (int k = 0; k < n; ++k) {
    re += w[k] * static_cast<double>(std::cos(angle));
    sinSum += w[k] * static_cast<double>(std::sin(angle));
    angle += omega;
  }
  const double im = -sinSum;
  // Bounded by 2 x sqrt(2) x 2^31 for any frame of 32-bit values, so it fits 64 bits.
  const auto score = static_cast<std::int64_t>(2 * std::sqrt(re * re + im * im) / n);
  return {score, phaseOf(re, im)};
}

VoiceEstimate refineEstimate(const double* w, int n, int coarseBin) {
  std::int64_t bestIndex = coarseBin;
  std::int64_t best = -1;
  std::int32_t bestPhase = 0;
  double bestFrequency = kLowestFrequency;
  for (const std::int64_t multiplier : kStageMultipliers) {
    const double step = std::pow(128.0, 1.0 / static_cast<double>(multiplier * 1'024));
    const std::int64_t centre = 4 * bestIndex;
    best = -1;
    for (std::int64_t c = centre - 4; c <= centre + 4; ++c) {
      if (c < 0) continue;
      const double f = stageFrequency(step, c);
      if (f > kHighestFrequency) continue;
      const Candidate candidate = evaluateCandidate(w, n, f);
      if (candidate.score > best) {
        best = candidate.score;
        bestIndex = c;
        bestPhase = candidate.phase;
        bestFrequency = f;
      }
    }
  }
  VoiceEstimate result;
  // Only a frame of huge residual values could score beyond 32 bits.
  result.amplitude = static_cast<std::int32_t>(
      std::min<std::int64_t>(best, std::numeric_limits<std::int32_t>::max()));
  result.frequencyTenths = static_cast<std::int32_t>(bestFrequency * 10.0 + 0.5);
  result.phase = bestPhase;
  return result;
}

VoiceEstimate estimateVoice(const std::int32_t* frame, int n, const SineCosineTable& table) {
  std::array<double, kMaxFrameLength> w;
  std::array<std::int16_t, kMaxFrameLength> reduced;
  for (int k = 0; k < n; ++k) w[k] = frame[k];
  reduceFrame(frame, n, reduced.data());
  return refineEstimate(w.data(), n, coarseSearch(reduced.data(), n, table));
}

}  // namespace analyser
