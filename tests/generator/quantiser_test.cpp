#include "generator/quantiser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

namespace generator {
namespace {

GenerationSettings settingsFor(std::int32_t source, std::int32_t detune = 0,
                               std::int32_t volumePercent = 100) {
  GenerationSettings settings;
  settings.soundSource = source;
  settings.detune = detune;
  settings.volumePercent = volumePercent;
  return settings;
}

struct Case {
  std::int32_t source, detune, volumePercent;
  double frequency, amplitude;
  int note, volume, detuneValue;
};

void expectCells(const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    const EventCell cell =
        quantiseCell(c.frequency, c.amplitude, settingsFor(c.source, c.detune, c.volumePercent));
    const std::string where = "source " + std::to_string(c.source) + " detune " +
                              std::to_string(c.detune) + " " + std::to_string(c.frequency) +
                              " Hz amplitude " + std::to_string(c.amplitude);
    EXPECT_EQ(cell.note, c.note) << where;
    EXPECT_EQ(cell.volume, c.volume) << where;
    EXPECT_EQ(cell.detuneValue, c.detuneValue) << where;
  }
}

TEST(QuantiseCell, GivesNoteVolumeAndDetunePerSource) {
  expectCells({
      {kFm, 0, 100, 440.0, 65535, 57, 31, 0},
      {kPsg, 0, 100, 440.0, 65535, 57, 15, 0},
      {kScc, 0, 100, 440.0, 65535, 57, 15, -7},   // -7.4996 truncated toward zero
      {kPsg, 0, 50, 440.0, 65535, 57, 13, 0},     // r = 32,767
      {kPsg, 0, 200, 440.0, 40000, 57, 15, 0},    // clamped to 15
      {kFm, 1, 100, 466.16, 65535, 57, 31, 255},  // x = 57.99986
      {kFm, 0, 100, 466.16, 65535, 58, 31, 255},
      {kPsg, 1, 100, 55.0, 65535, 57, 15, 14237},
      {kPsg, 1, 100, 8000.0, 65535, 57, 15, -1921},
      {kScc, 1, 100, 55.0, 65535, 57, 15, 14229},
      {kPsg, 0, 100, 8000.0, 65535, 107, 15, -1921},
  });
}

TEST(QuantiseCell, SilenceStartsAtTheChipsThresholds) {
  expectCells({
      {kFm, 0, 100, 440.0, 256, 57, 16, 0},  // level 0 is audible on FM
      {kFm, 0, 100, 440.0, 255, 57, 0, 0},
      {kPsg, 0, 100, 440.0, 363, 57, 1, 0},
      {kPsg, 0, 100, 440.0, 362, 57, 0, 0},
      {kScc, 0, 100, 440.0, 4096, 57, 1, -7},
      {kScc, 0, 100, 440.0, 4095, 57, 0, -7},
      {kPsg, 0, 100, 440.0, 46341, 57, 15, 0},
      {kPsg, 0, 100, 440.0, 46340, 57, 14, 0},
      {kScc, 0, 100, 440.0, 61439, 57, 14, -7},
      {kFm, 0, 100, 440.0, 0, 57, 0, 0},
  });
}

TEST(QuantiseCell, NotesBelow12AreSilentWhateverTheirAmplitude) {
  for (std::int32_t source : {kPsg, kScc, kFm})
    EXPECT_EQ(quantiseCell(30.0, 65535, settingsFor(source)).volume, 0) << source;
  // Below 25.7 Hz the period difference passes 16 bits; its low 16 bits stay.
  const EventCell low = quantiseCell(2.0, 65535, settingsFor(kPsg, 1));
  EXPECT_EQ(low.volume, 0);
  EXPECT_EQ(low.detuneValue, -13343);  // 445,409 & 0xFFFF as a signed value
}

TEST(QuantiseCell, AFrequencyOfZeroOrWorseGivesTheSilentCell) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double frequency : {0.0, -440.0, nan, -inf}) {
    for (std::int32_t source : {kPsg, kScc, kFm}) {
      for (std::int32_t detune : {0, 1}) {
        const EventCell cell = quantiseCell(frequency, 65535, settingsFor(source, detune));
        const int note = detune == 1 && source != kFm ? 57 : 0;
        EXPECT_EQ(cell.note, note) << frequency << ' ' << source << ' ' << detune;
        EXPECT_EQ(cell.volume, 0) << frequency << ' ' << source << ' ' << detune;
        EXPECT_EQ(cell.detuneValue, 0) << frequency << ' ' << source << ' ' << detune;
      }
    }
  }
  EXPECT_EQ(quantiseCell(1e-300, 65535, settingsFor(kFm)).volume, 0);
  EXPECT_EQ(quantiseCell(inf, 65535, settingsFor(kFm)).volume, 0);
  // A damaged amplitude: negative, or no number at all.
  for (double amplitude : {-65535.0, nan, 1e300})
    EXPECT_EQ(quantiseCell(440.0, amplitude, settingsFor(kFm)).volume, 0) << amplitude;
}

TEST(QuantiseTrack, FillsFiveSlotsPerFrameAndLeavesTheFramesAfterSilent) {
  LoadedTrack loaded;
  loaded.frameCount = 16;
  loaded.amplitudeTable.assign(16 * 8, 65535.0);
  loaded.frequencyTable.assign(16 * 8, 440.0);
  loaded.frequencyTable[15 * 8 + 4] = 880.0;  // frame 15, pair 4
  GenerationSettings settings = settingsFor(kFm);
  settings.channelCount = 3;
  EventGrid grid;
  quantiseTrack(settings, loaded, grid);
  ASSERT_EQ(grid.frames(), 30);          // the writer's second line reads frames 15 to 29
  EXPECT_EQ(grid.cell(15, 4).note, 69);  // slots 3 and 4 are filled with three channels too
  EXPECT_EQ(grid.cell(15, 3).volume, 31);
  for (std::int32_t frame = 16; frame < 40; ++frame)
    for (int slot = 0; slot < kSlotsPerFrame; ++slot) {
      const EventCell cell = std::as_const(grid).cell(frame, slot);
      EXPECT_EQ(cell.note | cell.volume | cell.detuneValue, 0) << frame << ' ' << slot;
    }
}

}  // namespace
}  // namespace generator
