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

namespace {

// Whether `count` high halves (r x c) >> 16 with |c| <= 32,767 add up within
// 16 bits whatever the table holds: each lies within -ceil(l) .. floor(l),
// l = |r| x 32,767 / 65,536. `values` are one lane's: every second value.
bool laneFits(const std::int16_t* values, int count) {
  std::uint32_t below = 0;
  std::uint32_t above = 0;
  for (int i = 0; i < count; ++i) {
    const auto product = static_cast<std::uint32_t>(std::abs(int{values[2 * i]})) * 32'767u;
    below += (product + 65'535u) >> 16;
    above += product >> 16;
  }
  return below <= 32'768 && above <= 32'767;
}

// Whether the kernels' aligned groups of `depth` pairs all fit, both lanes.
bool groupsFit(const std::int16_t* reduced, int length, int depth) {
  const int pairs = length / 2;
  for (int first = 0; first < pairs; first += depth) {
    const int count = std::min(depth, pairs - first);
    if (!laneFits(reduced + 2 * first, count) || !laneFits(reduced + 2 * first + 1, count))
      return false;
  }
  return true;
}

}  // namespace

int coarseDepth(const std::int16_t* reduced, int length) {
  // The largest value alone settles most frames at once: no group of eight pairs
  // of values up to 8,192, or of four up to 16,384, can leave 16 bits.
  int largest = 0;
  for (int k = 0; k < length; ++k) largest = std::max(largest, std::abs(int{reduced[k]}));
  const int surely = largest <= 8'192 ? 8 : largest <= 16'384 ? 4 : 2;
  for (const int depth : {8, 4})
    if (depth > surely && groupsFit(reduced, length, depth)) return depth;
  return surely;
}

}  // namespace analyser
