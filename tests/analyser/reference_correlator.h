#pragma once
// The coarse search written plainly, as the yardstick for every faster
// correlator: wide integers, floor division spelled out, the phase accumulator
// reduced modulo 2^32 by hand.

#include <cstdint>
#include <vector>

#include "analyser/estimator.h"
#include "analyser/sine_table.h"

namespace reference {

inline std::int64_t floorDivide(std::int64_t value, std::int64_t by) {
  std::int64_t q = value / by;
  if (value % by != 0 && (value < 0) != (by < 0)) --q;
  return q;
}

// t / 512 to nearest, halves away from zero, then two's-complement 16 bits.
inline std::int16_t reduce(std::int32_t t) {
  const std::int64_t magnitude = t < 0 ? -std::int64_t{t} : std::int64_t{t};
  std::int64_t q = magnitude / 512;
  if (magnitude % 512 >= 256) ++q;
  std::int64_t r = (t < 0 ? -q : q) % 65'536;
  if (r < 0) r += 65'536;
  return static_cast<std::int16_t>(r >= 32'768 ? r - 65'536 : r);
}

inline std::vector<std::int16_t> reduceFrame(const std::vector<std::int32_t>& frame) {
  std::vector<std::int16_t> reduced;
  for (std::int32_t t : frame) reduced.push_back(reduce(t));
  if (reduced.size() % 2 != 0) reduced.push_back(0);
  return reduced;
}

inline analyser::CoarseSums correlate(const std::vector<std::int16_t>& reduced,
                                      std::uint32_t increment,
                                      const analyser::SineCosineTable& table) {
  std::int64_t sumCos = 0;
  std::int64_t sumSin = 0;
  std::uint64_t accumulator = 0;
  for (std::int16_t r : reduced) {
    const std::uint32_t entry = table[accumulator / 65'536];
    std::int64_t sine = entry / 65'536;
    std::int64_t cosine = entry % 65'536;
    if (sine >= 32'768) sine -= 65'536;
    if (cosine >= 32'768) cosine -= 65'536;
    sumCos += floorDivide(r * cosine, 65'536);
    sumSin += floorDivide(r * sine, 65'536);
    accumulator = (accumulator + increment) % 4'294'967'296u;
  }
  return {static_cast<std::int32_t>(sumCos), static_cast<std::int32_t>(sumSin)};
}

// The coarse winner: bins up to 8 kHz, the lower bin on a tie.
inline int bestBin(const std::vector<std::int16_t>& reduced, int n,
                   const analyser::SineCosineTable& table) {
  std::int64_t best = -1;
  int winner = -1;
  for (int bin = 0; bin < analyser::kCoarseBins; ++bin) {
    const double f = analyser::coarseBinFrequency(bin);
    if (f > 8'000.0) continue;
    const std::int64_t score =
        analyser::coarseScore(correlate(reduced, analyser::phaseIncrement(f), table), n);
    if (score > best) {
      best = score;
      winner = bin;
    }
  }
  return winner;
}

}  // namespace reference
