#pragma once
// The arithmetic of the coarse search's bounds, in plain loops that each
// instruction set's kernel file compiles for itself (kernels.h): everything
// here has internal linkage, so no machine runs code built for a wider set.
//
// A row's exact sum S is the sum of floor(r[k] c[k] / 65,536): P / 65,536 less
// between 0 and one for each value r[k] that is not 0, where P = sum r[k] c[k].
// With r = step q + e and c = s c' + d (q and c' the bytes, s = kBoundScale),
// P = s step sum q c' + sum e c + step sum q d, and the last two terms are at
// most |e| |c| + step |q| |d| (Cauchy-Schwarz). So S lies within a known reach
// of a centre worked out from the byte sum alone; a bin's score then lies
// between those of the least and the greatest sums its two rows allow.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "analyser/fast/kernels.h"

namespace analyser {
namespace {

// `Largest` is the greatest |q|: 127, or 63 where the byte products must
// fit 16 bits in pairs.
template <int Largest>
ByteFrame bytesOf(const std::int16_t* reduced, int length, std::uint8_t* bytes) {
  ByteFrame frame;
  frame.offset = Largest + 1;
  int largest = 0;
  int nonZero = 0;
  for (int k = 0; k < length; ++k) {
    const int r = reduced[k];
    largest = std::max(largest, r < 0 ? -r : r);
    nonZero += r != 0;
  }
  frame.nonZero = nonZero;
  if (nonZero == 0) return frame;
  // q = r x multiplier / 65,536 rounded down after adding a half: within
  // -Largest .. Largest and the products within 32 bits, since |r| <= largest.
  const std::int32_t multiplier = Largest * 65'536 / largest;
  std::int64_t squares = 0;
  std::int64_t products = 0;
  std::int64_t byteSquares = 0;
  for (int k = 0; k < length; ++k) {
    const std::int32_t r = reduced[k];
    const std::int32_t q = (r * multiplier + 32'768) >> 16;
    bytes[k] = static_cast<std::uint8_t>(q + frame.offset);
    squares += r * r;
    products += r * q;
    byteSquares += q * q;
  }
  frame.step = 65'536.0 / multiplier;
  // |r - step q|^2 = sum r^2 - 2 step sum r q + step^2 sum q^2; the integers are
  // exact, and the few roundings of the doubles stay far below the room added.
  const double r2 = static_cast<double>(squares);
  const double leftOut = r2 - 2 * frame.step * static_cast<double>(products) +
                         frame.step * frame.step * static_cast<double>(byteSquares);
  frame.leftOutLength = std::sqrt(std::max(0.0, leftOut) + r2 * 1e-12 + 1e-9);
  frame.byteLength = std::sqrt(static_cast<double>(byteSquares)) * (1 + 1e-12);
  return frame;
}

void markPossibleBins(const BoundRows& rows, const ByteFrame& frame, const std::int32_t* boundSums,
                      int binCount, int n, double* room, std::uint8_t* pairs) {
  const double toSum = kBoundScale * frame.step / 65'536.0;
  const double half = frame.nonZero / 2.0;
  const double perLength = frame.leftOutLength / 65'536.0;
  const double perRemainder = frame.step * frame.byteLength / 65'536.0;
  // The least and the greatest |S| a row allows, with room for the roundings of
  // these few steps.
  auto bounds = [&](int row, double& least, double& greatest) {
    // The frame's bytes were q + offset.
    const double q = boundSums[row] - frame.offset * rows.byteSums[row];
    const double centre = std::abs(toSum * q - half);
    const double reach =
        perLength * rows.lengths[row] + perRemainder * rows.remainderLengths[row] + half;
    const double slack = 1e-9 * (centre + reach) + 1e-6;
    greatest = centre + reach + slack;
    least = std::max(0.0, centre - reach - slack);
  };
  // Bins up to the end of the last pair: the rows are padded with zeros, whose
  // least sums are 0 and whose greatest are never read. Eight running maxima, so
  // that the loop runs eight bins at a time.
  const int paddedBins = (binCount + kPairBins - 1) / kPairBins * kPairBins;
  double* greatestSquares = room;
  constexpr int kLanes = 8;
  double leastOfBest[kLanes] = {};
  for (int first = 0; first < paddedBins; first += kLanes) {
    for (int lane = 0; lane < kLanes; ++lane) {
      const int bin = first + lane;
      double cosLeast, cosGreatest, sinLeast, sinGreatest;
      bounds(2 * bin, cosLeast, cosGreatest);
      bounds(2 * bin + 1, sinLeast, sinGreatest);
      greatestSquares[bin] = cosGreatest * cosGreatest + sinGreatest * sinGreatest;
      leastOfBest[lane] = std::max(leastOfBest[lane], cosLeast * cosLeast + sinLeast * sinLeast);
    }
  }
  const double least = *std::max_element(leastOfBest, leastOfBest + kLanes);
  // The score the winner reaches at least, and the greatest sums a bin needs to
  // reach it; the factors allow for the roundings of the literal score.
  const double sure = std::floor(std::sqrt(least) * 2'048.0 / n * (1 - 1e-12));
  const double needed = sure * n / 2'048.0 * (1 - 1e-12);
  const double neededSquare = needed * needed;
  for (int first = 0; first < binCount; first += kPairBins) {
    const int end = std::min(binCount, first + kPairBins);
    int possible = 0;
    for (int bin = first; bin < end; ++bin) possible |= greatestSquares[bin] >= neededSquare;
    pairs[first / kPairBins] = static_cast<std::uint8_t>(possible);
  }
}

}  // namespace
}  // namespace analyser
