#include "generator/conversion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "generator/messages.h"
#include "support/temp_dir.h"
#include "track/file_messages.h"
#include "track_fixture.h"

namespace generator {
namespace {

using testing_support::TempDir;
using testing_support::TrackFixture;

class RecordingSink : public MessageSink {
 public:
  void showMessage(const std::string& text, bool exclamation) override {
    messages.emplace_back(text, exclamation);
  }
  std::vector<std::pair<std::string, bool>> messages;
};

// Amplitudes and tenths of a hertz that give the cells of the examples.
constexpr std::int32_t kA4 = 4400, kC5 = 5233;
constexpr std::int32_t kPsgLevel12 = 20000, kPsgLevel8 = 5000, kPsgLevel9 = 7000;
constexpr std::int32_t kSccLevel10 = 42000, kFmLevel10 = 10000;

class Conversion : public ::testing::Test {
 protected:
  GenerationControls controlsFor(const std::string& name) const {
    GenerationControls controls;
    controls.pathText = dir.file(name);
    return controls;
  }
  GenerationControls psg(const std::string& name) const {
    GenerationControls controls = controlsFor(name);
    controls.fm = false;
    controls.psg = true;
    controls.pitchSortOn = false;
    return controls;
  }

  // The conversion's one message and whether it carried the exclamation icon.
  std::pair<std::string, bool> run(const GenerationControls& controls) {
    sink.messages.clear();
    generator.runConversion(controls);
    EXPECT_EQ(sink.messages.size(), 1u);
    return sink.messages.empty() ? std::pair<std::string, bool>{} : sink.messages.front();
  }

  // Converts and returns the MML text, expecting success.
  std::string convert(const GenerationControls& controls) {
    const auto [message, exclamation] = run(controls);
    EXPECT_EQ(message, kFinished);
    EXPECT_FALSE(exclamation);
    const auto bytes = testing_support::readBytes(generator.lastOutputPath());
    return {bytes.begin(), bytes.end()};
  }

  bool exists(const std::string& name) const { return std::filesystem::exists(dir.file(name)); }

  TempDir dir;
  RecordingSink sink;
  Generator generator{sink};
};

TEST_F(Conversion, WritesTheTenLinePsgExample) {
  TrackFixture(15)
      .hold(0, kPsgLevel12, kA4, 0, 6)
      .hold(0, 0, kA4, 6, 15)
      .hold(2, kPsgLevel8, kC5)
      .write(dir.file("song.dat"));
  EXPECT_EQ(convert(psg("song.dat")),
            "1 L%6\r\n2 L%6\r\n3 L%6\r\n\r\n"
            "1 V12O4A%38R%58\r\n2 R%96\r\n3 V8O5C%96\r\n"
            "1 R%3  ;TOTAL R%99\r\n2 R%3  ;TOTAL R%99\r\n3 R%3  ;TOTAL R%99\r\n");
  EXPECT_EQ(generator.lastOutputPath(), dir.file("song.txt"));
}

TEST_F(Conversion, WritesTheStaggeredSccExample) {
  TrackFixture fixture(15, 20, 0);
  for (int pair = 0; pair < 4; ++pair) fixture.hold(pair, kSccLevel10, kA4);
  fixture.write(dir.file("scc.dat"));
  GenerationControls controls = controlsFor("scc.dat");
  controls.fm = false;
  controls.scc = true;
  controls.channels5 = false;
  controls.channels4 = true;
  controls.unit15 = false;
  controls.unit20 = true;
  controls.pitchSortOn = false;
  EXPECT_EQ(convert(controls),
            "4 @00L%5\r\n5 @00L%5R%1\r\n6 @00L%5R%3\r\n7 @00L%5\r\n\r\n"
            "4 V10O4A%72\r\n5 V10O4A%72\r\n6 V10O4A%72\r\n7 V10O4A%72\r\n"
            "4 R%6  ;TOTAL R%78\r\n5 R%5  ;TOTAL R%78\r\n"
            "6 R%3  ;TOTAL R%78\r\n7 R%6  ;TOTAL R%78\r\n");
}

TEST_F(Conversion, RestRunsHaveNoLimitAndNotesRestartPast255Ticks) {
  TrackFixture(60).hold(1, kPsgLevel9, kC5).write(dir.file("long.dat"));
  GenerationControls controls = psg("long.dat");
  controls.tempoText = "320";
  EXPECT_EQ(convert(controls),
            "1 L%17\r\n2 L%17\r\n3 L%17\r\n\r\n"
            "1 R%255\r\n2 V9O5C%255\r\n3 R%255\r\n"
            "1 R%255\r\n2 C%255\r\n3 R%255\r\n"
            "1 R%256\r\n2 C%239C\r\n3 R%256\r\n"
            "1 R%256\r\n2 C%239C\r\n3 R%256\r\n"
            "1 R%8  ;TOTAL R%1030\r\n2 R%8  ;TOTAL R%1030\r\n3 R%8  ;TOTAL R%1030\r\n");
}

TEST_F(Conversion, WritesTheFmDetuneExample) {
  // 905.8 Hz is note 69 and 128/256 above it, 908.3 Hz 140/256 above it.
  TrackFixture(2, 30)
      .voice(0, 0, kFmLevel10, 9058)
      .voice(1, 0, kFmLevel10, 9083)
      .write(dir.file("fm.dat"));
  GenerationControls controls = controlsFor("fm.dat");
  controls.detuneOff = false;
  controls.unit15 = false;
  controls.unit30 = true;
  controls.pitchSortOn = false;
  EXPECT_EQ(convert(controls),
            "9 @15Q0L%3\r\na @15Q0L%3\r\nb @15Q0L%3\r\nc @15Q0L%3\r\nd @15Q0L%3\r\n\r\n"
            "9 V10@\\128O5A@\\140AR%10\r\na R%16\r\nb R%16\r\nc R%16\r\nd R%16\r\n"
            "9 R%3  ;TOTAL R%19\r\na R%3  ;TOTAL R%19\r\nb R%3  ;TOTAL R%19\r\n"
            "c R%3  ;TOTAL R%19\r\nd R%3  ;TOTAL R%19\r\n");
}

TEST_F(Conversion, PitchSortKeepsEachChannelOnItsVoice) {
  // Two voices that trade places in the track every frame.
  TrackFixture fixture(15);
  for (int frame = 0; frame < 15; ++frame) {
    fixture.voice(frame, frame % 2, kPsgLevel12, kA4);
    fixture.voice(frame, 1 - frame % 2, kPsgLevel8, kC5);
  }
  fixture.write(dir.file("swap.dat"));
  GenerationControls controls = psg("swap.dat");
  controls.pitchSortOn = true;
  const std::string text = convert(controls);
  EXPECT_NE(text.find("1 V12O4A%96\r\n2 V8O5C%96\r\n3 R%96\r\n"), std::string::npos) << text;
}

TEST_F(Conversion, SettingsChecksComeFirstWithTheExclamationIcon) {
  const struct {
    const char* tempo;
    const char* volume;
    const char* compensation;
    const char* name;
    const char* message;
  } cases[] = {
      {"74", "19", "-1", "missing.da", kTempoOutOfRange},
      {"120/126000", "19", "-1", "missing.da", kFineTempoOutOfRange},
      {"120", "19", "-1", "missing.da", kVolumeOutOfRange},
      {"120", "100", "192", "missing.da", kCompensationOutOfRange},
      {"120", "100", "0", "missing.da", kNotDatFile},
  };
  for (const auto& c : cases) {
    GenerationControls controls = controlsFor(c.name);
    controls.tempoText = c.tempo;
    controls.volumeText = c.volume;
    controls.compensationText = c.compensation;
    EXPECT_EQ(run(controls), std::make_pair(std::string(c.message), true)) << c.message;
  }
}

TEST_F(Conversion, LoadFailuresEndTheConversionWithoutIconOrOutput) {
  testing_support::writeBytes(dir.file("short.dat"), std::vector<unsigned char>(63, 0));
  std::vector<unsigned char> huge(64 * 60001, 0);
  track::writeTrailer(huge.data(), 60001, {1, 15});
  testing_support::writeBytes(dir.file("huge.dat"), huge);
  TrackFixture(3, 30).write(dir.file("thirty.dat"));
  TrackFixture(3, 15, 0).write(dir.file("staggered.dat"));
  const struct {
    const char* name;
    std::string message;
  } cases[] = {
      {"missing.dat", track::kFileNotFound},
      {"no/folder.dat", track::kCannotOpenFile},
      {"short.dat", kNoData},
      {"huge.dat", kDataTooLarge},
      {"thirty.dat", "発音単位が違います （1/30秒）"},
      {"staggered.dat", kPitchSortWithStagger},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(controlsFor(c.name)), std::make_pair(c.message, false)) << c.name;
    const std::string name = c.name;
    EXPECT_FALSE(exists(name.substr(0, name.size() - 4) + ".txt")) << c.name;
  }
  EXPECT_EQ(generator.lastOutputPath(), "");
}

TEST_F(Conversion, ReportsAnOutputThatCannotBeCreated) {
  TrackFixture(3).write(dir.file("song.dat"));
  std::filesystem::create_directory(dir.file("song.txt"));
  EXPECT_EQ(run(controlsFor("song.dat")),
            std::make_pair(std::string(track::kCannotCreateFile), false));
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("song.txt")));
}

TEST_F(Conversion, NamesTheOutputAfterTheTrimmedPath) {
  TrackFixture(3).write(dir.file("Song.DAT"));
  testing_support::writeBytes(dir.file("Song.txt"), {'o', 'l', 'd'});
  GenerationControls controls = controlsFor("Song.DAT");
  controls.pathText += " \t ";
  const std::string text = convert(controls);
  EXPECT_EQ(generator.lastOutputPath(), dir.file("Song.txt"));
  EXPECT_EQ(text.substr(0, 10), "9 @15Q0L%6");  // the old file was replaced

  TrackFixture(3).write(dir.file("曲名dat"));
  convert(controlsFor("曲名dat"));
  EXPECT_EQ(generator.lastOutputPath(), dir.file("曲.txt"));
  EXPECT_TRUE(exists("曲.txt"));

  // A failure keeps the path of the last file written.
  run(controlsFor("missing.dat"));
  EXPECT_EQ(generator.lastOutputPath(), dir.file("曲.txt"));
}

TEST_F(Conversion, KeepsTheValuesTheWindowShowsWhenItOpens) {
  EXPECT_EQ(generator.tempo(), 120);
  EXPECT_EQ(generator.volumePercent(), 100);
  EXPECT_EQ(generator.compensation(), 0);
  TrackFixture(3).write(dir.file("song.dat"));
  GenerationControls controls = controlsFor("song.dat");
  controls.tempoText = "150/150200";
  controls.volumeText = "80";
  controls.compensationText = "5";
  convert(controls);
  EXPECT_EQ(generator.tempo(), 150);
  EXPECT_EQ(generator.volumePercent(), 80);
  EXPECT_EQ(generator.compensation(), 5);
}

TEST_F(Conversion, ConvertsADamagedTrackWithoutHarm) {
  // Extreme values that the analyser never writes, in every pair.
  const std::int32_t values[] = {std::numeric_limits<std::int32_t>::min(), -1, 0, 1, 7,
                                 std::numeric_limits<std::int32_t>::max()};
  TrackFixture fixture(40, 15, 1, false);
  for (int frame = 0; frame < 40; ++frame)
    for (int pair = 0; pair < 7; ++pair)
      fixture.voice(frame, pair, values[(frame + pair) % 6], values[(frame * 5 + pair * 3) % 6]);
  fixture.write(dir.file("damaged.dat"));
  for (const bool detune : {false, true}) {
    for (const int source : {0, 1, 2}) {
      GenerationControls controls = controlsFor("damaged.dat");
      controls.detuneOff = !detune;
      controls.psg = source == 0;
      controls.scc = source == 1;
      controls.fm = source == 2;
      const std::string text = convert(controls);
      EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << detune << ' ' << source;
    }
  }
}

TEST_F(Conversion, ConvertsTheLongestTrackWithFiveChannelsAndDetune) {
  constexpr int kFrames = 60000;
  TrackFixture fixture(kFrames);
  for (int frame = 0; frame < kFrames; ++frame)
    for (int pair = 0; pair < 6; ++pair)
      fixture.voice(frame, pair, 2000 + 9000 * ((frame + pair) % 7),
                    1100 + 700 * pair + 13 * ((frame * (pair + 3)) % 97));
  fixture.write(dir.file("long.dat"));
  GenerationControls controls = controlsFor("long.dat");
  controls.detuneOff = false;
  const std::string text = convert(controls);

  std::size_t lines = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
    ++lines;
  EXPECT_EQ(lines, 5u + 1u + 5u * (kFrames / 5) + 5u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  // 1/15 s at tempo 120 is 32 ticks every five frames, plus the closing 3.
  EXPECT_EQ(text.find("9 R%3  ;TOTAL R%384003\r\na R%3  ;TOTAL R%384003\r\n"
                      "b R%3  ;TOTAL R%384003\r\nc R%3  ;TOTAL R%384003\r\n"
                      "d R%3  ;TOTAL R%384003\r\n"),
            text.size() - 5 * 24)
      << text.substr(text.size() - 200);
}

}  // namespace
}  // namespace generator
