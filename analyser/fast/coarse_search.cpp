#include "analyser/fast/coarse_search.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

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

// Where value k of byte row `row` lies in the byte groups (kernels.h).
std::size_t boundPosition(int row, int k, int length) {
  return static_cast<std::size_t>(row / kGroupRows) * kGroupRows * length +
         static_cast<std::size_t>(k / kBoundColumns) * kBoundColumns * kGroupRows +
         (row % kGroupRows) * kBoundColumns + k % kBoundColumns;
}

// c / kBoundScale rounded, halves away from zero: -127 .. 127 for table values.
std::int8_t boundByte(std::int16_t c) {
  const int magnitude = (std::abs(int{c}) + kBoundScale / 2) / kBoundScale;
  return static_cast<std::int8_t>(c < 0 ? -magnitude : magnitude);
}

// A length worked out from a sum of squares, rounded up with room to spare.
double lengthAbove(double squares) {
  return std::sqrt(squares) * (1 + 1e-12);
}

}  // namespace

CoarseMatrix::CoarseMatrix(int n, const SineCosineTable& table)
    : frameLength_(n),
      paddedLength_(roundUp(reducedCount(n), kCoarseChunk)),
      binCount_(countCoarseBins()),
      rowCount_(roundUp(2 * binCount_, kRowMultiple)),
      rows_(static_cast<std::size_t>(rowCount_) * paddedLength_),
      boundRows_(rows_.size()),
      boundRowSums_(rowCount_),
      rowLengths_(rowCount_),
      remainderLengths_(rowCount_) {
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
  for (int row = 0; row < rowCount_; ++row) {
    std::int32_t byteSum = 0;
    std::int64_t squares = 0;
    std::int64_t remainderSquares = 0;
    for (int k = 0; k < paddedLength_; ++k) {
      const std::int16_t c = rows_[groupedPosition(row, k, paddedLength_)];
      const std::int8_t b = boundByte(c);
      boundRows_[boundPosition(row, k, paddedLength_)] = b;
      byteSum += b;
      squares += std::int64_t{c} * c;
      const std::int64_t remainder = c - kBoundScale * std::int64_t{b};
      remainderSquares += remainder * remainder;
    }
    boundRowSums_[row] = byteSum;
    rowLengths_[row] = lengthAbove(static_cast<double>(squares));
    remainderLengths_[row] = lengthAbove(static_cast<double>(remainderSquares));
  }
}

CoarseBatch::CoarseBatch(const CoarseMatrix& matrix, int capacity)
    : matrix_(matrix),
      capacity_(roundUp(capacity, kCoarseGroup)),
      pairCount_(matrix.rowCount() / (2 * kGroupRows)),
      reduced_(static_cast<std::size_t>(capacity_) * matrix.paddedLength()),
      sums_(static_cast<std::size_t>(capacity_) * matrix.rowCount()),
      bytes_(static_cast<std::size_t>(capacity_) * matrix.paddedLength()),
      boundSums_(static_cast<std::size_t>(capacity_) * matrix.rowCount()),
      possible_(static_cast<std::size_t>(capacity_) * pairCount_),
      room_(static_cast<std::size_t>(matrix.binCount()) + kPairBins) {
  if (capacity_ > kMaxCapacity) throw std::invalid_argument("coarse batch too large");
}

void CoarseBatch::findBestBins(const Kernels& kernels, const std::int32_t* const* frames, int count,
                               int* bestBins) {
  const int n = matrix_.frameLength();
  const int length = matrix_.paddedLength();
  int depth = 8;
  for (int f = 0; f < count; ++f) {
    std::int16_t* reduced = reduced_.data() + static_cast<std::size_t>(f) * length;
    reduceValues(frames[f], n, reduced);  // the padding behind stays zero
    depth = std::min(depth, coarseDepth(reduced, length));
  }
  if (kernels.boundSums != nullptr)
    sumWherePossible(kernels, count, depth, bestBins);
  else
    sumEverything(kernels, count, depth, bestBins);
}

void CoarseBatch::sumEverything(const Kernels& kernels, int count, int depth, int* bestBins) {
  // Frames beyond `count` in the last group keep what they held; their sums are
  // computed apart from the others' and never read.
  const int groups = roundUp(count, kCoarseGroup);
  kernels.coarseSums(matrix_.rows(), matrix_.rowCount(), reduced_.data(), groups,
                     matrix_.paddedLength(), depth, sums_.data());
  for (int f = 0; f < count; ++f)
    bestBins[f] = kernels.bestBin(sums_.data() + static_cast<std::size_t>(f) * matrix_.rowCount(),
                                  matrix_.binCount(), matrix_.frameLength());
  pairsMet_ += std::int64_t{count} * pairCount_;
  pairsWorkedOut_ += std::int64_t{count} * pairCount_;
}

void CoarseBatch::sumWherePossible(const Kernels& kernels, int count, int depth, int* bestBins) {
  const int length = matrix_.paddedLength();
  const int rowCount = matrix_.rowCount();
  int active[kMaxCapacity];
  ByteFrame cut[kMaxCapacity];
  int activeCount = 0;
  for (int f = 0; f < count; ++f) {
    const ByteFrame bytes =
        kernels.toBytes(reduced_.data() + static_cast<std::size_t>(f) * length, length,
                        bytes_.data() + static_cast<std::size_t>(activeCount) * length);
    if (bytes.nonZero == 0) {
      bestBins[f] = 0;  // every sum is 0, and the lowest bin wins the tie
      continue;
    }
    active[activeCount] = f;
    cut[activeCount++] = bytes;
  }
  if (activeCount == 0) return;
  // Frames beyond activeCount in the last group hold what they held; their
  // bounds are never read.
  kernels.boundSums(matrix_.boundRows(), rowCount, bytes_.data(),
                    roundUp(activeCount, kCoarseGroup), length, boundSums_.data());
  const BoundRows rows{matrix_.boundRowSums(), matrix_.rowLengths(), matrix_.remainderLengths()};
  std::fill_n(possible_.data(), possible_.size(), std::uint8_t{0});
  for (int i = 0; i < activeCount; ++i)
    kernels.markPossible(rows, cut[i], boundSums_.data() + static_cast<std::size_t>(i) * rowCount,
                         matrix_.binCount(), matrix_.frameLength(), room_.data(),
                         possible_.data() + static_cast<std::size_t>(i) * pairCount_);

  // The pairs of groups that some frame needs, up to four frames to a tile.
  tiles_.clear();
  for (int pair = 0; pair < pairCount_; ++pair) {
    CoarseTile tile;
    tile.pair = pair;
    for (int i = 0; i < activeCount; ++i) {
      if (possible_[static_cast<std::size_t>(i) * pairCount_ + pair] == 0) continue;
      tile.frames[tile.frameCount++] = active[i];
      ++pairsWorkedOut_;
      if (tile.frameCount == 4) {
        tiles_.push_back(tile);
        tile.frameCount = 0;
      }
    }
    if (tile.frameCount != 0) tiles_.push_back(tile);
  }
  pairsMet_ += std::int64_t{activeCount} * pairCount_;
  kernels.tileSums(matrix_.rows(), rowCount, reduced_.data(), length, depth, tiles_.data(),
                   static_cast<int>(tiles_.size()), sums_.data());
  for (int i = 0; i < activeCount; ++i)
    bestBins[active[i]] = bestOfPairs(kernels, active[i],
                                      possible_.data() + static_cast<std::size_t>(i) * pairCount_);
}

// The winner among the bins of the pairs worked out: as the literal search
// takes them in order and keeps the first greatest score.
int CoarseBatch::bestOfPairs(const Kernels& kernels, int f, const std::uint8_t* pairs) const {
  const int n = matrix_.frameLength();
  const std::int32_t* sums = sums_.data() + static_cast<std::size_t>(f) * matrix_.rowCount();
  std::int64_t best = -1;
  int winner = 0;
  for (int pair = 0; pair < pairCount_; ++pair) {
    if (pairs[pair] == 0) continue;
    const int first = pair * kPairBins;
    const int bin = first + kernels.bestBin(sums + 2 * first,
                                            std::min(kPairBins, matrix_.binCount() - first), n);
    const std::int64_t score = coarseScore({sums[2 * bin], sums[2 * bin + 1]}, n);
    if (score > best) {
      best = score;
      winner = bin;
    }
  }
  return winner;
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
