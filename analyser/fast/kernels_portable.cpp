// The kernels in plain C++: the path for machines without AVX2 and FMA, and
// the reference the vector paths are checked against.

#include <cmath>
#include <cstdint>
#include <cstring>

#include "analyser/fast/coarse_bounds.h"
#include "analyser/fast/kernels.h"

namespace analyser {
namespace {

struct Turn {
  double c = 1.0;  // cosine
  double s = 0.0;  // sine
};

Turn operator*(Turn a, Turn b) {
  return {a.c * b.c - a.s * b.s, a.s * b.c + a.c * b.s};
}

void coarseSums(const std::int16_t* rows, int rowCount, const std::int16_t* frames, int frameCount,
                int length, int /*depth*/, std::int32_t* sums) {
  for (int f = 0; f < frameCount; ++f) {
    const std::int16_t* frame = frames + static_cast<std::int64_t>(f) * length;
    for (int r = 0; r < rowCount; ++r) {
      const std::int16_t* row = rows +
                                static_cast<std::int64_t>(r / kGroupRows) * kGroupRows * length +
                                (r % kGroupRows) * 2;
      std::int32_t sum = 0;
      for (int k = 0; k < length; k += 2) {
        sum += (row[k * kGroupRows] * frame[k]) >> 16;
        sum += (row[k * kGroupRows + 1] * frame[k + 1]) >> 16;
      }
      sums[static_cast<std::int64_t>(f) * rowCount + r] = sum;
    }
  }
}

void tileSums(const std::int16_t* rows, int rowCount, const std::int16_t* frames, int length,
              int /*depth*/, const CoarseTile* tiles, int tileCount, std::int32_t* sums) {
  for (int t = 0; t < tileCount; ++t) {
    const int first = tiles[t].pair * 2 * kGroupRows;
    const std::int16_t* pairRows = rows + static_cast<std::int64_t>(first) * length;
    for (int i = 0; i < tiles[t].frameCount; ++i) {
      const int f = tiles[t].frames[i];
      coarseSums(pairRows, 2 * kGroupRows, frames + static_cast<std::int64_t>(f) * length, 1,
                 length, 2, sums + static_cast<std::int64_t>(f) * rowCount + first);
    }
  }
}

void boundSums(const std::int8_t* rows, int rowCount, const std::uint8_t* frames, int frameCount,
               int length, std::int32_t* sums) {
  for (int f = 0; f < frameCount; ++f) {
    const std::uint8_t* frame = frames + static_cast<std::int64_t>(f) * length;
    for (int r = 0; r < rowCount; ++r) {
      const std::int8_t* row = rows +
                               static_cast<std::int64_t>(r / kGroupRows) * kGroupRows * length +
                               (r % kGroupRows) * kBoundColumns;
      std::int32_t sum = 0;
      for (int k = 0; k < length; k += kBoundColumns)
        for (int i = 0; i < kBoundColumns; ++i) sum += row[k * kGroupRows + i] * frame[k + i];
      sums[static_cast<std::int64_t>(f) * rowCount + r] = sum;
    }
  }
}

int bestBin(const std::int32_t* sums, int binCount, int n) {
  std::int64_t best = -1;
  int winner = 0;
  for (int bin = 0; bin < binCount; ++bin) {
    const double c = sums[2 * bin];
    const double s = sums[2 * bin + 1];
    const auto score = static_cast<std::int64_t>(std::sqrt(c * c + s * s) * 4 * 512 / n);
    if (score > best) {
      best = score;
      winner = bin;
    }
  }
  return winner;
}

// k x omega for k = 1 .. 8 times `step`, each formed without rounding: omega is
// split into a head of at most 41 significant bits, whose product with k < 4,096
// is exact, and a tiny tail that enters as a first-order correction.
void baseTurns(double omega, int step, Turn* turns) {
  std::uint64_t bits;
  std::memcpy(&bits, &omega, sizeof bits);
  bits &= ~std::uint64_t{0xFFF};
  double head;
  std::memcpy(&head, &bits, sizeof head);
  const double tail = omega - head;
  turns[0] = Turn{};
  for (int i = 1; i <= 8; ++i) {
    const double k = i * step;
    const double s = std::sin(k * head);
    const double c = std::cos(k * head);
    turns[i] = {c - k * tail * s, s + k * tail * c};
  }
}

void fourierSums(const double* w, int blocks, double omega, double* cosSum, double* sinSum) {
  Turn near[9];  // j omega, j = 0 .. 8
  Turn far[9];   // 64 q omega, q = 0 .. 8
  baseTurns(omega, 1, near);
  baseTurns(omega, kFourierBlock, far);
  Turn inBlock[kFourierBlock];
  Turn eight{};
  for (int m = 0; m < 8; ++m) {
    for (int j = 0; j < 8; ++j) inBlock[8 * m + j] = eight * near[j];
    eight = eight * near[8];
  }
  Turn blockStart[kMaxFourierBlocks];
  Turn big{};
  for (int p = 0; p * 8 < blocks; ++p) {
    for (int q = 0; q < 8 && 8 * p + q < blocks; ++q) blockStart[8 * p + q] = big * far[q];
    big = big * far[8];
  }
  constexpr int kLanes = 8;
  double cosLanes[kLanes] = {};
  double sinLanes[kLanes] = {};
  for (int i = 0; i < blocks; ++i) {
    const double* x = w + i * kFourierBlock;
    for (int lane = 0; lane < kLanes; ++lane) {
      double a = 0.0;
      double b = 0.0;
      for (int j = lane; j < kFourierBlock; j += kLanes) {
        a += x[j] * inBlock[j].c;
        b += x[j] * inBlock[j].s;
      }
      cosLanes[lane] += blockStart[i].c * a - blockStart[i].s * b;
      sinLanes[lane] += blockStart[i].s * a + blockStart[i].c * b;
    }
  }
  double c = 0.0;
  double s = 0.0;
  for (int lane = 0; lane < kLanes; ++lane) {
    c += cosLanes[lane];
    s += sinLanes[lane];
  }
  *cosSum = c;
  *sinSum = s;
}

void subtractSines(std::int32_t* values, const double* angles, int count, double amplitude) {
  for (int i = 0; i < count; ++i) {
    const auto piece = static_cast<std::int32_t>(std::sin(angles[i]) * amplitude);
    values[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(values[i]) -
                                          static_cast<std::uint32_t>(piece));
  }
}

}  // namespace

const Kernels& portableKernels() {
  static const Kernels kernels{coarseSums,       tileSums, boundSums,   bytesOf<127>,
                               markPossibleBins, bestBin,  fourierSums, subtractSines};
  return kernels;
}

}  // namespace analyser
