#pragma once
// The options of one analysis, read anew from the controls at every job.

#include <cstdint>

namespace analyser {

struct AnalysisSettings {
  std::int32_t soundingUnit = 15;       // frames per second: 15, 20, 30 or 60
  std::int32_t samplesPerFrame = 2940;  // 44,100 / soundingUnit
  std::int32_t stagger = 1;             // 1 when the voices' frame grids are staggered
  std::int32_t passCount = 1;           // 1, or 4 with optimise
};

}  // namespace analyser
