#include "analyser/analysis_job.h"

#include <algorithm>
#include <vector>

#include "analyser/decomposition.h"
#include "analyser/messages.h"
#include "analyser/progress.h"
#include "analyser/sine_table.h"
#include "analyser/wave_reader.h"
#include "track/block_list.h"
#include "track/file_messages.h"
#include "track/path_rules.h"
#include "track/track_format.h"
#include "track/whole_file.h"

namespace analyser {

AnalysisSettings readAnalysisSettings(const AnalysisControls& controls) {
  AnalysisSettings settings;
  // Tested in this order, so a later selection overrides an earlier one.
  settings.soundingUnit = 15;
  if (controls.unit20) settings.soundingUnit = 20;
  if (controls.unit30) settings.soundingUnit = 30;
  if (controls.unit60) settings.soundingUnit = 60;
  settings.samplesPerFrame = 44'100 / settings.soundingUnit;
  settings.stagger = controls.staggerOn ? 1 : 0;
  settings.passCount = 4 - 3 * (controls.optimiseOff ? 1 : 0);
  return settings;
}

// Everything that outlives a single job: the flags the hosts see, the blocks,
// and the large tables, which are cleared by each job rather than reallocated.
struct Analyser::State : ProgressHooks {
  State(JobHost& h, Clock& c, std::size_t memoryBudget)
      : host(h),
        clock(c),
        blocks(memoryBudget),
        table(std::make_unique<SineCosineTable>()),
        tables(std::make_unique<ResultTables>()),
        trackRecords(std::size_t{kMaxFrames} * track::kRecordBytes) {}

  bool cancelRequested() override { return cancel; }
  void refresh(double remainingSeconds) override {
    if (progressOpen) host.updateProgress(remainingSeconds);
  }
  void pump() override { host.pumpEvents(); }

  void closeProgressIfOpen() {
    if (!progressOpen) return;
    progressOpen = false;  // first, so a host that reports the closing finds it done
    host.closeProgress();
  }

  JobHost& host;
  Clock& clock;
  track::BlockList blocks;
  bool busy = false;
  bool cancel = false;
  bool progressOpen = false;
  int threadCount = 0;
  std::string lastOutputPath;
  std::unique_ptr<SineCosineTable> table;
  std::unique_ptr<ResultTables> tables;
  std::vector<unsigned char> trackRecords;
};

namespace {

// Room for the signal and its margins, as 32-bit values.
constexpr std::uint32_t signalBlockBytes(std::uint32_t sampleCount) {
  return (sampleCount + kSignalBlockSlack) * 4;
}

void packTrackRecords(const ResultTables& tables, std::int32_t frameCount,
                      const AnalysisSettings& settings, unsigned char* records) {
  for (int v = 0; v < track::kPairsPerRecord; ++v)
    for (std::int32_t m = 0; m < frameCount; ++m)
      track::writePair(records, static_cast<std::size_t>(m), v,
                       {tables.voiceAmplitudes[m][v], tables.voiceFrequencies[m][v]});
  track::writeTrailer(records, static_cast<std::size_t>(frameCount),
                      {1 - settings.stagger, settings.soundingUnit});
}

}  // namespace

Analyser::Analyser(JobHost& host, Clock& clock, std::size_t memoryBudget)
    : state_(std::make_unique<State>(host, clock, memoryBudget)) {}

Analyser::~Analyser() = default;

void Analyser::runAnalysisJob(const AnalysisControls& controls) {
  State& s = *state_;
  const AnalysisSettings settings = readAnalysisSettings(controls);
  if (s.busy) return;  // entered again from the pumping of the running job

  const std::int64_t counterFrequency = s.clock.counterFrequency();
  if (counterFrequency <= 0) {
    s.host.showMessage(kNoCounter, true);
    return;
  }
  const std::string path = track::trimTrailingWhitespace(controls.pathText);
  if (!track::endsWithLetters(path, "wav")) {
    s.host.showMessage(kSpecifyWave, true);
    return;
  }

  // Every way out from here on releases the blocks and shows one message.
  const auto finish = [&s](std::string text) {
    s.closeProgressIfOpen();
    s.blocks.allocBlock(0);
    if (text.empty()) text = kFinished;
    s.host.showMessage(text, false);
    s.busy = false;
  };

  track::FileBuffer file;
  std::string error = track::readWholeFile(s.blocks, path, track::kStandardSlack, file);
  WaveLayout layout;
  if (error.empty()) error = parseWave(file.data, file.length, layout);
  if (!error.empty()) return finish(error);

  const std::uint32_t signalBytes = signalBlockBytes(layout.sampleCount);
  auto* signalBuffer = static_cast<std::int32_t*>(s.blocks.allocBlock(signalBytes));
  auto* savedSignal =
      signalBuffer ? static_cast<std::int32_t*>(s.blocks.allocBlock(signalBytes)) : nullptr;
  if (savedSignal == nullptr) return finish(track::kCannotAllocate);

  buildSineCosineTable(*s.table);
  const std::int32_t frameCount =
      prepareSignal(file.data, layout, settings.samplesPerFrame, signalBuffer);
  s.tables->clear();
  std::fill(s.trackRecords.begin(), s.trackRecords.end(), 0);

  ProgressStep progress(s.clock, counterFrequency, s, settings.passCount, frameCount);
  progress.start();
  s.progressOpen = s.host.openProgress();
  s.cancel = false;
  s.busy = true;

  const std::size_t signalLength = std::size_t{layout.sampleCount} + kLeadIn + kTail;
  std::copy_n(signalBuffer, signalLength, savedSignal);
  LiteralVoiceMethods methods(*s.table);
  const DecompositionInput input{settings, frameCount, layout.sampleCount, signalBuffer,
                                 savedSignal};
  if (!decomposeVoices(input, methods, progress, *s.tables)) {
    // Whoever asked to stop has closed the display already.
    s.closeProgressIfOpen();
    s.blocks.allocBlock(0);
    s.host.showMessage(kStopped, false);
    s.busy = false;
    return;
  }

  packTrackRecords(*s.tables, frameCount, settings, s.trackRecords.data());
  const std::string outputPath = track::replaceLastCharacters(path, 4, ".dat");
  error = track::writeWholeFile(outputPath, s.trackRecords.data(),
                                static_cast<std::size_t>(frameCount) * track::kRecordBytes);
  if (error.empty()) s.lastOutputPath = outputPath;
  finish(error);
}

void Analyser::requestStop() {
  state_->cancel = true;
  state_->closeProgressIfOpen();
}

void Analyser::progressClosed() {
  state_->cancel = true;
  state_->progressOpen = false;
}

bool Analyser::busy() const {
  return state_->busy;
}

void Analyser::setThreadCount(int threads) {
  state_->threadCount = threads;
}

const std::string& Analyser::lastOutputPath() const {
  return state_->lastOutputPath;
}

}  // namespace analyser
