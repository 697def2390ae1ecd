#pragma once
// The instruction sets the fast analyser has kernels for, which of them this
// machine runs, and the kernels of each. Results are the same on every target;
// only the speed differs. Tests and benchmarks name a target to run it.

#include <optional>
#include <string>
#include <vector>

#include "analyser/fast/kernels.h"

namespace analyser {

enum class SimdTarget { kPortable, kAvx2, kAvx512 };

// The targets this machine can run, the fastest first; kPortable is always among them.
std::vector<SimdTarget> availableSimdTargets();
SimdTarget bestSimdTarget();
bool simdTargetAvailable(SimdTarget target);

// "portable", "avx2", "avx512".
std::string simdTargetName(SimdTarget target);
std::optional<SimdTarget> simdTargetNamed(const std::string& name);

// The kernels of an available target; an unavailable one gets the portable kernels.
const Kernels& kernelsFor(SimdTarget target);

}  // namespace analyser
