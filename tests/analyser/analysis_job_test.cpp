#include "analyser/analysis_job.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <vector>

#include "analyser/messages.h"
#include "fake_clock.h"
#include "support/temp_dir.h"
#include "support/wave_builder.h"
#include "track/file_messages.h"
#include "track/track_format.h"

namespace analyser {
namespace {

using testing_support::buildWave;
using testing_support::FakeClock;
using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::WaveSpec;
using testing_support::writeBytes;

// Records what the job shows; pumping runs whatever the test puts in onPump.
class FakeHost : public JobHost {
 public:
  struct Message {
    std::string text;
    bool exclamation;
    bool busyWhileShown;
  };

  void showMessage(const std::string& text, bool exclamation) override {
    messages.push_back({text, exclamation, analyser->busy()});
  }
  bool openProgress() override {
    ++opens;
    return canOpen;
  }
  void updateProgress(double remainingSeconds) override { updates.push_back(remainingSeconds); }
  void closeProgress() override { ++closes; }
  void pumpEvents() override {
    ++pumps;
    if (onPump) onPump();
  }

  Analyser* analyser = nullptr;
  std::vector<Message> messages;
  bool canOpen = true;
  int opens = 0;
  int closes = 0;
  int pumps = 0;
  std::vector<double> updates;
  std::function<void()> onPump;
};

struct JobFixture : ::testing::Test {
  JobFixture() { host.analyser = &analyser; }

  std::string writeWave(const std::string& name, std::vector<std::int16_t> samples = {}) {
    WaveSpec shape;
    shape.samples = std::move(samples);
    writeBytes(dir.file(name), buildWave(shape));
    return dir.file(name);
  }

  // 1/60 s keeps the literal estimator quick.
  AnalysisControls fast(const std::string& path) {
    AnalysisControls controls;
    controls.pathText = path;
    controls.unit60 = true;
    return controls;
  }

  const FakeHost::Message& onlyMessage() {
    EXPECT_EQ(host.messages.size(), 1u);
    return host.messages.at(0);
  }

  TempDir dir;
  FakeClock clock;
  FakeHost host;
  Analyser analyser{host, clock};
};

TEST(ReadAnalysisSettings, LaterUnitsOverrideEarlierOnes) {
  AnalysisControls controls;
  EXPECT_EQ(readAnalysisSettings(controls).soundingUnit, 15);
  EXPECT_EQ(readAnalysisSettings(controls).samplesPerFrame, 2940);
  EXPECT_EQ(readAnalysisSettings(controls).stagger, 1);
  EXPECT_EQ(readAnalysisSettings(controls).passCount, 1);
  controls.unit20 = controls.unit30 = true;
  EXPECT_EQ(readAnalysisSettings(controls).soundingUnit, 30);
  controls.unit60 = true;
  controls.staggerOn = false;
  controls.optimiseOff = false;
  const AnalysisSettings s = readAnalysisSettings(controls);
  EXPECT_EQ(s.soundingUnit, 60);
  EXPECT_EQ(s.samplesPerFrame, 735);
  EXPECT_EQ(s.stagger, 0);
  EXPECT_EQ(s.passCount, 4);
}

TEST_F(JobFixture, DefaultJobWritesOneRecordWithTheTrailer) {
  AnalysisControls controls;
  controls.pathText = writeWave("empty.wav");
  analyser.runAnalysisJob(controls);

  const auto& message = onlyMessage();
  EXPECT_EQ(message.text, kFinished);
  EXPECT_FALSE(message.exclamation);
  EXPECT_TRUE(message.busyWhileShown);
  EXPECT_FALSE(analyser.busy());
  EXPECT_EQ(host.opens, 1);
  EXPECT_EQ(host.closes, 1);
  EXPECT_EQ(analyser.lastOutputPath(), dir.file("empty.dat"));

  const std::vector<unsigned char> file = readBytes(dir.file("empty.dat"));
  ASSERT_EQ(file.size(), 64u);
  for (int v = 0; v < 6; ++v) {
    EXPECT_EQ(track::readPair(file.data(), 0, v).amplitude, 0);
    EXPECT_EQ(track::readPair(file.data(), 0, v).frequencyTenths, 550);
  }
  EXPECT_EQ(track::readPair(file.data(), 0, 6).frequencyTenths, 0);
  EXPECT_EQ(track::readTrailer(file.data(), 1).staggerOff, 0);
  EXPECT_EQ(track::readTrailer(file.data(), 1).storedUnit, 15);
}

TEST_F(JobFixture, RecordsFollowTheFramesAndASecondJobReplacesTheFile) {
  // 1 kHz for three frames at 1/60 s, then the frame of tail.
  std::vector<std::int16_t> samples(2205);
  for (int i = 0; i < 2205; ++i)
    samples[i] = static_cast<std::int16_t>(10'000 * std::sin(6.2831853071796 * 1'000 * i / 44'100));
  AnalysisControls controls = fast(writeWave("tone.wav", samples));
  controls.staggerOn = false;
  analyser.runAnalysisJob(controls);
  ASSERT_EQ(onlyMessage().text, kFinished);

  std::vector<unsigned char> file = readBytes(dir.file("tone.dat"));
  ASSERT_EQ(file.size(), 4u * 64);
  for (std::size_t m = 0; m < 3; ++m) {
    EXPECT_NEAR(track::readPair(file.data(), m, 0).frequencyTenths, 10'000, 5) << m;
    EXPECT_NEAR(track::readPair(file.data(), m, 0).amplitude, 2'560'000, 51'200) << m;
    EXPECT_EQ(track::readPair(file.data(), m, 6).amplitude, 0);
    EXPECT_EQ(track::readPair(file.data(), m, 7).amplitude, 0);
    EXPECT_EQ(track::readPair(file.data(), m, 7).frequencyTenths, 0);
  }
  EXPECT_EQ(track::readTrailer(file.data(), 4).staggerOff, 1);
  EXPECT_EQ(track::readTrailer(file.data(), 4).storedUnit, 60);

  controls.unit60 = false;
  controls.unit30 = true;
  analyser.runAnalysisJob(controls);
  file = readBytes(dir.file("tone.dat"));
  ASSERT_EQ(file.size(), 3u * 64);
  EXPECT_EQ(track::readTrailer(file.data(), 3).storedUnit, 30);
}

TEST_F(JobFixture, OutputNameReplacesTheLastFourCharacters) {
  const struct {
    std::string typed;
    std::string read;
    std::string written;
  } cases[] = {
      {"A.WAV  \t", "A.WAV", "A.dat"},
      {"mywav", "mywav", "m.dat"},
      {"曲.Wav", "曲.Wav", "曲.dat"},
  };
  for (const auto& c : cases) {
    writeWave(c.read);
    host.messages.clear();
    analyser.runAnalysisJob(fast(dir.file(c.typed)));
    EXPECT_EQ(onlyMessage().text, kFinished) << c.typed;
    EXPECT_TRUE(std::filesystem::exists(dir.file(c.written))) << c.typed;
  }
}

TEST_F(JobFixture, InputChecksComeFirstWithTheExclamationIcon) {
  for (const std::string path : {"", "a.wave", "a.wa", "a.mp3", "wav/"}) {
    host.messages.clear();
    analyser.runAnalysisJob(fast(path));
    EXPECT_EQ(onlyMessage().text, kSpecifyWave) << path;
    EXPECT_TRUE(onlyMessage().exclamation);
  }
  clock.frequency = 0;
  host.messages.clear();
  analyser.runAnalysisJob(fast("a.mp3"));
  EXPECT_EQ(onlyMessage().text, kNoCounter);
  EXPECT_TRUE(onlyMessage().exclamation);
  EXPECT_EQ(host.opens, 0);
}

TEST_F(JobFixture, FileFailuresEndWithoutProgress) {
  WaveSpec wrongRate;
  wrongRate.sampleRate = 48'000;
  writeBytes(dir.file("rate.wav"), buildWave(wrongRate));
  const struct {
    std::string path;
    const char* text;
  } cases[] = {
      {dir.file("missing.wav"), track::kFileNotFound},
      {dir.file("no-folder/a.wav"), track::kCannotOpenFile},
      {dir.file("rate.wav"), kNot44100},
  };
  for (const auto& c : cases) {
    host.messages.clear();
    analyser.runAnalysisJob(fast(c.path));
    EXPECT_EQ(onlyMessage().text, c.text) << c.path;
    EXPECT_FALSE(onlyMessage().exclamation);
    EXPECT_FALSE(onlyMessage().busyWhileShown);
  }
  EXPECT_EQ(host.opens, 0);
  EXPECT_FALSE(analyser.busy());
}

TEST_F(JobFixture, UnwritableTrackFileIsReported) {
  const std::string path = writeWave("a.wav");
  std::filesystem::create_directory(dir.file("a.dat"));  // a folder in the way
  analyser.runAnalysisJob(fast(path));
  EXPECT_EQ(onlyMessage().text, track::kCannotCreateFile);
  EXPECT_EQ(host.closes, 1);
  EXPECT_EQ(analyser.lastOutputPath(), "");
}

TEST(JobMemory, ShortageEndsTheJobAndReleasesEveryBlock) {
  TempDir dir;
  FakeClock clock;
  FakeHost host;
  // Room for an empty sound's file buffer and two signal blocks, no more.
  Analyser analyser(host, clock, 44 + 4096 + 2 * 1'048'576);
  host.analyser = &analyser;
  WaveSpec shape;
  writeBytes(dir.file("empty.wav"), buildWave(shape));
  shape.samples = {1};
  writeBytes(dir.file("one.wav"), buildWave(shape));
  AnalysisControls controls;
  controls.unit60 = true;

  controls.pathText = dir.file("one.wav");  // the second signal block does not fit
  analyser.runAnalysisJob(controls);
  controls.pathText = dir.file("empty.wav");  // fits only if the first job gave all back
  analyser.runAnalysisJob(controls);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0].text, track::kCannotAllocate);
  EXPECT_FALSE(host.messages[0].exclamation);
  EXPECT_EQ(host.messages[1].text, kFinished);
  EXPECT_EQ(host.opens, 1);

  Analyser tiny(host, clock, 100);
  tiny.runAnalysisJob(controls);
  EXPECT_EQ(host.messages.back().text, track::kCannotAllocate);
}

TEST_F(JobFixture, ConvertPressedDuringAJobIsTurnedAway) {
  clock.advanceEachReading(101);
  const AnalysisControls controls = fast(writeWave("a.wav"));
  host.onPump = [&] { analyser.runAnalysisJob(controls); };
  analyser.runAnalysisJob(controls);
  EXPECT_EQ(host.pumps, 6);
  EXPECT_EQ(onlyMessage().text, kFinished);
  EXPECT_EQ(host.opens, 1);
}

TEST_F(JobFixture, StopRequestEndsTheJobAtTheNextPumpingStep) {
  clock.advanceEachReading(101);
  const std::string path = writeWave("a.wav");
  host.onPump = [&] { analyser.requestStop(); };
  analyser.runAnalysisJob(fast(path));
  EXPECT_EQ(host.pumps, 1);
  EXPECT_EQ(onlyMessage().text, kStopped);
  EXPECT_FALSE(onlyMessage().exclamation);
  EXPECT_TRUE(onlyMessage().busyWhileShown);
  EXPECT_FALSE(analyser.busy());
  EXPECT_EQ(host.closes, 1);  // by the stop request, not again by the job
  EXPECT_FALSE(std::filesystem::exists(dir.file("a.dat")));

  // The progress display closing itself is a stop request too.
  host.messages.clear();
  host.closes = 0;
  host.onPump = [&] { analyser.progressClosed(); };
  analyser.runAnalysisJob(fast(path));
  EXPECT_EQ(onlyMessage().text, kStopped);
  EXPECT_EQ(host.closes, 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("a.dat")));
}

TEST_F(JobFixture, StopRequestAfterTheLastPumpingStepLetsTheJobFinish) {
  // Only the sixth and last estimation's step comes 100 ms after the start.
  clock.millisecondsAt = [](int n) { return n < 6 ? 0 : 101; };
  host.onPump = [&] { analyser.requestStop(); };
  analyser.runAnalysisJob(fast(writeWave("a.wav")));
  EXPECT_EQ(host.pumps, 1);
  EXPECT_EQ(onlyMessage().text, kFinished);
  EXPECT_TRUE(std::filesystem::exists(dir.file("a.dat")));
}

TEST_F(JobFixture, QuickJobNeverPumps) {
  analyser.runAnalysisJob(fast(writeWave("a.wav")));
  EXPECT_EQ(host.pumps, 0);
  EXPECT_TRUE(host.updates.empty());
  EXPECT_EQ(host.opens, 1);
  EXPECT_EQ(host.closes, 1);
}

TEST_F(JobFixture, FirstRefreshCountsEveryEstimationOfTheJob) {
  clock.advanceEachReading(101);
  clock.countsPerReading = 1'000;  // 1 ms per estimation
  AnalysisControls controls = fast(writeWave("a.wav"));
  controls.optimiseOff = false;
  analyser.runAnalysisJob(controls);
  ASSERT_EQ(host.updates.size(), 24u);
  EXPECT_DOUBLE_EQ(host.updates.front(), (24 * 1'000.0 + 999'999) / 1'000'000);
  EXPECT_DOUBLE_EQ(host.updates.back(), (1 * 1'000.0 + 999'999) / 1'000'000);

  // Without a progress display the job still pumps, but refreshes nothing.
  host.updates.clear();
  host.pumps = 0;
  host.canOpen = false;
  analyser.runAnalysisJob(fast(controls.pathText));
  EXPECT_TRUE(host.updates.empty());
  EXPECT_EQ(host.pumps, 6);
  EXPECT_EQ(host.closes, 1);
}

}  // namespace
}  // namespace analyser
