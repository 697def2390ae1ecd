#include "generator/settings.h"

#include <gtest/gtest.h>

#include <limits>

#include "generator/messages.h"

namespace generator {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(LeadingNumber, ReadsWhatAFieldHolds) {
  const struct {
    const char* text;
    std::int32_t value;
  } cases[] = {
      {"120", 120},
      {"  42abc", 42},
      {"\t\n\v\f\r 5", 5},
      {"+7", 7},
      {"-13", -13},
      {"", 0},
      {"x5", 0},
      {"- 5", 0},
      {"--5", 0},
      {"+-5", 0},
      {"007", 7},
      {"1 2", 1},
      {"\xE3\x80\x80"
       "5",
       0},  // a full-width blank is not white space
      {"2147483647", kMax},
      {"2147483648", kMax},
      {"99999999999999999999999", kMax},
      {"-2147483648", kMin},
      {"-2147483649", kMin},
      {"-99999999999999999999999", kMin},
  };
  for (const auto& c : cases) EXPECT_EQ(readLeadingNumber(c.text), c.value) << '"' << c.text << '"';
}

std::string check(const char* tempo, const char* volume = "100", const char* compensation = "0",
                  const char* path = "song.dat") {
  GenerationControls controls;
  controls.tempoText = tempo;
  controls.volumeText = volume;
  controls.compensationText = compensation;
  controls.pathText = path;
  GenerationSettings settings;
  std::string trackPath;
  return readGenerationSettings(controls, settings, trackPath);
}

TEST(ReadGenerationSettings, RefusesWithTheFirstFailedCheck) {
  const struct {
    const char* tempo;
    const char* volume;
    const char* compensation;
    const char* path;
    std::string message;
  } cases[] = {
      {"120", "100", "0", "song.dat", ""},
      {"75", "20", "191", "song.dat", ""},
      {"320", "200", "0", "song.dat", ""},
      {" 99x", " 50%", "+3 ticks", "song.dat", ""},
      {"74", "100", "0", "song.dat", kTempoOutOfRange},
      {"321", "100", "0", "song.dat", kTempoOutOfRange},
      {"abc", "100", "0", "song.dat", kTempoOutOfRange},
      {"", "100", "0", "song.dat", kTempoOutOfRange},
      {"-120", "100", "0", "song.dat", kTempoOutOfRange},
      {"/120000", "100", "0", "song.dat", kTempoOutOfRange},
      {"4294967416", "100", "0", "song.dat", kTempoOutOfRange},  // 2^32 + 120 must not wrap
      {"120/125000", "100", "0", "song.dat", ""},
      {"120/115000", "100", "0", "song.dat", ""},
      {"120/125001", "100", "0", "song.dat", kFineTempoOutOfRange},
      {"120/114999", "100", "0", "song.dat", kFineTempoOutOfRange},
      {"120/", "100", "0", "song.dat", kFineTempoOutOfRange},
      {"120/1/2", "100", "0", "song.dat", kFineTempoOutOfRange},
      {"120/99999999999", "100", "0", "song.dat", kFineTempoOutOfRange},
      {"120/-99999999999", "100", "0", "song.dat", kFineTempoOutOfRange},
      {"120", "19", "0", "song.dat", kVolumeOutOfRange},
      {"120", "201", "0", "song.dat", kVolumeOutOfRange},
      {"120", "", "0", "song.dat", kVolumeOutOfRange},
      {"120", "99999999999", "0", "song.dat", kVolumeOutOfRange},
      {"120", "100", "-1", "song.dat", kCompensationOutOfRange},
      {"120", "100", "192", "song.dat", kCompensationOutOfRange},
      {"120", "100", "0", "song.DAT  ", ""},
      {"120", "100", "0", "songdat", ""},
      {"120", "100", "0", "Song.DaT\t\r\n", ""},
      {"120", "100", "0", "dat", ""},
      {"120", "100", "0", "song.da", kNotDatFile},
      {"120", "100", "0", "", kNotDatFile},
      {"120", "100", "0", "song.dat\xE3\x80\x80", kNotDatFile},  // full-width blank stays
      {"120", "100", "0", "song.\xEF\xBD\x84\xEF\xBD\x81\xEF\xBD\x94", kNotDatFile},
      // Several bad fields: only the first in the order of the checks.
      {"74", "19", "-1", "x.da", kTempoOutOfRange},
      {"120/0", "19", "-1", "x.da", kFineTempoOutOfRange},
      {"120", "19", "-1", "x.da", kVolumeOutOfRange},
      {"120", "100", "-1", "x.da", kCompensationOutOfRange},
  };
  for (const auto& c : cases)
    EXPECT_EQ(check(c.tempo, c.volume, c.compensation, c.path), c.message)
        << c.tempo << " | " << c.volume << " | " << c.compensation << " | " << c.path;
}

TEST(ReadGenerationSettings, FillsTheRecordFromTheControls) {
  GenerationControls controls;
  controls.tempoText = "120/120500";
  controls.volumeText = "150";
  controls.compensationText = "12";
  controls.pathText = "dir/song.DAT  ";
  controls.detuneOff = false;
  controls.fm = false;
  controls.psg = true;  // five channels stay selected
  controls.pitchSortOn = false;
  GenerationSettings settings;
  std::string path;
  ASSERT_EQ(readGenerationSettings(controls, settings, path), "");
  EXPECT_EQ(path, "dir/song.DAT");
  EXPECT_EQ(settings.tempo, 120);
  EXPECT_EQ(settings.fineTempo, 120500);
  EXPECT_EQ(settings.fineTempoGiven, 1);
  EXPECT_EQ(settings.volumePercent, 150);
  EXPECT_EQ(settings.compensation, 12);
  EXPECT_EQ(settings.soundSource, kPsg);
  EXPECT_EQ(settings.channelCount, 3);
  EXPECT_EQ(settings.detune, 1);
  EXPECT_EQ(settings.framesPerLine, 5);
  EXPECT_EQ(settings.pitchSort, 0);

  controls = GenerationControls{};
  controls.pathText = "song.dat";
  controls.tempoText = "99";
  controls.scc = true;
  controls.fm = false;
  controls.channels5 = false;
  controls.channels4 = true;
  ASSERT_EQ(readGenerationSettings(controls, settings, path), "");
  EXPECT_EQ(settings.fineTempo, 99000);
  EXPECT_EQ(settings.fineTempoGiven, 0);
  EXPECT_EQ(settings.soundSource, kScc);
  EXPECT_EQ(settings.channelCount, 4);
  EXPECT_EQ(settings.detune, 0);
  EXPECT_EQ(settings.framesPerLine, 15);
  EXPECT_EQ(settings.pitchSort, 1);
}

TEST(ReadGenerationSettings, SoundingUnitComesFromItsGroup) {
  GenerationControls controls;
  EXPECT_EQ(selectedSoundingUnit(controls), 15);
  controls.unit15 = false;
  controls.unit20 = true;
  EXPECT_EQ(selectedSoundingUnit(controls), 20);
  controls.unit20 = false;
  controls.unit30 = true;
  EXPECT_EQ(selectedSoundingUnit(controls), 30);
  controls.unit30 = false;
  controls.unit60 = true;
  EXPECT_EQ(selectedSoundingUnit(controls), 60);
}

}  // namespace
}  // namespace generator
