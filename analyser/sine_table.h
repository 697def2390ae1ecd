#pragma once
// The packed sine and cosine table that drives the coarse search's oscillator:
// 65,536 angles over one turn, each entry 32,767 x sin in its high 16 bits and
// 32,767 x cos in its low 16 bits, both rounded to nearest, halves away from zero.

#include <array>
#include <cstdint>

namespace analyser {

inline constexpr int kTableSize = 65'536;
// The analyser's own spelling of the circle constants.
inline constexpr double kTwoPi = 6.2831853071796;
inline constexpr double kPi = 3.1415926535898;

using SineCosineTable = std::array<std::uint32_t, kTableSize>;

void buildSineCosineTable(SineCosineTable& table);

inline std::int16_t sineHalf(std::uint32_t entry) {
  return static_cast<std::int16_t>(entry >> 16);
}
inline std::int16_t cosineHalf(std::uint32_t entry) {
  return static_cast<std::int16_t>(entry & 0xFFFF);
}

}  // namespace analyser
