#include "analyser/sine_table.h"

#include <cmath>

namespace analyser {
namespace {

std::uint16_t scaled(double v) {
  const auto magnitude = static_cast<std::int32_t>(std::abs(v) * 32'767 + 0.5);
  return static_cast<std::uint16_t>(v >= 0 ? magnitude : -magnitude);
}

}  // namespace

void buildSineCosineTable(SineCosineTable& table) {
  for (int j = 0; j < kTableSize; ++j) {
    const double theta = j * kTwoPi / 65'536.0;
    table[j] = std::uint32_t{scaled(std::sin(theta))} << 16 | scaled(std::cos(theta));
  }
}

}  // namespace analyser
