// tonalyx-cli: the analyser for scripts and batch work. One WAV file in, one
// track file out, the job's one message on standard output or standard error.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "analyser/analysis_job.h"
#include "analyser/messages.h"
#include "analyser/progress.h"
#include "cli/command_line.h"
#include "track/block_list.h"
#include "track/file_system.h"
#include "track/track_format.h"
#include "track/whole_file.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitJobFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kMaxThreads = 1024;

constexpr char kUsage[] =
    "Usage: tonalyx-cli [--unit 15|20|30|60] [--stagger|--no-stagger]\n"
    "                   [--optimise|--no-optimise] [--threads N] [--summary] [--quiet]\n"
    "                   [--] WAVFILE\n";

constexpr char kHelp[] =
    "\n"
    "Splits a recorded sound into six sinusoidal voices and writes their\n"
    "amplitudes and frequencies, frame by frame, as a track file.\n"
    "\n"
    "WAVFILE must be PCM at 44,100 Hz, 16-bit, mono or stereo, at most ten\n"
    "minutes long. The track file goes beside it, named by cutting the last four\n"
    "characters of the path and adding \".dat\": song.wav gives song.dat. A file of\n"
    "that name is replaced. Trailing white space of WAVFILE is ignored, and its\n"
    "last three letters must be \"wav\" in any case.\n"
    "\n"
    "Options:\n"
    "  --unit N        Frames per second: 15, 20, 30 or 60. The default is 15.\n"
    "  --stagger       Start the voices' frame grids up to three sixtieths of a\n"
    "                  second apart, voice by voice. This is the default.\n"
    "  --no-stagger    Give all six voices the same frame grid.\n"
    "  --optimise      Estimate every voice again against the others: four passes\n"
    "                  instead of one, and four times the work.\n"
    "  --no-optimise   One pass, each voice taking the strongest sinusoid that the\n"
    "                  voices before it left. This is the default.\n"
    "  --threads N     Worker threads for the estimations; 0, the default, means\n"
    "                  one per hardware thread.\n"
    "  --summary       After success, print where the track file went and, for each\n"
    "                  voice, its median frequency and peak amplitude.\n"
    "  -q, --quiet     Do not print the success message.\n"
    "  -h, --help      Print this help and exit.\n"
    "  --version       Print the version and exit.\n"
    "  --              End the options, so that WAVFILE may begin with \"-\".\n"
    "\n"
    "While the analysis runs and standard error is a terminal, a line there shows\n"
    "the estimated remaining time. Ctrl-C stops the analysis at its next progress\n"
    "step; no track file is written then.\n"
    "\n"
    "Example:\n"
    "  tonalyx-cli --unit 30 --optimise --summary voice.wav\n"
    "\n"
    "Exit status:\n"
    "  0  the track file was written; \"終了しました\" on standard output\n"
    "  1  the analysis was refused, failed or stopped; its message on standard error\n"
    "  2  the command line was not understood\n";

// Set by Ctrl-C; the host's pumping turns it into a stop request.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int) {
  interrupted.store(true);
}

struct Options {
  analyser::AnalysisControls controls;
  bool quiet = false;
  bool summary = false;
  bool help = false;
  bool version = false;
  int threads = 0;
  std::string error;  // a usage error when not empty
};

bool parseThreads(const std::string& text, int& threads) {
  if (text.empty() || text.size() > 4) return false;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  threads = std::stoi(text);
  return threads <= kMaxThreads;
}

Options parseOptions(int argc, const char* const* argv) {
  const std::vector<cli::OptionSpec> specs = {
      {"unit", true},    {"stagger"}, {"no-stagger"},        {"optimise"},         {"no-optimise"},
      {"threads", true}, {"summary"}, {"quiet", false, 'q'}, {"help", false, 'h'}, {"version"},
  };
  const cli::CommandLine line = cli::parseCommandLine(argc, argv, specs);
  Options options;
  if (!line.error.empty()) {
    options.error = line.error;
    return options;
  }
  analyser::AnalysisControls& c = options.controls;
  for (const auto& [name, value] : line.options) {
    if (name == "unit") {
      if (value != "15" && value != "20" && value != "30" && value != "60") {
        options.error = "--unit must be 15, 20, 30 or 60, not '" + value + "'";
        return options;
      }
      c.unit20 = value == "20";
      c.unit30 = value == "30";
      c.unit60 = value == "60";
    } else if (name == "stagger" || name == "no-stagger") {
      c.staggerOn = name == "stagger";
    } else if (name == "optimise" || name == "no-optimise") {
      c.optimiseOff = name == "no-optimise";
    } else if (name == "threads") {
      if (!parseThreads(value, options.threads)) {
        options.error = "--threads must be a whole number from 0 to 1024, not '" + value + "'";
        return options;
      }
    } else if (name == "summary") {
      options.summary = true;
    } else if (name == "quiet") {
      options.quiet = true;
    } else if (name == "help") {
      options.help = true;
    } else if (name == "version") {
      options.version = true;
    }
  }
  if (options.help || options.version) return options;
  if (line.arguments.size() != 1) {
    options.error = line.arguments.empty() ? "no WAVFILE given" : "only one WAVFILE at a time";
    return options;
  }
  c.pathText = line.arguments.front();
  return options;
}

// Runs the job in a terminal: the message is kept for the caller, progress is
// drawn on standard error when that is a terminal.
class TerminalHost : public analyser::JobHost {
 public:
  explicit TerminalHost(bool drawProgress) : drawProgress_(drawProgress) {}

  void attach(analyser::Analyser& analyser) { analyser_ = &analyser; }
  const std::string& message() const { return message_; }

  void showMessage(const std::string& text, bool) override { message_ = text; }

  bool openProgress() override {
    if (!drawProgress_) return false;
    started_ = Clock::now();
    open_ = true;
    return true;
  }

  void updateProgress(double remainingSeconds) override {
    // The share done, from the time spent so far and the time still expected.
    const double spent = std::chrono::duration<double>(Clock::now() - started_).count();
    const double total = spent + std::max(remainingSeconds, 0.0);
    const double done = total > 0 ? spent / total : 0.0;
    const int filled = std::clamp(static_cast<int>(done * kBarWidth), 0, kBarWidth);
    const std::string bar = std::string(filled, '#') + std::string(kBarWidth - filled, '-');
    std::fprintf(stderr, "\r%s [%s]\x1b[K", analyser::remainingTimeText(remainingSeconds).c_str(),
                 bar.c_str());
    std::fflush(stderr);
  }

  void closeProgress() override {
    if (!open_) return;
    open_ = false;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
  }

  void pumpEvents() override {
    if (interrupted.load() && analyser_ != nullptr) analyser_->requestStop();
  }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr int kBarWidth = 30;
  bool drawProgress_;
  bool open_ = false;
  Clock::time_point started_;
  analyser::Analyser* analyser_ = nullptr;
  std::string message_;
};

// Where the track file went and what each voice holds.
void printSummary(const std::string& path) {
  track::BlockList blocks;
  track::FileBuffer file;
  if (!track::readWholeFile(blocks, path, track::kStandardSlack, file).empty()) return;
  const std::size_t frames = file.length / track::kRecordBytes;
  if (frames == 0) return;
  const track::TrackTrailer trailer = track::readTrailer(file.data, frames);
  std::printf("track file: %s\n", path.c_str());
  std::printf("frames: %zu at 1/%d s, stagger %s\n", frames, trailer.storedUnit,
              trailer.staggerOff == 0 ? "on" : "off");
  std::printf("voice  median frequency  peak amplitude\n");
  for (int v = 0; v < 6; ++v) {
    std::vector<std::int32_t> sounding;
    std::int32_t peak = 0;
    for (std::size_t m = 0; m < frames; ++m) {
      const track::VoicePair pair = track::readPair(file.data, m, v);
      peak = std::max(peak, pair.amplitude);
      if (pair.amplitude > 0) sounding.push_back(pair.frequencyTenths);
    }
    if (sounding.empty()) {
      std::printf("%5d  %16s  %14d\n", v, "silent", peak);
      continue;
    }
    const auto middle = sounding.begin() + static_cast<std::ptrdiff_t>((sounding.size() - 1) / 2);
    std::nth_element(sounding.begin(), middle, sounding.end());
    std::printf("%5d  %13d.%d Hz  %14d\n", v, *middle / 10, *middle % 10, peak);
  }
}

int usageError(const std::string& error) {
  std::fprintf(stderr, "tonalyx-cli: %s\n%sTry 'tonalyx-cli --help' for more information.\n",
               error.c_str(), kUsage);
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGINT, onInterrupt);
  const Options options = parseOptions(argc, argv);
  if (!options.error.empty()) return usageError(options.error);
  if (options.help) {
    std::printf("%s%s", kUsage, kHelp);
    return kExitSuccess;
  }
  if (options.version) {
    std::printf("tonalyx-cli %s\n", TONALYX_VERSION);
    return kExitSuccess;
  }

  TerminalHost host(track::fs::standardErrorIsTerminal());
  analyser::Analyser analyser(host);
  host.attach(analyser);
  analyser.setThreadCount(options.threads);
  analyser.runAnalysisJob(options.controls);

  if (host.message() != analyser::kFinished) {
    std::fprintf(stderr, "%s\n", host.message().c_str());
    return kExitJobFailed;
  }
  if (!options.quiet) std::printf("%s\n", host.message().c_str());
  if (options.summary) printSummary(analyser.lastOutputPath());
  return kExitSuccess;
}
