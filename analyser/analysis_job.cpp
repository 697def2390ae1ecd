#include "analyser/analysis_job.h"

#include <algorithm>
#include <new>
#include <vector>

#include "analyser/decomposition.h"
#include "analyser/fast/parallel_decomposition.h"
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

  void runJob(const AnalysisControls& controls);

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
  SimdTarget simdTarget = bestSimdTarget();
  bool literalMethods = false;
  std::string lastOutputPath;
  std::unique_ptr<SineCosineTable> table;
  std::unique_ptr<ResultTables> tables;
  std::vector<unsigned char> trackRecords;

 private:
  std::string readSound(const std::string& path, track::FileBuffer& file, WaveLayout& layout);
  bool allocateSignal(std::uint32_t sampleCount, std::int32_t*& signal, std::int32_t*& saved);
  std::unique_ptr<ParallelDecomposition> makeFastEngine(const AnalysisSettings& settings);
  bool decompose(const DecompositionInput& input, ParallelDecomposition* fastEngine,
                 ProgressStep& progress);
  void beginRunning(ProgressStep& progress);
  std::string writeTrack(const std::string& path, const AnalysisSettings& settings,
                         std::int32_t frameCount);
  void finish(std::string errorText);
  void endStopped();
};

namespace {

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

void Analyser::State::runJob(const AnalysisControls& controls) {
  const AnalysisSettings settings = readAnalysisSettings(controls);
  if (busy) return;  // entered again from the pumping of the running job

  const std::int64_t counterFrequency = clock.counterFrequency();
  if (counterFrequency <= 0) return host.showMessage(kNoCounter, true);
  const std::string path = track::trimTrailingWhitespace(controls.pathText);
  if (!track::endsWithLetters(path, "wav")) return host.showMessage(kSpecifyWave, true);

  track::FileBuffer file;
  WaveLayout layout;
  if (std::string error = readSound(path, file, layout); !error.empty()) return finish(error);
  std::int32_t* signalBuffer = nullptr;
  std::int32_t* savedSignal = nullptr;
  if (!allocateSignal(layout.sampleCount, signalBuffer, savedSignal))
    return finish(track::kCannotAllocate);

  buildSineCosineTable(*table);
  std::unique_ptr<ParallelDecomposition> fastEngine;
  if (!literalMethods) {
    fastEngine = makeFastEngine(settings);
    if (!fastEngine) return finish(track::kCannotAllocate);
  }
  const std::int32_t frameCount =
      prepareSignal(file.data, layout, settings.samplesPerFrame, signalBuffer);
  tables->clear();
  std::fill(trackRecords.begin(), trackRecords.end(), 0);

  ProgressStep progress(clock, counterFrequency, *this, settings.passCount, frameCount);
  beginRunning(progress);
  std::copy_n(signalBuffer, std::size_t{layout.sampleCount} + kLeadIn + kTail, savedSignal);
  const DecompositionInput input{settings, frameCount, layout.sampleCount, signalBuffer,
                                 savedSignal};
  if (!decompose(input, fastEngine.get(), progress)) return endStopped();
  finish(writeTrack(path, settings, frameCount));
}

std::string Analyser::State::readSound(const std::string& path, track::FileBuffer& file,
                                       WaveLayout& layout) {
  const std::string error = track::readWholeFile(blocks, path, track::kStandardSlack, file);
  if (!error.empty()) return error;
  return parseWave(file.data, file.length, layout);
}

bool Analyser::State::allocateSignal(std::uint32_t sampleCount, std::int32_t*& signal,
                                     std::int32_t*& saved) {
  // Far more room than the margins need, as the blocks have always been sized.
  const std::uint32_t bytes = (sampleCount + kSignalBlockSlack) * 4;
  signal = static_cast<std::int32_t*>(blocks.allocBlock(bytes));
  if (signal != nullptr) saved = static_cast<std::int32_t*>(blocks.allocBlock(bytes));
  return saved != nullptr;
}

// The fast engine's tables and working room, a few megabytes, are taken with the
// signal blocks, before anything runs; without them the job ends as without those.
std::unique_ptr<ParallelDecomposition> Analyser::State::makeFastEngine(
    const AnalysisSettings& settings) {
  try {
    return std::make_unique<ParallelDecomposition>(*table, settings.samplesPerFrame, threadCount,
                                                   simdTarget);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

bool Analyser::State::decompose(const DecompositionInput& input, ParallelDecomposition* fastEngine,
                                ProgressStep& progress) {
  if (fastEngine != nullptr) return fastEngine->run(input, progress, *tables);
  LiteralVoiceMethods methods(*table);
  return decomposeVoices(input, methods, progress, *tables);
}

void Analyser::State::beginRunning(ProgressStep& progress) {
  progress.start();
  progressOpen = host.openProgress();
  cancel = false;
  busy = true;
}

std::string Analyser::State::writeTrack(const std::string& path, const AnalysisSettings& settings,
                                        std::int32_t frameCount) {
  packTrackRecords(*tables, frameCount, settings, trackRecords.data());
  const std::string outputPath = track::replaceLastCharacters(path, 4, ".dat");
  std::string error = track::writeWholeFile(
      outputPath, trackRecords.data(), static_cast<std::size_t>(frameCount) * track::kRecordBytes);
  if (error.empty()) lastOutputPath = outputPath;
  return error;
}

// Every way out after the file was read: release, one message, then idle.
void Analyser::State::finish(std::string errorText) {
  closeProgressIfOpen();
  blocks.allocBlock(0);
  if (errorText.empty()) errorText = kFinished;
  host.showMessage(errorText, false);
  busy = false;
}

void Analyser::State::endStopped() {
  // Whoever asked to stop has closed the display already; nothing is written.
  closeProgressIfOpen();
  blocks.allocBlock(0);
  host.showMessage(kStopped, false);
  busy = false;
}

Analyser::Analyser(JobHost& host, Clock& clock, std::size_t memoryBudget)
    : state_(std::make_unique<State>(host, clock, memoryBudget)) {}

Analyser::~Analyser() = default;

void Analyser::runAnalysisJob(const AnalysisControls& controls) {
  state_->runJob(controls);
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

void Analyser::setSimdTarget(SimdTarget target) {
  state_->simdTarget = target;
}

void Analyser::setLiteralMethods(bool literal) {
  state_->literalMethods = literal;
}

const std::string& Analyser::lastOutputPath() const {
  return state_->lastOutputPath;
}

}  // namespace analyser
