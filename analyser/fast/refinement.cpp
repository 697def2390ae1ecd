#include "analyser/fast/refinement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace analyser {
namespace {

constexpr std::int64_t kStageMultipliers[kRefinementStages] = {4, 16, 64, 256, 1'024, 4'096};
constexpr double kRatioWhenReIsZero = 4'294'967'295.0;

// The angle's turn position, as the literal phase computes it; trunc of it & 0xFFFF is the phase.
double phaseTurns(double re, double im) {
  const double ratio = re == 0.0 ? kRatioWhenReIsZero : im / re;
  const double quarter = re < 0.0 ? 16'384.0 : 49'152.0;
  return std::atan(ratio) / kPi / 2 * 65'536.0 + 65'536.5 - quarter;
}

std::int32_t phaseFromTurns(double turns) {
  return static_cast<std::int32_t>(static_cast<std::int64_t>(turns) & 0xFFFF);
}

std::int64_t truncated(double x) {
  return static_cast<std::int64_t>(std::max(x, 0.0));
}

}  // namespace

struct Refiner::Evaluation {
  std::int64_t candidate = 0;
  double frequency = 0.0;
  double omega = 0.0;
  double re = 0.0;
  double im = 0.0;
  // The literal score lies in [low, high]; one value once it is known.
  std::int64_t low = 0;
  std::int64_t high = 0;
  bool phaseKnown = false;
  std::int32_t phase = 0;
};

Refiner::Refiner(int n)
    : n_(n),
      blocks_((n + kFourierBlock - 1) / kFourierBlock),
      w_(static_cast<std::size_t>(blocks_) * kFourierBlock) {
  for (int s = 0; s < kRefinementStages; ++s)
    steps_[s] = std::pow(128.0, 1.0 / static_cast<double>(kStageMultipliers[s] * 1'024));
}

void Refiner::load(const std::int32_t* frame) {
  double magnitude = 0.0;
  for (int k = 0; k < n_; ++k) {
    w_[k] = frame[k];
    magnitude += std::abs(w_[k]);
  }
  magnitude_ = magnitude;
}

VoiceEstimate Refiner::refine(const Kernels& kernels, int coarseBin) {
  std::int64_t bestIndex = coarseBin;
  std::int64_t best = -1;
  std::int32_t bestPhase = 0;
  double bestFrequency = kLowestFrequency;
  for (const double step : steps_) {
    const std::int64_t centre = 4 * bestIndex;
    std::array<Evaluation, 9> stage;
    int count = 0;
    for (std::int64_t c = std::max<std::int64_t>(centre - 4, 0); c <= centre + 4; ++c) {
      const double f = std::pow(step, static_cast<double>(c)) * kLowestFrequency;
      if (f > kHighestFrequency) continue;
      stage[count++] = evaluate(kernels, c, f);
    }
    best = -1;
    Evaluation* winner = chooseWinner(stage.data(), count);
    if (winner == nullptr) continue;  // as the literal stages: the last winner stays
    best = winner->low;
    if (!winner->phaseKnown) settlePhase(*winner);
    bestIndex = winner->candidate;
    bestPhase = winner->phase;
    bestFrequency = winner->frequency;
  }
  VoiceEstimate result;
  result.amplitude = static_cast<std::int32_t>(
      std::min<std::int64_t>(best, std::numeric_limits<std::int32_t>::max()));
  result.frequencyTenths = static_cast<std::int32_t>(bestFrequency * 10.0 + 0.5);
  result.phase = bestPhase;
  return result;
}

// The first candidate with the greatest score, as the literal stage picks it.
// Only a candidate that may reach the greatest certain score can win or tie;
// those of them in doubt are settled by the literal evaluation, so the scores
// compared are the literal ones.
Refiner::Evaluation* Refiner::chooseWinner(Evaluation* stage, int count) {
  std::int64_t leastBest = -1;
  for (int i = 0; i < count; ++i) leastBest = std::max(leastBest, stage[i].low);
  for (int i = 0; i < count; ++i)
    if (stage[i].high >= leastBest && stage[i].low != stage[i].high) settle(stage[i]);
  std::int64_t best = -1;
  Evaluation* winner = nullptr;
  for (int i = 0; i < count; ++i) {
    if (stage[i].low > best) {
      best = stage[i].low;
      winner = &stage[i];
    }
  }
  return winner;
}

// The winner's phase from the fast sums, unless the bound leaves it in doubt.
void Refiner::settlePhase(Evaluation& winner) {
  const double bound = differenceBound(winner.omega);
  const double turns = phaseTurns(winner.re, winner.im);
  if (bound == 0.0) {
    winner.phase = phaseFromTurns(turns);  // a frame of zeros: the sums are exact
    return;
  }
  // Sums within `bound` of each other point in directions at most
  // pi/2 x bound / magnitude radians apart, which is 16,384 x bound / magnitude in
  // 65,536ths of a turn; the atan and the scaling round by far less than 1e-9.
  const double magnitude = std::sqrt(winner.re * winner.re + winner.im * winner.im);
  const double slack = 16'384.0 * bound / magnitude + 1e-9;
  // The sign of re, and so the quarter, must be certain, and no whole turn
  // position may lie within reach.
  if (std::abs(winner.re) <= bound || magnitude <= 2 * bound ||
      static_cast<std::int64_t>(turns - slack) != static_cast<std::int64_t>(turns + slack))
    settle(winner);
  else
    winner.phase = phaseFromTurns(turns);
}

Refiner::Evaluation Refiner::evaluate(const Kernels& kernels, std::int64_t candidate,
                                      double frequency) {
  Evaluation e;
  e.candidate = candidate;
  e.frequency = frequency;
  e.omega = kTwoPi * frequency / kSampleRate;
  fourierSums(kernels, e.omega, e.re, e.im);
  const double x = 2 * std::sqrt(e.re * e.re + e.im * e.im) / n_;
  // Both sums may differ from the literal ones by the bound; x then by 2 / n of
  // it, and each side's rounding of x itself by a few units in the last place.
  const double margin = 2 * differenceBound(e.omega) / n_ + x * 0x1p-49;
  e.low = truncated(x - margin);
  e.high = truncated(x + margin);
  return e;
}

void Refiner::settle(Evaluation& e) {
  const Candidate literal = evaluateCandidate(w_.data(), n_, e.frequency);
  e.low = e.high = literal.score;
  e.phase = literal.phase;
  e.phaseKnown = true;
  ++literalEvaluations_;
}

// A bound on how far the fast sums (re, im) may lie from the literal ones, as a
// distance in the plane. Against the exact sums with the angles k x omega, the
// literal running angle, added up in extended precision, strays by at most
// n^2 omega 2^-65, and its cosines, products and sequential sums by (n + 2) 2^-53
// of sum |w|; the fast sums by what the kernels promise (kernels.h:
// 2 blocks + 132 units of 2^-53), taken here with room to spare. The total is
// doubled, and sqrt(2) (both coordinates) is taken as 1.5.
double Refiner::differenceBound(double omega) const {
  const double n = n_;
  const double literal = n * n * omega * 0x1p-65 + (n + 2) * 0x1p-53;
  const double fast = (2.0 * blocks_ + 160) * 0x1p-52;
  return 3.0 * (literal + fast) * magnitude_;
}

void Refiner::fourierSums(const Kernels& kernels, double omega, double& re, double& im) {
  double cosSum = 0.0;
  double sinSum = 0.0;
  kernels.fourierSums(w_.data(), blocks_, omega, &cosSum, &sinSum);
  re = cosSum;
  im = -sinSum;
}

}  // namespace analyser
