// bench-jobs: times whole analysis jobs on sounds it makes itself.
//
//   job (i)   3 minutes at 1/15 s, stagger, one pass          (16,206 estimations)
//   job (ii) 10 minutes at 1/60 s, stagger, optimise, stereo (864,024 estimations)
//
// each on a speech-like and a music-like sound, printing seconds, estimations
// per second and the job's peak memory. Each job runs in a process of its own
// (this program, called again), so that the peak is the job's alone. With
// --oracle it also times the literal estimator on a 10-second sound, and the
// fast one on the same, and prints the ratio.
//
// Options: --threads N (0, the default: every hardware thread),
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
#include "support/wave_builder.h"

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
  std::string simd = analyser::simdTargetName(analyser::bestSimdTarget());
  std::string only;
  bool oracle = false;
};

// What one job is, as passed to the process that runs it.
struct Job {
  std::string label;  // "(i) speech"
  std::string path;
  int unit = 15;
  bool optimise = false;
  bool literal = false;
  double estimations = 0;
  std::string result;  // where the job's process leaves its time in seconds
};

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
  sounds::WaveSpec shape;
  shape.channels = static_cast<std::uint16_t>(channels);
  shape.samples = std::move(samples);
  const std::vector<unsigned char> bytes = sounds::buildWave(shape);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::int16_t> soundOf(const std::string& kind, double seconds) {
  return kind == "speech" ? sounds::speechLike(seconds, 11) : sounds::musicLike(seconds, 12);
}

// In the job's own process: runs it and prints one line.
int runOne(const Options& options, const Job& job) {
  SilentHost host;
  Analyser analyser(host);
  analyser.setThreadCount(options.threads);
  analyser.setSimdTarget(*analyser::simdTargetNamed(options.simd));
  analyser.setLiteralMethods(job.literal);
  AnalysisControls controls;
  controls.pathText = job.path;
  controls.unit20 = job.unit == 20;
  controls.unit30 = job.unit == 30;
  controls.unit60 = job.unit == 60;
  controls.optimiseOff = !job.optimise;
  const auto start = std::chrono::steady_clock::now();
  analyser.runAnalysisJob(controls);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (host.message != analyser::kFinished) {
    std::fprintf(stderr, "bench-jobs: the job failed: %s\n", host.message.c_str());
    return 1;
  }
  std::printf("job %-11s %7.2f s %10.0f estimations/s %7.1f us each  peak %4.0f MB\n",
              job.label.c_str(), seconds, job.estimations / seconds,
              1e6 * seconds / job.estimations, peakMemoryMegabytes());
  std::fflush(stdout);
  if (!job.result.empty()) std::ofstream(job.result) << seconds << "\n";
  return 0;
}

std::string quoted(const std::string& text) {
  return "'" + text + "'";
}

// Runs a job in a fresh process of this program; false when it failed.
bool runApart(const std::string& self, const Options& options, const Job& job) {
  const std::string command =
      quoted(self) + " --run " + quoted(job.path) + " --label " + quoted(job.label) + " --unit " +
      std::to_string(job.unit) + (job.optimise ? " --optimise" : "") +
      (job.literal ? " --literal" : "") + " --estimations " +
      std::to_string(static_cast<long long>(job.estimations)) + " --threads " +
      std::to_string(options.threads) + " --simd " + options.simd +
      (job.result.empty() ? "" : " --result " + quoted(job.result));
  return std::system(command.c_str()) == 0;
}

bool parse(int argc, char** argv, Options& options, Job& one, bool& isChild) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--threads" && hasValue) {
      options.threads = std::atoi(argv[++i]);
    } else if (arg == "--simd" && hasValue) {
      options.simd = argv[++i];
      const auto target = analyser::simdTargetNamed(options.simd);
      if (!target || !analyser::simdTargetAvailable(*target)) return false;
    } else if (arg == "--only" && hasValue) {
      options.only = argv[++i];
    } else if (arg == "--oracle") {
      options.oracle = true;
    } else if (arg == "--run" && hasValue) {  // the rest: a job's own process
      isChild = true;
      one.path = argv[++i];
    } else if (arg == "--label" && hasValue) {
      one.label = argv[++i];
    } else if (arg == "--unit" && hasValue) {
      one.unit = std::atoi(argv[++i]);
    } else if (arg == "--optimise") {
      one.optimise = true;
    } else if (arg == "--literal") {
      one.literal = true;
    } else if (arg == "--estimations" && hasValue) {
      one.estimations = std::atof(argv[++i]);
    } else if (arg == "--result" && hasValue) {
      one.result = argv[++i];
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  Job one;
  bool isChild = false;
  if (!parse(argc, argv, options, one, isChild)) {
    std::fprintf(stderr,
                 "usage: bench-jobs [--threads N] [--simd portable|avx2|avx512] [--only i|ii] "
                 "[--oracle]\n");
    return 2;
  }
  if (isChild) return runOne(options, one);

  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("tonalyx-bench-" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::filesystem::create_directories(dir);
  std::printf("%s, %s, %s threads\n", cpuModel().c_str(), options.simd.c_str(),
              options.threads == 0 ? "all hardware" : std::to_string(options.threads).c_str());
  std::fflush(stdout);

  std::vector<Job> jobs;
  for (const std::string kind : {"speech", "music"}) {
    if (options.only != "ii") {
      const std::string path = (dir / ("i-" + kind + ".wav")).string();
      writeWave(path, soundOf(kind, 180), 1);
      jobs.push_back({"(i) " + kind, path, 15, false, false, 16'206, ""});
    }
    if (options.only != "i") {
      const std::string path = (dir / ("ii-" + kind + ".wav")).string();
      writeWave(path, sounds::stereoFrom(soundOf(kind, 600)), 2);
      jobs.push_back({"(ii) " + kind, path, 60, true, false, 864'024, ""});
    }
  }
  if (options.oracle) {
    const std::string path = (dir / "oracle.wav").string();
    writeWave(path, soundOf("music", 10), 1);
    // 10 s at 1/15 s: 151 frames, six voices.
    jobs.push_back({"10 s fast", path, 15, false, false, 906, (dir / "fast.txt").string()});
    jobs.push_back({"10 s literal", path, 15, false, true, 906, (dir / "literal.txt").string()});
  }
  bool ok = true;
  for (const Job& job : jobs) ok = runApart(self, options, job) && ok;
  if (options.oracle && ok) {
    double fast = 0, literal = 0;
    std::ifstream(dir / "fast.txt") >> fast;
    std::ifstream(dir / "literal.txt") >> literal;
    if (fast > 0)
      std::printf("the fast job is %.0f times as fast as the literal one\n", literal / fast);
  }
  std::filesystem::remove_all(dir);
  return ok ? 0 : 1;
}
