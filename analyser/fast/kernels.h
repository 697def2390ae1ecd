#pragma once
// The inner loops that decide the analyser's speed, compiled once for each
// instruction set. The coarse sums and the best bin are exact integers on
// every set, and so are the subtracted pieces (see subtractSines). The Fourier
// sums of the refinement may differ in their last bits from set to set; the
// refiner allows for that. Each set keeps within the bound the refiner assumes:
// in units of 2^-53 of sum |w|, four for the base sines and cosines (the vector
// sets' polynomials stayed within 2.1 units in the last place on 16 million
// angles, the C library's within one), at most 112 more for the powers and
// products that build every angle from them, and at most 2 x blocks + 16 for
// the roundings on each value's way into the sums.
//
// The files that define the sets include no project headers but this one and
// coarse_bounds.h, and keep their functions internal, so that no code built for
// a wider instruction set can be shared with, and run by, a machine without it.

#include <cstdint>

namespace analyser {

// Table rows and frames of the coarse correlator are padded to whole chunks.
inline constexpr int kCoarseChunk = 32;
// The coarse kernel takes frames in groups of this many.
inline constexpr int kCoarseGroup = 4;
// The table rows are stored interleaved, a group of kGroupRows rows at a time,
// so that one vector holds the group's values at two neighbouring columns: the
// values of row i of a group at columns 2p and 2p + 1 lie at 32p + 2i and
// 32p + 2i + 1 of the group, and the groups, kGroupRows x length values each,
// follow one another. Sums for sixteen rows then come out side by side, and a
// pair of columns widens into one 32-bit sum as it should.
inline constexpr int kGroupRows = 16;
// Row counts are padded to this many rows.
inline constexpr int kRowMultiple = 2 * kGroupRows;
// The rows of the coarse search's bounds hold bytes, in the same groups but four
// columns at a time: the values of row i of a group at columns 4p .. 4p + 3 lie
// at 64p + 4i .. 64p + 4i + 3 of the group.
inline constexpr int kBoundColumns = 4;
// Their bytes are the table's values c / kBoundScale rounded: -127 .. 127.
inline constexpr int kBoundScale = 258;

// The bins of a pair of row groups: two rows a bin.
inline constexpr int kPairBins = kGroupRows;

// Exact coarse sums wanted for two row groups (rows 2 x kGroupRows x pair on,
// kPairBins bins) against one to four frames, given by their places in the batch.
struct CoarseTile {
  int pair = 0;
  int frameCount = 0;
  int frames[4] = {};
};

// A reduced frame cut to bytes for boundSums: value r becomes a whole q, about
// r / step, from -(offset - 1) to offset - 1, stored as q + offset.
struct ByteFrame {
  int nonZero = 0;  // values that are not 0; none: nothing was written
  int offset = 128;
  double step = 1.0;
  double byteLength = 0.0;     // |q| as a vector, rounded up
  double leftOutLength = 0.0;  // |r - step x q|, rounded up
};

// What a bound needs of each row of the coarse matrix (coarse_search.h): the sum
// of its bytes, its length as a vector and that of what the bytes leave out.
struct BoundRows {
  const std::int32_t* byteSums = nullptr;
  const double* lengths = nullptr;
  const double* remainderLengths = nullptr;
};

// The refinement's Fourier sums run over blocks of this many values.
inline constexpr int kFourierBlock = 64;
// Frames of the refinement hold at most this many blocks.
inline constexpr int kMaxFourierBlocks = 48;

struct Kernels {
  // sums[f * rowCount + r] = sum over k of (row r[k] x frame f[k]) >> 16, each
  // product a 16 x 16-bit product and >> an arithmetic shift. Rows and frames hold
  // `length` values each, the rows in groups (above), the frames one after the
  // other; rowCount is a multiple of kRowMultiple, frameCount of kCoarseGroup
  // and length of kCoarseChunk, up to 65,536.
  // The high halves of `depth` (2, 4 or 8) column pairs, in aligned groups, are
  // added in 16 bits before they are widened: 2 is safe for any frame, 4 and 8
  // only where coarseDepth (coarse_search.h) allows them.
  void (*coarseSums)(const std::int16_t* rows, int rowCount, const std::int16_t* frames,
                     int frameCount, int length, int depth, std::int32_t* sums);

  // The same sums for the chosen tiles only: each tile's rows against each of its
  // frames, written to sums[frame * rowCount + row]. Null where a set has none;
  // the coarse search then computes every sum.
  void (*tileSums)(const std::int16_t* rows, int rowCount, const std::int16_t* frames, int length,
                   int depth, const CoarseTile* tiles, int tileCount, std::int32_t* sums);

  // sums[f * rowCount + r] = sum over k of bound row r[k] x frame f[k], the rows
  // signed bytes from -127 to 127 in the byte groups above, the frames unsigned
  // bytes as this set's toBytes writes them, one after the other (frameCount a
  // multiple of kCoarseGroup); the sums are exact in 32 bits for `length` up to
  // 65,536. Null where it would not pay:
  // the three below are then not used either.
  void (*boundSums)(const std::int8_t* rows, int rowCount, const std::uint8_t* frames,
                    int frameCount, int length, std::int32_t* sums);

  // Cuts `length` reduced values to bytes (above) that this set's boundSums takes.
  ByteFrame (*toBytes)(const std::int16_t* reduced, int length, std::uint8_t* bytes);

  // From one frame's bound sums, marks each pair of row groups (sixteen bins)
  // that holds a bin which may win the frame's coarse search: pairs[p] = 1, else
  // 0. `room` holds binCount + kPairBins values and receives, for each bin b, the
  // greatest |S|^2 that bin allows in room[b]; the sums are padded to whole pairs
  // of groups.
  void (*markPossible)(const BoundRows& rows, const ByteFrame& frame, const std::int32_t* boundSums,
                       int binCount, int n, double* room, std::uint8_t* pairs);

  // The winning bin of one frame's sums (cosine and sine of each bin side by side),
  // scored as the literal coarse search scores them; on a tie the lower bin.
  int (*bestBin)(const std::int32_t* sums, int binCount, int n);

  // The Fourier sums of blocks x kFourierBlock values w at the angles k x omega:
  // cosSum = sum of w[k] cos(k omega), sinSum = sum of w[k] sin(k omega);
  // blocks <= kMaxFourierBlocks, 0 < omega < 2.
  void (*fourierSums)(const double* w, int blocks, double omega, double* cosSum, double* sinSum);

  // values[i] <- values[i] - trunc(sin(angles[i]) x amplitude), the difference wrapping
  // around in 32 bits, with sin(angles[i]) exactly as the C library's std::sin gives
  // it; 0 < |amplitude| <= 2^31 - 1.
  void (*subtractSines)(std::int32_t* values, const double* angles, int count, double amplitude);
};

const Kernels& portableKernels();
const Kernels& avx2Kernels();
const Kernels& avx512Kernels();

}  // namespace analyser
