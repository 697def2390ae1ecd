#pragma once
// Finds the single sinusoid that best matches one frame: a coarse integer
// search over 2,048 logarithmic bins (those up to 8 kHz), then six refinement
// stages, each trying nine candidates on a grid four times finer than the last.
// This is the literal reference; faster versions must give identical results.

#include <cstdint>

#include "analyser/sine_table.h"

namespace analyser {

struct VoiceEstimate {
  std::int32_t amplitude = 0;        // signal units, >= 0
  std::int32_t frequencyTenths = 0;  // 550 .. 80,000
  std::int32_t phase = 0;            // of a sine at the frame's first value; 65,536 a turn
};

inline constexpr int kMaxFrameLength = 2940;
inline constexpr double kSampleRate = 44'100.0;
inline constexpr double kLowestFrequency = 55.0;
inline constexpr double kHighestFrequency = 8'000.0;
inline constexpr int kCoarseBins = 2048;
inline constexpr int kRefinementStages = 6;

// `frame` holds n values (1 <= n <= kMaxFrameLength) of the signal or residual.
VoiceEstimate estimateVoice(const std::int32_t* frame, int n, const SineCosineTable& table);

// The parts of an estimation, open so that faster versions can be checked
// against them piece by piece.

// n rounded up to an even count: the reduced frame has one zero more when n is odd.
inline int reducedCount(int n) {
  return (n + 1) & ~1;
}
// t / 512 rounded to nearest, halves away from zero, kept to its low 16 bits.
std::int16_t reduceSample(std::int32_t t);
// Writes reducedCount(n) values.
void reduceFrame(const std::int32_t* frame, int n, std::int16_t* reduced);

// 55 Hz x 128^(bin / 1,024).
double coarseBinFrequency(int bin);
// The 16.16 step through the table that advances `frequency` by one sample.
std::uint32_t phaseIncrement(double frequency);

struct CoarseSums {
  std::int32_t sumCos = 0;
  std::int32_t sumSin = 0;
};
// The integer correlator of one bin over `count` reduced values.
CoarseSums correlateBin(const std::int16_t* reduced, int count, std::uint32_t increment,
                        const SineCosineTable& table);
std::int64_t coarseScore(CoarseSums sums, int n);
// The winning bin of the coarse search; on a tie the lower bin.
int coarseSearch(const std::int16_t* reduced, int n, const SineCosineTable& table);

struct Candidate {
  std::int64_t score = 0;
  std::int32_t phase = 0;
};
// The full-precision Fourier match of `frequency` against the n values of `w`.
Candidate evaluateCandidate(const double* w, int n, double frequency);
// The six refinement stages from the coarse winner.
VoiceEstimate refineEstimate(const double* w, int n, int coarseBin);

}  // namespace analyser
