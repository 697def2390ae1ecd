#pragma once
// The coarse search of many frames at once. The table positions the
// correlator visits depend only on the bin and the sample, never on the data,
// so the cosine and sine halves it would fetch are laid out once per frame
// length as rows of 16-bit values; a frame's sums for every bin are then a
// product of that matrix with the reduced frame, with each 16 x 16-bit product
// shifted right by 16 before it is added, exactly as the correlator does.
//
// Most bins cannot win, and a far cheaper product proves it: with the rows and
// the frame cut to bytes, the sums are known to within a bound that holds for
// any values, so only bins whose best possible score reaches the worst score
// another bin is sure of need their exact sums. The winner is the literal one.

#include <cstdint>
#include <vector>

#include "analyser/fast/aligned_buffer.h"
#include "analyser/fast/kernels.h"
#include "analyser/sine_table.h"

namespace analyser {

class CoarseMatrix {
 public:
  // For frames of n values (1 <= n <= kMaxFrameLength).
  CoarseMatrix(int n, const SineCosineTable& table);

  int frameLength() const { return frameLength_; }
  // The reduced frame's count rounded up to whole kernel chunks; rows and frames are
  // padded with zeros to it.
  int paddedLength() const { return paddedLength_; }
  // The bins up to 8 kHz, 1,051 of them.
  int binCount() const { return binCount_; }
  // Row 2b holds bin b's cosine halves, row 2b + 1 its sines; zero rows pad the count
  // to a multiple of kRowMultiple.
  int rowCount() const { return rowCount_; }
  // The rows in the grouped layout the kernels read (kernels.h).
  const std::int16_t* rows() const { return rows_.data(); }

  // Each value c of the rows as a byte c' = c / kBoundScale rounded, in the byte groups of
  // the bounds (kernels.h), with what a bound needs of every row: the sum of its
  // bytes, the length of the row as a vector and that of what the bytes leave
  // out (c - kBoundScale c'), both rounded up.
  const std::int8_t* boundRows() const { return boundRows_.data(); }
  const std::int32_t* boundRowSums() const { return boundRowSums_.data(); }
  const double* rowLengths() const { return rowLengths_.data(); }
  const double* remainderLengths() const { return remainderLengths_.data(); }

 private:
  int frameLength_;
  int paddedLength_;
  int binCount_;
  int rowCount_;
  AlignedBuffer<std::int16_t> rows_;
  AlignedBuffer<std::int8_t> boundRows_;
  AlignedBuffer<std::int32_t> boundRowSums_;
  AlignedBuffer<double> rowLengths_;
  AlignedBuffer<double> remainderLengths_;
};

// Reusable room for one batch of frames.
class CoarseBatch {
 public:
  static constexpr int kMaxCapacity = 64;
  // capacity <= kMaxCapacity.
  CoarseBatch(const CoarseMatrix& matrix, int capacity);
  int capacity() const { return capacity_; }

  // The winning bin of each of `count` (<= capacity) frames, each given by the
  // address of its first value; on a tie the lower bin, as in the literal search.
  void findBestBins(const Kernels& kernels, const std::int32_t* const* frames, int count,
                    int* bestBins);

  // How many pairs of row groups have met a frame, and how many of them were
  // worked out exactly, since the batch was made.
  std::int64_t pairsMet() const { return pairsMet_; }
  std::int64_t pairsWorkedOut() const { return pairsWorkedOut_; }

 private:
  void sumEverything(const Kernels& kernels, int count, int depth, int* bestBins);
  void sumWherePossible(const Kernels& kernels, int count, int depth, int* bestBins);
  int bestOfPairs(const Kernels& kernels, int f, const std::uint8_t* pairs) const;

  const CoarseMatrix& matrix_;
  int capacity_;
  int pairCount_;
  AlignedBuffer<std::int16_t> reduced_;
  AlignedBuffer<std::int32_t> sums_;
  AlignedBuffer<std::uint8_t> bytes_;
  AlignedBuffer<std::int32_t> boundSums_;
  AlignedBuffer<std::uint8_t> possible_;  // [frame][pair]: may hold the winner
  AlignedBuffer<double> room_;            // for markPossible
  std::vector<CoarseTile> tiles_;
  std::int64_t pairsMet_ = 0;
  std::int64_t pairsWorkedOut_ = 0;
};

// reduceFrame's values (t / 512 rounded, halves away from zero, to 16 bits),
// many at a time: reducedCount(n) values.
void reduceValues(const std::int32_t* frame, int n, std::int16_t* reduced);

// How many pairs of the correlator's high halves may be added in 16 bits for a
// reduced frame of `length` values (2, 4 or 8, see Kernels::coarseSums): the
// kernels add pairs in aligned groups of that many, each lane the even or the
// odd values of a group, so a group's high halves must fit 16 bits whatever
// the table holds.
int coarseDepth(const std::int16_t* reduced, int length);

}  // namespace analyser
