#include "analyser/fast/coarse_search.h"

#include <algorithm>
#include <cstdlib>

#include "analyser/estimator.h"

namespace analyser {
namespace {

int countCoarseBins() {
  int bins = 0;
  // The literal search stops at the first bin above 8 kHz; so does this count.
  while (bins < kCoarseBins && coarseBinFrequency(bins) <= kHighestFrequency) ++bins;
  return bins;
}

int roundUp(int value, int step) {
  return (value + step - 1) / step * step;
}

// Where value k of table row `row` lies in the grouped layout (kernels.h).
std::size_t groupedPosition(int row, int k, int length) {
  return static_cast<std::size_t>(row / kGroupRows) * kGroupRows * length +
         static_cast<std::size_t>(k / 2) * 2 * kGroupRows + (row % kGroupRows) * 2 + k % 2;
}

}  // namespace

CoarseMatrix::CoarseMatrix(int n, const SineCosineTable& table)
    : frameLength_(n),
      paddedLength_(roundUp(reducedCount(n), kCoarseChunk)),
      binCount_(countCoarseBins()),
      rowCount_(roundUp(2 * binCount_, kRowMultiple)),
      rows_(static_cast<std::size_t>(rowCount_) * paddedLength_) {
  const int count = reducedCount(n);
  for (int bin = 0; bin < binCount_; ++bin) {
    const std::uint32_t increment = phaseIncrement(coarseBinFrequency(bin));
    std::uint32_t accumulator = 0;
    for (int k = 0; k < count; ++k) {
      const std::uint32_t entry = table[accumulator >> 16];
      rows_[groupedPosition(2 * bin, k, paddedLength_)] = cosineHalf(entry);
      rows_[groupedPosition(2 * bin + 1, k, paddedLength_)] = sineHalf(entry);
      accumulator += increment;
    }
  }
}

CoarseBatch::CoarseBatch(const CoarseMatrix& matrix, int capacity)
    : matrix_(matrix),
      capacity_(roundUp(capacity, kCoarseGroup)),
      reduced_(static_cast<std::size_t>(capacity_) * matrix.paddedLength()),
      sums_(static_cast<std::size_t>(capacity_) * matrix.rowCount()) {}

void CoarseBatch::findBestBins(const Kernels& kernels, const std::int32_t* const* frames, int count,
                               int* bestBins) {
  const int n = matrix_.frameLength();
  const int length = matrix_.paddedLength();
  // Frames beyond `count` in the last group keep what they held; their sums are
  // computed apart from the others' and never read.
  int depth = 8;
  for (int f = 0; f < count; ++f) {
    std::int16_t* reduced = reduced_.data() + static_cast<std::size_t>(f) * length;
    reduceValues(frames[f], n, reduced);  // the padding behind stays zero
    depth = std::min(depth, coarseDepth(reduced, length));
  }
  const int groups = roundUp(count, kCoarseGroup);
  kernels.coarseSums(matrix_.rows(), matrix_.rowCount(), reduced_.data(), groups, length, depth,
                     sums_.data());
  for (int f = 0; f < count; ++f)
    bestBins[f] = kernels.bestBin(sums_.data() + static_cast<std::size_t>(f) * matrix_.rowCount(),
                                  matrix_.binCount(), n);
}

void reduceValues(const std::int32_t* frame, int n, std::int16_t* reduced) {
  // Written on unsigned 32-bit values so that the loop runs many at a time:
  // |t| + 256 fits, and negating the quotient back keeps the same low 16 bits.
  for (int k = 0; k < n; ++k) {
    const std::int32_t t = frame[k];
    const std::uint32_t magnitude =
        t < 0 ? 0u - static_cast<std::uint32_t>(t) : static_cast<std::uint32_t>(t);
    const std::uint32_t quotient = (magnitude + 256u) >> 9;
    const std::uint32_t rounded = t < 0 ? 0u - quotient : quotient;
    reduced[k] = static_cast<std::int16_t>(static_cast<std::uint16_t>(rounded & 0xFFFFu));
  }
  if (n % 2 != 0) reduced[n] = 0;
}

int coarseDepth(const std::int16_t* reduced, int length) {
  const int pairs = length / 2;
  for (const int depth : {8, 4}) {
    bool fits = true;
    for (int first = 0; first < pairs && fits; first += depth) {
      // (r x c) >> 16 with |c| <= 32,767 lies within -ceil(l) .. floor(l),
      // l = |r| x 32,767 / 65,536; the even and the odd values apart.
      const int end = std::min(pairs, first + depth);
      for (int parity = 0; parity < 2 && fits; ++parity) {
        std::uint32_t below = 0;
        std::uint32_t above = 0;
        for (int p = first; p < end; ++p) {
          const auto product =
              static_cast<std::uint32_t>(std::abs(int{reduced[2 * p + parity]})) * 32'767u;
          below += (product + 65'535u) >> 16;
          above += product >> 16;
        }
        fits = below <= 32'768 && above <= 32'767;
      }
    }
    if (fits) return depth;
  }
  return 2;
}

}  // namespace analyser
