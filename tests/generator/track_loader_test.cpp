#include "generator/track_loader.h"

#include <gtest/gtest.h>

#include <limits>

#include "generator/messages.h"
#include "support/temp_dir.h"
#include "track/file_messages.h"
#include "track_fixture.h"

namespace generator {
namespace {

using testing_support::TempDir;
using testing_support::TrackFixture;

class LoadTrack : public ::testing::Test {
 protected:
  std::string load(const std::vector<unsigned char>& bytes, std::int32_t selectedUnit = 15) {
    const std::string path = dir.file("track.dat");
    testing_support::writeBytes(path, bytes);
    return loadTrack(blocks, path, selectedUnit, settings, loaded);
  }
  std::string load(const TrackFixture& fixture, std::int32_t selectedUnit = 15) {
    return load(fixture.bytes(), selectedUnit);
  }

  TempDir dir;
  track::BlockList blocks;
  GenerationSettings settings;
  LoadedTrack loaded;
};

TEST_F(LoadTrack, CountsWholeRecordsWithinTheLimits) {
  const struct {
    std::size_t bytes;
    std::string message;
    std::int32_t frames;
  } cases[] = {
      {0, kNoData, 0},
      {63, kNoData, 0},
      {64, "", 1},
      {64 * 3 + 63, "", 3},
      {64 * 60000, "", 60000},
      {64 * 60000 + 63, "", 60000},
      {64 * 60001, kDataTooLarge, 0},
  };
  for (const auto& c : cases) {
    std::vector<unsigned char> bytes(c.bytes, 0);
    if (c.bytes >= 64) track::writeTrailer(bytes.data(), c.bytes / 64, {1, 15});
    EXPECT_EQ(load(bytes), c.message) << c.bytes;
    if (c.message.empty()) {
      EXPECT_EQ(loaded.frameCount, c.frames) << c.bytes;
    }
    blocks.allocBlock(0);
  }
}

TEST_F(LoadTrack, TakesTheTrailerFromTheLastWholeRecord) {
  std::vector<unsigned char> bytes = TrackFixture(1, 15).bytes();
  bytes.resize(100, 0);
  track::storeInt32(&bytes[96], 30);  // the last four bytes of the file are not the trailer
  EXPECT_EQ(load(bytes), "");
  EXPECT_EQ(loaded.frameCount, 1);
  EXPECT_EQ(loaded.stagger, 0);
}

TEST_F(LoadTrack, ReportsTheReadersText) {
  EXPECT_EQ(loadTrack(blocks, dir.file("missing.dat"), 15, settings, loaded), track::kFileNotFound);
  EXPECT_EQ(loadTrack(blocks, dir.file("no/such.dat"), 15, settings, loaded),
            track::kCannotOpenFile);
}

TEST_F(LoadTrack, ChecksTheStoredUnit) {
  EXPECT_EQ(load(TrackFixture(2, 30), 15), "発音単位が違います （1/30秒）");
  EXPECT_EQ(load(TrackFixture(2, -5), 15), "発音単位が違います （1/-5秒）");
  EXPECT_EQ(load(TrackFixture(2, 30), 30), "");
  EXPECT_EQ(settings.soundingUnit, 30);
  for (std::int32_t unit : {15, 20, 30, 60}) {
    EXPECT_EQ(load(TrackFixture(2, 0), unit), "") << unit;
    EXPECT_EQ(settings.soundingUnit, unit);
  }
  // Too large is reported before a unit mismatch.
  std::vector<unsigned char> huge(64 * 60001, 0);
  track::writeTrailer(huge.data(), 60001, {1, 30});
  EXPECT_EQ(load(huge, 15), kDataTooLarge);
}

TEST_F(LoadTrack, RefusesThePitchSortOnAStaggeredTrack) {
  settings.pitchSort = 1;
  EXPECT_EQ(load(TrackFixture(2, 15, 0)), kPitchSortWithStagger);
  EXPECT_EQ(load(TrackFixture(2, 0, 0)), kPitchSortWithStagger);  // unit 0 is staggered too
  // At 1/60 s there is no stagger, so the sort runs.
  EXPECT_EQ(load(TrackFixture(2, 60, 0), 60), "");
  EXPECT_EQ(loaded.stagger, 0);

  settings.pitchSort = 0;
  EXPECT_EQ(load(TrackFixture(2, 15, 0)), "");
  EXPECT_EQ(loaded.stagger, 1);
}

TEST_F(LoadTrack, ADamagedTrailerCountsAsStaggeredWithoutRefusingTheSort) {
  settings.pitchSort = 1;
  // staggerOff 2 gives stagger -1; the trailer's slot also counts for the peak.
  EXPECT_EQ(load(TrackFixture(2, 15, 2, false).voice(0, 0, 1, 4400)), "");
  EXPECT_EQ(loaded.stagger, -1);
  EXPECT_EQ(loaded.amplitude(0, 0), 32767.0);
  EXPECT_EQ(load(TrackFixture(2, 15, std::numeric_limits<std::int32_t>::min())), "");
  EXPECT_NE(loaded.stagger, 0);
}

TEST_F(LoadTrack, ScalesTheLoudestAmplitudeOfTheWholeTrackTo65535) {
  settings.pitchSort = 0;
  ASSERT_EQ(load(TrackFixture(3, 15, 1, false)
                     .voice(0, 0, 1000, 4400)
                     .voice(1, 5, 2000, 8000)  // pair 5: played by no channel
                     .voice(2, 1, -7, 550)
                     .voice(2, 2, 333, 0)),
            "");
  EXPECT_EQ(loaded.peakAmplitude, 65535);
  EXPECT_EQ(loaded.amplitude(1, 5), 65535.0);
  EXPECT_EQ(loaded.amplitude(0, 0), 32767.0);  // 32,767.5 truncated
  EXPECT_EQ(loaded.amplitude(2, 2), 10911.0);  // 333 × 65,535 ÷ 2,000 = 10,911.58
  EXPECT_EQ(loaded.amplitude(2, 1), 0.0);      // a damaged negative amplitude is silence
  EXPECT_EQ(loaded.frequency(0, 0), 440.0);
  EXPECT_EQ(loaded.frequency(2, 1), 55.0);
  EXPECT_EQ(loaded.frequency(2, 2), 0.0);
  EXPECT_EQ(loaded.frequency(1, 3), 0.0);
}

TEST_F(LoadTrack, KeepsSilenceSilent) {
  ASSERT_EQ(load(TrackFixture(2, 15, 1, false).voice(0, 0, 0, 4400)), "");
  for (int pair = 0; pair < 7; ++pair) EXPECT_EQ(loaded.amplitude(0, pair), 0.0);
  EXPECT_EQ(loaded.amplitude(1, 7), 65535.0);  // the trailer's staggerOff of 1 was the peak
}

TEST_F(LoadTrack, SortsWhenAskedAndOnlyThen) {
  const TrackFixture swapped = TrackFixture(2, 15)
                                   .voice(0, 0, 60000, 4400)
                                   .voice(0, 1, 30000, 2200)
                                   .voice(0, 2, 10000, 8800)
                                   .voice(1, 0, 30000, 2200)
                                   .voice(1, 1, 60000, 4400)
                                   .voice(1, 2, 10000, 8800);
  settings.channelCount = 3;
  settings.pitchSort = 0;
  ASSERT_EQ(load(swapped), "");
  EXPECT_EQ(loaded.frequency(1, 0), 220.0);
  settings.pitchSort = 1;
  ASSERT_EQ(load(swapped), "");
  EXPECT_EQ(loaded.frequency(1, 0), 440.0);
  EXPECT_EQ(loaded.amplitude(1, 0), 60000.0);
  EXPECT_EQ(loaded.frequency(1, 1), 220.0);
}

}  // namespace
}  // namespace generator
