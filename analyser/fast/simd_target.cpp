#include "analyser/fast/simd_target.h"

namespace analyser {
namespace {

bool machineRuns(SimdTarget target) {
#if defined(__x86_64__) || defined(__i386__)
  switch (target) {
    case SimdTarget::kPortable:
      return true;
    case SimdTarget::kAvx2:
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    case SimdTarget::kAvx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl") &&
             __builtin_cpu_supports("avx512vnni") && __builtin_cpu_supports("fma");
  }
  return false;
#else
  return target == SimdTarget::kPortable;
#endif
}

}  // namespace

std::vector<SimdTarget> availableSimdTargets() {
  std::vector<SimdTarget> targets;
  for (SimdTarget t : {SimdTarget::kAvx512, SimdTarget::kAvx2, SimdTarget::kPortable})
    if (machineRuns(t)) targets.push_back(t);
  return targets;
}

SimdTarget bestSimdTarget() {
  return availableSimdTargets().front();
}

bool simdTargetAvailable(SimdTarget target) {
  return machineRuns(target);
}

std::string simdTargetName(SimdTarget target) {
  switch (target) {
    case SimdTarget::kAvx2:
      return "avx2";
    case SimdTarget::kAvx512:
      return "avx512";
    case SimdTarget::kPortable:
      break;
  }
  return "portable";
}

std::optional<SimdTarget> simdTargetNamed(const std::string& name) {
  for (SimdTarget t : {SimdTarget::kPortable, SimdTarget::kAvx2, SimdTarget::kAvx512})
    if (simdTargetName(t) == name) return t;
  return std::nullopt;
}

const Kernels& kernelsFor(SimdTarget target) {
  // A set built for a wider instruction set is never touched on a machine without it.
  if (!machineRuns(target)) return portableKernels();
  switch (target) {
    case SimdTarget::kAvx2:
      return avx2Kernels();
    case SimdTarget::kAvx512:
      return avx512Kernels();
    case SimdTarget::kPortable:
      break;
  }
  return portableKernels();
}

}  // namespace analyser
