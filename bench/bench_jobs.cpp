// bench-jobs: times whole analysis jobs on sounds it makes itself.
//
//   job (i)   3 minutes at 1/15 s, stagger, one pass      (16,206 estimations)
//   job (ii) 10 minutes at 1/60 s, stagger, optimise, stereo (864,024 estimations)
//
// each on a speech-like and a music-like sound, printing seconds, estimations
// per second and the peak memory of the job. With --oracle it also times the
// literal estimator on a 10-second sound, and the fast one on the same, and
// prints the ratio. Options: --threads N (0: every hardware thread),
// --simd portable|avx2|avx512, --only i|ii, --oracle.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analyser/analysis_job.h"
#include "analyser/fast/simd_target.h"
#include "analyser/messages.h"
#include "fast_test_sounds.h"
// At -O3, GCC 12 reports an overflow in buildWave's vector copies that is not
// there, a known false positive of that version.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#include "support/wave_builder.h"
#pragma GCC diagnostic pop

namespace {

namespace sounds = testing_support;
using analyser::Analyser;
using analyser::AnalysisControls;

class SilentHost : public analyser::JobHost {
 public:
  void showMessage(const std::string& text, bool) override { message = text; }
  bool openProgress() override { return false; }
  void updateProgress(double) override {}
  void closeProgress() override {}
  void pumpEvents() override {}
  std::string message;
};

struct Options {
  int threads = 0;
  analyser::SimdTarget target = analyser::bestSimdTarget();
  std::string only;
  bool oracle = false;
};

// The peak resident memory is counted from here (Linux keeps it per process).
void resetPeakMemory() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

double peakMemoryMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
  return 0.0;
}

std::string cpuModel() {
  std::ifstream info("/proc/cpuinfo");
  std::string line;
  while (std::getline(info, line))
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  return "unknown";
}

void writeWave(const std::string& path, std::vector<std::int16_t> samples, int channels) {
  sounds::WaveSpec spec;
  spec.channels = static_cast<std::uint16_t>(channels);
  spec.samples = std::move(samples);
  const std::vector<unsigned char> bytes = sounds::buildWave(spec);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

struct Timing {
  double seconds = 0;
  double peakMegabytes = 0;
};

Timing runJob(const Options& options, const AnalysisControls& controls, bool literal) {
  SilentHost host;
  Analyser analyser(host);
  analyser.setThreadCount(options.threads);
  analyser.setSimdTarget(options.target);
  analyser.setLiteralMethods(literal);
  resetPeakMemory();
  const auto start = std::chrono::steady_clock::now();
  analyser.runAnalysisJob(controls);
  const auto end = std::chrono::steady_clock::now();
  if (host.message != analyser::kFinished) {
    std::fprintf(stderr, "bench-jobs: the job failed: %s\n", host.message.c_str());
    std::exit(1);
  }
  return {std::chrono::duration<double>(end - start).count(), peakMemoryMegabytes()};
}

AnalysisControls controlsFor(const std::string& path, int unit, bool optimise) {
  AnalysisControls controls;
  controls.pathText = path;
  controls.unit20 = unit == 20;
  controls.unit30 = unit == 30;
  controls.unit60 = unit == 60;
  controls.staggerOn = true;
  controls.optimiseOff = !optimise;
  return controls;
}

std::vector<std::int16_t> soundOf(const std::string& kind, double seconds) {
  return kind == "speech" ? sounds::speechLike(seconds, 11) : sounds::musicLike(seconds, 12);
}

void benchJob(const Options& options, const std::string& dir, const std::string& name,
              const std::string& kind, double seconds, int unit, bool optimise, bool stereo,
              double estimations) {
  const std::string path = dir + "/" + name + "-" + kind + ".wav";
  std::vector<std::int16_t> samples = soundOf(kind, seconds);
  writeWave(path, stereo ? sounds::stereoFrom(samples) : std::move(samples), stereo ? 2 : 1);
  const Timing t = runJob(options, controlsFor(path, unit, optimise), false);
  std::printf("job (%s) %-6s %6.2f s  %9.0f estimations/s  %6.1f us each  peak %5.0f MB\n",
              name.c_str(), kind.c_str(), t.seconds, estimations / t.seconds,
              1e6 * t.seconds / estimations, t.peakMegabytes);
  std::filesystem::remove(path);
}

void benchOracle(const Options& options, const std::string& dir) {
  const std::string path = dir + "/oracle.wav";
  writeWave(path, sounds::musicLike(10.0, 13), 1);
  const AnalysisControls controls = controlsFor(path, 15, false);
  const Timing fast = runJob(options, controls, false);
  const Timing literal = runJob(options, controls, true);
  std::printf("oracle: 10 s at 1/15 s, one pass: literal %.1f s, fast %.3f s, %.0f times faster\n",
              literal.seconds, fast.seconds, literal.seconds / fast.seconds);
  std::filesystem::remove(path);
}

bool parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--threads" && hasValue) {
      options.threads = std::atoi(argv[++i]);
    } else if (arg == "--simd" && hasValue) {
      const auto target = analyser::simdTargetNamed(argv[++i]);
      if (!target || !analyser::simdTargetAvailable(*target)) return false;
      options.target = *target;
    } else if (arg == "--only" && hasValue) {
      options.only = argv[++i];
    } else if (arg == "--oracle") {
      options.oracle = true;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: bench-jobs [--threads N] [--simd portable|avx2|avx512] [--only i|ii] "
                 "[--oracle]\n");
    return 2;
  }
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("tonalyx-bench-" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::filesystem::create_directories(dir);
  std::printf("%s; %s; %s threads\n", cpuModel().c_str(),
              analyser::simdTargetName(options.target).c_str(),
              options.threads == 0 ? "all hardware" : std::to_string(options.threads).c_str());
  for (const std::string kind : {"speech", "music"}) {
    if (options.only != "ii") benchJob(options, dir, "i", kind, 180, 15, false, false, 16'206);
    if (options.only != "i") benchJob(options, dir, "ii", kind, 600, 60, true, true, 864'024);
  }
  if (options.oracle) benchOracle(options, dir);
  std::filesystem::remove_all(dir);
  return 0;
}
