#include "analyser/decomposition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "analyser/wave_reader.h"

namespace analyser {
namespace {

AnalysisSettings settingsFor(std::int32_t unit, std::int32_t stagger, std::int32_t passes) {
  return {unit, 44'100 / unit, stagger, passes};
}

// A prepared signal and its saved copy, as the job hands them over.
struct Signal {
  explicit Signal(const std::vector<std::int32_t>& samples)
      : saved(samples.size() + kSignalBlockSlack, 0), buffer(saved.size(), 0) {
    std::copy(samples.begin(), samples.end(), saved.begin() + kLeadIn);
  }
  DecompositionInput input(const AnalysisSettings& settings) {
    const auto count = static_cast<std::uint32_t>(saved.size() - kSignalBlockSlack);
    return {settings, frameCountFor(count, settings.samplesPerFrame), count, buffer.data(),
            saved.data()};
  }
  std::vector<std::int32_t> saved;
  std::vector<std::int32_t> buffer;
};

std::vector<std::int32_t> tones(int length, std::vector<std::pair<double, double>> parts) {
  std::vector<std::int32_t> samples(length);
  for (int i = 0; i < length; ++i) {
    double value = 0;
    for (auto [hz, amplitude] : parts) value += amplitude * std::sin(kTwoPi * hz * i / 44'100);
    samples[i] = static_cast<std::int32_t>(value);
  }
  return samples;
}

class StopAt : public EstimationObserver {
 public:
  explicit StopAt(int pass = -1, int voice = -1) : pass_(pass), voice_(voice) {}
  void estimationStarting() override { ++started; }
  bool estimationDone(int pass, int voice, std::int32_t frame) override {
    done.push_back({pass, voice, frame});
    return !(pass == pass_ && voice == voice_);
  }
  int started = 0;
  std::vector<std::array<int, 3>> done;

 private:
  int pass_, voice_;
};

struct LiteralFixture : ::testing::Test {
  LiteralFixture() : table(std::make_unique<SineCosineTable>()) { buildSineCosineTable(*table); }
  std::unique_ptr<SineCosineTable> table;
  std::unique_ptr<ResultTables> tables = std::make_unique<ResultTables>();
};

TEST(StaggerOffset, SpreadsTheGridsInSixtieths) {
  const struct {
    std::int32_t unit;
    std::int32_t offsets[6];
  } cases[] = {
      {15, {-2205, -1470, -735, 0, -2205, -1470}},
      {20, {-1470, -735, 0, -1470, -735, 0}},
      {30, {-735, 0, -735, 0, -735, 0}},
      {60, {0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases)
    for (int v = 0; v < 6; ++v) {
      EXPECT_EQ(staggerOffset(settingsFor(c.unit, 1, 1), v), c.offsets[v]) << c.unit << " " << v;
      EXPECT_EQ(staggerOffset(settingsFor(c.unit, 0, 1), v), 0);
    }
}

TEST(SubtractVoice, ContinuesTheSineAndWrapsIn32Bits) {
  const VoiceEstimate voice{1'000'000, 10'000, 16'384};  // 1 kHz, starting at its crest
  std::vector<std::int32_t> frame(4, std::numeric_limits<std::int32_t>::min());
  frame[1] = 5;
  subtractVoice(frame.data(), 4, voice);
  const double omega = kTwoPi * 1'000.0 / 44'100;
  const double start = 16'384 * kTwoPi / 65'536;
  // INT32_MIN minus a positive piece wraps to a large positive value.
  const auto piece0 = static_cast<std::int64_t>(std::sin(start) * 1'000'000);
  EXPECT_EQ(frame[0], std::int64_t{std::numeric_limits<std::int32_t>::min()} - piece0 + 4294967296);
  EXPECT_EQ(frame[1], 5 - static_cast<std::int64_t>(std::sin(start + omega) * 1'000'000));
  EXPECT_GT(frame[0], 2'146'000'000);
}

TEST(SubtractVoice, SilentVoiceLeavesTheFrameAlone) {
  std::vector<std::int32_t> frame = {std::numeric_limits<std::int32_t>::min(), 7, -7};
  const std::vector<std::int32_t> before = frame;
  subtractVoice(frame.data(), 3, {0, 12'345, 100});
  EXPECT_EQ(frame, before);
}

TEST(ResultTables, HoldATenMinuteSoundAtOneSixtieth) {
  const ResultTables tables;
  EXPECT_EQ(static_cast<std::int32_t>(tables.voiceAmplitudes.size()),
            frameCountFor(kMaxSampleCount, 735));
  EXPECT_EQ(tables.voicePhases.size(), tables.voiceFrequencies.size());
}

// Records where each estimate and subtraction lands, and what it subtracts.
class RecordingMethods : public VoiceMethods {
 public:
  explicit RecordingMethods(const std::int32_t* signalStart) : start_(signalStart) {}
  VoiceEstimate estimate(const std::int32_t* frame, int) override {
    estimates.push_back(frame - start_);
    const auto call = static_cast<std::int32_t>(estimates.size());
    return {call, 1'000 + call, 2'000 + call};
  }
  void subtract(std::int32_t* frame, int, const VoiceEstimate& voice) override {
    subtractions.push_back({frame - start_, voice.amplitude});
  }
  std::vector<std::ptrdiff_t> estimates;
  std::vector<std::pair<std::ptrdiff_t, std::int32_t>> subtractions;

 private:
  const std::int32_t* start_;
};

TEST_F(LiteralFixture, EachVoiceSeesTheNewestEstimatesOfTheOthersOnTheirGrids) {
  Signal signal(std::vector<std::int32_t>(2940, 0));  // two frames of sound at 1/15 s
  const DecompositionInput input = signal.input(settingsFor(15, 1, 2));
  ASSERT_EQ(input.frameCount, 2);
  RecordingMethods methods(signal.buffer.data() + kLeadIn);
  StopAt observer;
  ASSERT_TRUE(decomposeVoices(input, methods, observer, *tables));

  const std::int32_t offsets[6] = {-2205, -1470, -735, 0, -2205, -1470};
  // Estimation call e (from 1) is pass e / 12, voice e / 2 % 6, frame e % 2.
  ASSERT_EQ(methods.estimates.size(), 24u);
  for (int e = 0; e < 24; ++e) EXPECT_EQ(methods.estimates[e], (e % 2) * 2940 + offsets[e / 2 % 6]);
  const auto amplitudeOf = [](int pass, int voice, int frame) {
    return 12 * pass + 2 * voice + frame + 1;
  };

  ASSERT_EQ(methods.subtractions.size(), 2u * 6 * 2 * 5);
  std::size_t at = 0;
  for (int pass = 0; pass < 2; ++pass)
    for (int v = 0; v < 6; ++v)
      for (int m = 0; m < 2; ++m)
        for (int d = 0; d < 6; ++d) {
          if (d == v) continue;
          const auto [position, amplitude] = methods.subtractions[at++];
          EXPECT_EQ(position, m * 2940 + offsets[d]);
          // Voices before v from this pass, voices after it from the pass before.
          const int expected = d < v       ? amplitudeOf(pass, d, m)
                               : pass == 0 ? 0
                                           : amplitudeOf(pass - 1, d, m);
          EXPECT_EQ(amplitude, expected) << pass << " " << v << " " << m << " " << d;
        }
  EXPECT_EQ(tables->voiceAmplitudes[1][5], amplitudeOf(1, 5, 1));
  EXPECT_EQ(tables->voiceFrequencies[1][5], 1'000 + amplitudeOf(1, 5, 1));
  EXPECT_EQ(tables->voicePhases[0][0], 2'000 + amplitudeOf(1, 0, 0));
  EXPECT_EQ(tables->voiceAmplitudes[0][6], 0);
}

TEST_F(LiteralFixture, SilenceGivesTheEmptyEstimateEverywhere) {
  Signal signal({});
  LiteralVoiceMethods methods(*table);
  StopAt observer;
  ASSERT_TRUE(decomposeVoices(signal.input(settingsFor(60, 1, 4)), methods, observer, *tables));
  EXPECT_EQ(observer.done.size(), 24u);
  for (int v = 0; v < 6; ++v) {
    EXPECT_EQ(tables->voiceAmplitudes[0][v], 0);
    EXPECT_EQ(tables->voiceFrequencies[0][v], 550);
    EXPECT_EQ(tables->voicePhases[0][v], 32'768);
  }
}

TEST_F(LiteralFixture, FirstPassIsGreedy) {
  // 1 kHz and a weaker 2.5 kHz over four frames at 1/60 s; a fifth frame of tail.
  const std::int32_t amplitude = 2'560'000;
  Signal signal(tones(2940, {{1'000.0, amplitude}, {2'500.0, 700'000.0}}));
  LiteralVoiceMethods methods(*table);
  StopAt observer;
  const DecompositionInput input = signal.input(settingsFor(60, 0, 1));
  ASSERT_EQ(input.frameCount, 5);
  ASSERT_TRUE(decomposeVoices(input, methods, observer, *tables));
  for (int m = 0; m < 4; ++m) {
    EXPECT_NEAR(tables->voiceFrequencies[m][0], 10'000, 5) << m;
    EXPECT_NEAR(tables->voiceAmplitudes[m][0], amplitude, amplitude * 0.02) << m;
    EXPECT_NEAR(tables->voiceFrequencies[m][1], 25'000, 5) << m;
    for (int v = 2; v < 6; ++v) EXPECT_LT(tables->voiceAmplitudes[m][v], amplitude / 20) << m;
  }
  // Voice 0 is the estimate of the prepared frame; voice 1 that of the frame
  // with voice 0 taken away.
  const int m = 2;
  std::vector<std::int32_t> frame(signal.saved.begin() + kLeadIn + m * 735,
                                  signal.saved.begin() + kLeadIn + (m + 1) * 735);
  const VoiceEstimate first = estimateVoice(frame.data(), 735, *table);
  EXPECT_EQ(tables->voiceAmplitudes[m][0], first.amplitude);
  EXPECT_EQ(tables->voiceFrequencies[m][0], first.frequencyTenths);
  EXPECT_EQ(tables->voicePhases[m][0], first.phase);
  subtractVoice(frame.data(), 735, first);
  const VoiceEstimate second = estimateVoice(frame.data(), 735, *table);
  EXPECT_EQ(tables->voiceAmplitudes[m][1], second.amplitude);
  EXPECT_EQ(tables->voiceFrequencies[m][1], second.frequencyTenths);
  EXPECT_EQ(tables->voicePhases[m][1], second.phase);
}

// Snapshots the tables when the first pass is complete.
class AfterFirstPass : public StopAt {
 public:
  AfterFirstPass(const ResultTables& tables, std::int32_t frames)
      : tables_(tables), frames_(frames) {}
  bool estimationDone(int pass, int voice, std::int32_t frame) override {
    if (pass == 0 && voice == 5 && frame == frames_ - 1) snapshot = tables_.voiceAmplitudes;
    return StopAt::estimationDone(pass, voice, frame);
  }
  std::vector<ResultRow> snapshot;

 private:
  const ResultTables& tables_;
  std::int32_t frames_;
};

TEST_F(LiteralFixture, OptimiseStartsWithTheGreedyPassAndRefinesIt) {
  Signal signal(tones(735, {{440.0, 2'000'000.0}, {470.0, 1'500'000.0}, {3'000.0, 400'000.0}}));
  LiteralVoiceMethods methods(*table);
  StopAt once;
  ASSERT_TRUE(decomposeVoices(signal.input(settingsFor(60, 0, 1)), methods, once, *tables));
  const std::vector<ResultRow> greedy = tables->voiceAmplitudes;

  ResultTables optimised;
  AfterFirstPass observer(optimised, 2);
  ASSERT_TRUE(decomposeVoices(signal.input(settingsFor(60, 0, 4)), methods, observer, optimised));
  EXPECT_EQ(observer.done.size(), 4u * 6 * 2);
  EXPECT_EQ(observer.snapshot, greedy);
  EXPECT_NE(optimised.voiceAmplitudes, greedy);
}

TEST_F(LiteralFixture, StopEndsTheWorkAtOnce) {
  Signal signal({});
  LiteralVoiceMethods methods(*table);
  StopAt observer(0, 2);
  EXPECT_FALSE(decomposeVoices(signal.input(settingsFor(60, 1, 4)), methods, observer, *tables));
  EXPECT_EQ(observer.started, 3);
  EXPECT_EQ(tables->voiceFrequencies[0][2], 550);  // stored before the step ran
  EXPECT_EQ(tables->voiceFrequencies[0][3], 0);
}

}  // namespace
}  // namespace analyser
