// The parallel decomposition and the job that runs it, against the literal
// decomposition, for every thread count and instruction set tried.

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "analyser/analysis_job.h"
#include "analyser/decomposition.h"
#include "analyser/fast/parallel_decomposition.h"
#include "analyser/messages.h"
#include "analyser/progress.h"
#include "analyser/wave_reader.h"
#include "fake_clock.h"
#include "fast_test_sounds.h"
#include "support/temp_dir.h"
#include "support/wave_builder.h"

namespace analyser {
namespace {

namespace sounds = testing_support;

AnalysisSettings settingsFor(std::int32_t unit, std::int32_t stagger, std::int32_t passes) {
  return {unit, 44'100 / unit, stagger, passes};
}

// A prepared signal with its margins, as the job hands it over.
struct Signal {
  explicit Signal(const std::vector<std::int16_t>& samples)
      : saved(samples.size() + kSignalBlockSlack, 0), buffer(saved.size(), 0) {
    for (std::size_t i = 0; i < samples.size(); ++i) saved[kLeadIn + i] = samples[i] * 256;
    buffer = saved;
  }
  DecompositionInput input(const AnalysisSettings& settings) {
    const auto count = static_cast<std::uint32_t>(saved.size() - kSignalBlockSlack);
    return {settings, frameCountFor(count, settings.samplesPerFrame), count, buffer.data(),
            saved.data()};
  }
  std::vector<std::int32_t> saved;
  std::vector<std::int32_t> buffer;
};

std::vector<std::int16_t> speechThenMusic(double seconds) {
  std::vector<std::int16_t> samples = sounds::speechLike(seconds / 2, 5);
  const std::vector<std::int16_t> music = sounds::musicLike(seconds / 2, 6);
  samples.insert(samples.end(), music.begin(), music.end());
  return samples;
}

class CountSteps : public EstimationObserver, public BatchObserver {
 public:
  explicit CountSteps(int stopAfterBatches = -1) : stopAfter_(stopAfterBatches) {}
  void estimationStarting() override {}
  bool estimationDone(int, int, std::int32_t) override { return true; }
  void batchStarting() override { ++started; }
  bool batchDone(int pass, int voice, std::int32_t lastFrame, std::int32_t estimations) override {
    batches.push_back({pass, voice, lastFrame, estimations});
    return static_cast<int>(batches.size()) != stopAfter_;
  }
  int started = 0;
  std::vector<std::array<int, 4>> batches;

 private:
  int stopAfter_;
};

void expectSameTables(const ResultTables& expected, const ResultTables& got, std::int32_t frames,
                      const std::string& what) {
  for (std::int32_t m = 0; m < frames; ++m)
    for (int v = 0; v < kVoiceCount; ++v) {
      ASSERT_EQ(got.voiceAmplitudes[m][v], expected.voiceAmplitudes[m][v])
          << what << " " << m << " " << v;
      ASSERT_EQ(got.voiceFrequencies[m][v], expected.voiceFrequencies[m][v]) << what << " " << m;
      ASSERT_EQ(got.voicePhases[m][v], expected.voicePhases[m][v]) << what << " " << m << " " << v;
    }
}

struct Fixture : ::testing::Test {
  Fixture() : table(std::make_unique<SineCosineTable>()) { buildSineCosineTable(*table); }
  std::unique_ptr<SineCosineTable> table;
};

TEST_F(Fixture, GivesTheLiteralTablesForEveryThreadCountAndTarget) {
  struct Case {
    AnalysisSettings settings;
    double seconds;
  };
  // Staggered grids overlap two frames of each other voice; optimise sees the
  // estimates of the pass before.
  for (const Case& c : {Case{settingsFor(15, 1, 1), 0.2}, Case{settingsFor(30, 1, 2), 0.06},
                        Case{settingsFor(60, 0, 4), 0.05}}) {
    Signal signal(speechThenMusic(c.seconds));
    const DecompositionInput input = signal.input(c.settings);
    auto literal = std::make_unique<ResultTables>();
    LiteralVoiceMethods methods(*table);
    CountSteps literalSteps;
    ASSERT_TRUE(decomposeVoices(input, methods, literalSteps, *literal));
    for (const SimdTarget target : availableSimdTargets())
      for (const int threads : {1, 2, 3}) {
        auto fast = std::make_unique<ResultTables>();
        ParallelDecomposition decomposition(*table, c.settings.samplesPerFrame, threads, target);
        CountSteps steps;
        ASSERT_TRUE(decomposition.run(input, steps, *fast));
        expectSameTables(*literal, *fast, input.frameCount,
                         "unit " + std::to_string(c.settings.soundingUnit) + " " +
                             simdTargetName(target) + " threads " + std::to_string(threads));
      }
  }
}

TEST_F(Fixture, StartsFromWhateverTheTablesHold) {
  // A second run on the tables of the first: every voice already has estimates.
  Signal signal(speechThenMusic(0.05));
  const DecompositionInput input = signal.input(settingsFor(60, 0, 1));
  auto literal = std::make_unique<ResultTables>();
  auto fast = std::make_unique<ResultTables>();
  LiteralVoiceMethods methods(*table);
  ParallelDecomposition decomposition(*table, 735, 2, bestSimdTarget());
  CountSteps steps;
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(decomposeVoices(input, methods, steps, *literal));
    ASSERT_TRUE(decomposition.run(input, steps, *fast));
  }
  expectSameTables(*literal, *fast, input.frameCount, "second run");
}

TEST_F(Fixture, ReportsEachBatchAndStopsWhenTold) {
  Signal signal(sounds::musicLike(10.0, 7));  // 601 frames at 1/60 s, more than a batch
  const DecompositionInput input = signal.input(settingsFor(60, 1, 1));
  ParallelDecomposition decomposition(*table, 735, 1, bestSimdTarget());
  auto tables = std::make_unique<ResultTables>();
  CountSteps steps;
  ASSERT_TRUE(decomposition.run(input, steps, *tables));
  // Every estimation is counted once; each batch reports its last frame.
  std::int64_t estimations = 0;
  std::int32_t expectedFirst = 0;
  for (const auto& [pass, voice, last, count] : steps.batches) {
    EXPECT_EQ(pass, 0);
    EXPECT_EQ(last - count + 1, expectedFirst) << voice;
    expectedFirst = last + 1 == input.frameCount ? 0 : last + 1;
    estimations += count;
  }
  EXPECT_EQ(estimations, 6 * input.frameCount);
  EXPECT_GT(steps.batches.size(), 6u);
  EXPECT_EQ(steps.started, static_cast<int>(steps.batches.size()));

  // A stop after the first batch leaves every later frame and voice untouched.
  auto stopped = std::make_unique<ResultTables>();
  CountSteps stopAtOnce(1);
  EXPECT_FALSE(decomposition.run(input, stopAtOnce, *stopped));
  ASSERT_EQ(stopAtOnce.batches.size(), 1u);
  const std::int32_t done = stopAtOnce.batches[0][2] + 1;
  EXPECT_EQ(stopped->voiceAmplitudes[done - 1][0], tables->voiceAmplitudes[done - 1][0]);
  EXPECT_EQ(stopped->voiceFrequencies[done][0], 0);
  EXPECT_EQ(stopped->voiceFrequencies[0][1], 0);
}

class RecordingHooks : public ProgressHooks {
 public:
  bool cancelRequested() override { return false; }
  void refresh(double remainingSeconds) override { refreshes.push_back(remainingSeconds); }
  void pump() override {}
  std::vector<double> refreshes;
};

TEST(BatchProgress, TakesTheBatchsTimePerEstimationAndCountsFromItsLastFrame) {
  testing_support::FakeClock clock;  // a million counts per second
  clock.countsPerReading = 4'000;    // the batch: 4 ms
  clock.advanceEachReading(101);
  RecordingHooks hooks;
  ProgressStep step(clock, clock.frequency, hooks, 4, 1'000);
  step.start();
  step.batchStarting();
  ASSERT_TRUE(step.batchDone(1, 2, 799, 400));
  EXPECT_DOUBLE_EQ(step.microsPerEstimation(), 10.0);
  // Not yet done: passes 1 to 3 less voices 0 and 1 of pass 1, less frames 0 .. 798.
  const std::int64_t remaining = (6 * 3 - 2) * 1'000 - 799;
  ASSERT_EQ(hooks.refreshes.size(), 1u);
  EXPECT_DOUBLE_EQ(hooks.refreshes[0], (remaining * 10.0 + 999'999) / 1'000'000);
}

// A host that only keeps the job's message.
class QuietHost : public JobHost {
 public:
  void showMessage(const std::string& text, bool) override { message = text; }
  bool openProgress() override { return false; }
  void updateProgress(double) override {}
  void closeProgress() override {}
  void pumpEvents() override {}
  std::string message;
};

void writeStereoWave(const std::string& path, const std::vector<std::int16_t>& mono) {
  testing_support::WaveSpec shape;
  shape.channels = 2;
  shape.samples = sounds::stereoFrom(mono);
  const std::vector<unsigned char> bytes = testing_support::buildWave(shape);
  testing_support::writeBytes(path, bytes);
}

TEST(FastJob, WritesTheSameTrackFileWhateverTheEngine) {
  testing_support::TempDir dir;
  const std::string path = dir.file("sound.wav");
  writeStereoWave(path, speechThenMusic(0.25));
  AnalysisControls controls;
  controls.pathText = path;
  controls.unit30 = true;

  auto run = [&](auto configure) {
    QuietHost host;
    Analyser analyser(host);
    configure(analyser);
    analyser.runAnalysisJob(controls);
    EXPECT_EQ(host.message, kFinished);
    return testing_support::readBytes(dir.file("sound.dat"));
  };
  const auto literal = run([](Analyser& a) { a.setLiteralMethods(true); });
  ASSERT_EQ(literal.size(), 9u * 64);
  for (const SimdTarget target : availableSimdTargets())
    for (const int threads : {1, 2}) {
      const auto fast = run([&](Analyser& a) {
        a.setSimdTarget(target);
        a.setThreadCount(threads);
      });
      EXPECT_EQ(fast, literal) << simdTargetName(target) << " threads " << threads;
    }
}

}  // namespace
}  // namespace analyser
