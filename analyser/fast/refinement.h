#pragma once
// The six refinement stages with fast Fourier sums. The sums are formed in
// double precision from sines and cosines, accurate to a few units in the last
// place, of whole blocks of angles, so they differ from the literal sums only
// in their last bits. Each candidate's score and phase come with a bound on
// that difference:
// where the bound leaves a score or the winner's phase in doubt, and only
// there, the literal evaluation decides. The estimates are thereby identical to
// the literal estimator's, whatever the instruction set.

#include <array>
#include <cstdint>

#include "analyser/estimator.h"
#include "analyser/fast/aligned_buffer.h"
#include "analyser/fast/kernels.h"

namespace analyser {

class Refiner {
 public:
  // For frames of n values (1 <= n <= kMaxFrameLength).
  explicit Refiner(int n);

  // Takes the frame whose estimate is refined next.
  void load(const std::int32_t* frame);
  // The six stages from the coarse winner, on the frame last loaded.
  VoiceEstimate refine(const Kernels& kernels, int coarseBin);

  // How many candidates the literal evaluation had to decide so far.
  std::int64_t literalEvaluations() const { return literalEvaluations_; }

 private:
  struct Evaluation;

  Evaluation evaluate(const Kernels& kernels, std::int64_t candidate, double frequency);
  Evaluation* chooseWinner(Evaluation* stage, int count);
  void settlePhase(Evaluation& winner);
  void fourierSums(const Kernels& kernels, double omega, double& re, double& im);
  void settle(Evaluation& e);
  double differenceBound(double omega) const;

  int n_;
  int blocks_;
  AlignedBuffer<double> w_;  // the frame, with zeros up to whole blocks
  double magnitude_ = 0.0;   // the sum of |w|
  std::array<double, kRefinementStages> steps_;
  std::int64_t literalEvaluations_ = 0;
};

}  // namespace analyser
