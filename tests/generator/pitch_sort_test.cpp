#include "generator/pitch_sort.h"

#include <gtest/gtest.h>

#include <vector>

#include "track/track_format.h"

namespace track {
bool operator==(const VoicePair& a, const VoicePair& b) {
  return a.amplitude == b.amplitude && a.frequencyTenths == b.frequencyTenths;
}
void PrintTo(const VoicePair& pair, std::ostream* out) {
  *out << '(' << pair.amplitude << ", " << pair.frequencyTenths << ')';
}
}  // namespace track

namespace generator {
namespace {

using Frame = std::vector<track::VoicePair>;  // pairs from 0

std::vector<unsigned char> recordsOf(const std::vector<Frame>& frames) {
  std::vector<unsigned char> records(frames.size() * track::kRecordBytes, 0);
  for (std::size_t f = 0; f < frames.size(); ++f)
    for (std::size_t p = 0; p < frames[f].size(); ++p)
      track::writePair(records.data(), f, static_cast<int>(p), frames[f][p]);
  return records;
}

Frame frameOf(const std::vector<unsigned char>& records, std::size_t frame, int pairs) {
  Frame result;
  for (int p = 0; p < pairs; ++p) result.push_back(track::readPair(records.data(), frame, p));
  return result;
}

std::vector<unsigned char> sorted(const std::vector<Frame>& frames, int channels) {
  std::vector<unsigned char> records = recordsOf(frames);
  pitchSort(records.data(), static_cast<std::int32_t>(frames.size()), channels);
  return records;
}

TEST(PitchOf, IsThirdsOfASemitoneWith440HzAt207) {
  const struct {
    std::int32_t tenths, pitch;
  } cases[] = {{4400, 207}, {550, 99}, {8800, 243}, {1, -228}, {0, -228}, {-4400, -228}};
  for (const auto& c : cases) EXPECT_EQ(pitchOf(c.tenths), c.pitch) << c.tenths;
}

const track::VoicePair kA{60000, 4400}, kB{30000, 2200}, kC{10000, 8800}, kD{50000, 3300},
    kE{20000, 6600};

TEST(PitchSort, LeavesTheFirstFrameAndRepeatedFramesAlone) {
  const std::vector<Frame> single = {{kC, kA, kB}};
  EXPECT_EQ(sorted(single, 3), recordsOf(single));
  const std::vector<Frame> steady = {{kC, kA, kB}, {kC, kA, kB}, {kC, kA, kB}};
  EXPECT_EQ(sorted(steady, 3), recordsOf(steady));
}

TEST(PitchSort, PutsPermutedVoicesBackInTheOrderOfTheFrameBefore) {
  const auto three = sorted({{kA, kB, kC}, {kC, kA, kB}, {kB, kC, kA}}, 3);
  for (std::size_t frame = 1; frame < 3; ++frame)
    EXPECT_EQ(frameOf(three, frame, 3), (Frame{kA, kB, kC})) << frame;

  const auto five = sorted({{kA, kB, kC, kD, kE}, {kE, kD, kC, kB, kA}, {kC, kE, kA, kD, kB}}, 5);
  for (std::size_t frame = 1; frame < 3; ++frame)
    EXPECT_EQ(frameOf(five, frame, 5), (Frame{kA, kB, kC, kD, kE})) << frame;
}

TEST(PitchSort, MovesOnlyTheFirstChannelCountPairs) {
  Frame before = {kA, kB, kC, kD, kE, kA, kB, {7, 9}};
  Frame after = {kC, kA, kB, kE, kD, kC, kE, {8, 10}};
  const auto records = sorted({before, after}, 3);
  Frame expected = {kA, kB, kC, kE, kD, kC, kE, {8, 10}};
  EXPECT_EQ(frameOf(records, 1, 8), expected);
}

TEST(PitchSort, TiesGoToTheEarliestPermutationInLexicographicOrder) {
  // Only the loud voice has a place that costs nothing; the two quiet ones
  // cost nothing anywhere. Of the orders 201 and 210, 201 comes first.
  const track::VoicePair loud{40000, 4400}, quietLow{500, 1100}, quietHigh{800, 6600};
  const auto records = sorted({{loud, {300, 2000}, {200, 3000}}, {quietLow, quietHigh, loud}}, 3);
  EXPECT_EQ(frameOf(records, 1, 3), (Frame{loud, quietLow, quietHigh}));
}

TEST(PitchSort, AQuietVoiceCostsItsLoudnessDistanceWhateverItsPitch) {
  // Kept in place, the loud voice would cost 36 (an octave) × 694; swapped,
  // the quiet voice at 8 kHz costs only 1 × 4,095 against the loud one before
  // it and the loud one 1 × 10,308 against the silence before it.
  const track::VoicePair loudOctave{30000, 8800}, quietFar{1000, 80000};
  const auto records = sorted({{kA, {0, 0}, {0, 0}}, {loudOctave, quietFar, {0, 0}}}, 3);
  EXPECT_EQ(frameOf(records, 1, 3), (Frame{quietFar, loudOctave, {0, 0}}));
}

TEST(PitchSort, TreatsADamagedNegativeAmplitudeAsSilence) {
  const auto negative = sorted({{kA, kB, kC}, {{-5, 2200}, kC, kA}}, 3);
  const auto zero = sorted({{kA, kB, kC}, {{0, 2200}, kC, kA}}, 3);
  for (const auto& records : {negative, zero}) {
    const Frame frame = frameOf(records, 1, 3);
    EXPECT_EQ(frame[0], kA);
    EXPECT_EQ(frame[1].frequencyTenths, 2200);
    EXPECT_EQ(frame[2], kC);
  }
}

}  // namespace
}  // namespace generator
