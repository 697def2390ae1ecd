// Runs the built scorvane-cli as a user would and checks what it prints, what
// it writes and how it exits.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/tool_runner.h"
#include "support/wave_builder.h"

namespace {

using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

using Result = testing_support::ToolResult;
using testing_support::readText;
using testing_support::runTool;

Result run(const TempDir& dir, const std::vector<std::string>& args) {
  return runTool(SCORVANE_CLI, dir, args);
}

// A track of 15 frames of 64-byte records: pair 0 plays A of octave 4 at full
// scale throughout, pair 7 of the last record is the trailer.
void writeTrack(const TempDir& dir, const std::string& name, std::uint32_t unit = 15,
                std::uint32_t staggerOff = 1) {
  std::vector<unsigned char> bytes;
  for (int frame = 0; frame < 15; ++frame) {
    testing_support::putU32(bytes, 65535);
    testing_support::putU32(bytes, 4400);
    for (int word = 2; word < 14; ++word) testing_support::putU32(bytes, 0);
    testing_support::putU32(bytes, frame == 14 ? staggerOff : 0);
    testing_support::putU32(bytes, frame == 14 ? unit : 0);
  }
  writeBytes(dir.file(name), bytes);
}

std::string firstLine(const std::string& text) {
  return text.substr(0, text.find("\r\n"));
}

TEST(ScorvaneCli, WritesTheMmlFileAndSaysSo) {
  TempDir dir;
  writeTrack(dir, "song.dat");
  const Result result = run(dir, {"song.dat"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out, "終了しました\n");
  EXPECT_EQ(result.err, "");
  const std::string mml = readText(dir.file("song.txt"));
  EXPECT_EQ(firstLine(mml), "9 @15Q0L%6");  // FM, five channels by default
  EXPECT_NE(mml.find("\r\n\r\n9 V15O4A%96\r\n"), std::string::npos) << mml;

  const Result quiet = run(dir, {"-q", "song.dat"});
  EXPECT_EQ(quiet.exitStatus, 0);
  EXPECT_EQ(quiet.out + quiet.err, "");
}

TEST(ScorvaneCli, OptionsReachTheConversion) {
  TempDir dir;
  writeTrack(dir, "song.dat");
  writeTrack(dir, "thirty.dat", 30, 0);
  const struct {
    std::vector<std::string> args;
    std::string file, header, body;
  } cases[] = {
      {{"--source", "psg", "song.dat"}, "song.txt", "1 L%6", "1 V15O4A%96"},
      {{"--source=scc", "--channels=4", "song.dat"}, "song.txt", "4 @00L%6", "4 V15O4A%96"},
      {{"--tempo", "320", "--volume", "50", "song.dat"}, "song.txt", "9 @15Q0L%17", "9 V13O4A%255"},
      {{"--detune", "--no-detune", "--compensation", "96", "song.dat"},
       "song.txt",
       "9 @15Q0L%6",
       "9 V15O4A%96"},
      {{"--detune", "song.dat"}, "song.txt", "9 @15Q0L%6", "9 V15@\\0O4A@\\0A@\\0A%7@\\0A@\\0A%7"},
      {{"--tempo=120/120000", "--unit", "30", "--no-pitch-sort", "thirty.dat"},
       "thirty.txt",
       "9 @15Q0L%3",
       "9 V15O4A%48"},
  };
  for (const auto& c : cases) {
    const Result result = run(dir, c.args);
    ASSERT_EQ(result.exitStatus, 0) << c.args.front() << result.err;
    const std::string mml = readText(dir.file(c.file));
    EXPECT_EQ(firstLine(mml), c.header) << c.args.front();
    EXPECT_NE(mml.find("\r\n\r\n" + c.body + "\r\n"), std::string::npos) << c.args.front() << mml;
    std::filesystem::remove(dir.file(c.file));
  }
  // Channel count: three FM channels give three header lines.
  ASSERT_EQ(run(dir, {"--channels", "3", "song.dat"}).exitStatus, 0);
  EXPECT_EQ(readText(dir.file("song.txt")).substr(0, 38),
            "9 @15Q0L%6\r\na @15Q0L%6\r\nb @15Q0L%6\r\n\r\n");
}

TEST(ScorvaneCli, ConversionMessagesGoToStandardErrorWithStatus1) {
  TempDir dir;
  writeTrack(dir, "song.dat");
  writeTrack(dir, "staggered.dat", 15, 0);
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--tempo", "abc", "song.dat"}, "テンポを75-320までに指定して下さい"},
      {{"--tempo", "-120", "song.dat"}, "テンポを75-320までに指定して下さい"},
      {{"--tempo=120/", "song.dat"}, "テンポ補整値を正しく指定して下さい"},
      {{"--volume", "", "song.dat"}, "音量(%)を20-200までに指定して下さい"},
      {{"--compensation", "-1", "song.dat"},
       "補整値を0-191までに指定して下さい（全音符で192の計算です）"},
      {{"song.da"}, "ＤＡＴファイルを指定して下さい"},
      {{""}, "ＤＡＴファイルを指定して下さい"},
      {{"missing.dat"}, "ファイルが見つかりません"},
      {{"--unit", "20", "song.dat"}, "発音単位が違います （1/15秒）"},
      {{"staggered.dat"}, "音程ソートはできません（発音ずらし指定になっています）"},
  };
  for (const auto& c : cases) {
    const Result result = run(dir, c.args);
    EXPECT_EQ(result.exitStatus, 1) << c.message;
    EXPECT_EQ(result.out, "") << c.message;
    EXPECT_EQ(result.err, c.message + "\n");
    EXPECT_EQ(run(dir,
                  [&] {
                    auto quiet = c.args;
                    quiet.insert(quiet.begin(), "--quiet");
                    return quiet;
                  }())
                  .err,
              c.message + "\n");
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("song.txt")));
  // Values taken as typed: " 99x" reads as 99.
  EXPECT_EQ(run(dir, {"--tempo", " 99x", "--volume= 50%", "song.dat"}).exitStatus, 0);
}

TEST(ScorvaneCli, UsageErrorsExitWith2) {
  TempDir dir;
  writeTrack(dir, "song.dat");
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"song.dat", "other.dat"},
      {"--frobnicate", "song.dat"},
      {"song.dat", "--tempo"},
      {"--quiet=yes", "song.dat"},
      {"--source", "opl", "song.dat"},
      {"--channels", "6", "song.dat"},
      {"--channels=3 ", "song.dat"},
      {"--unit", "25", "song.dat"},
  };
  for (const auto& args : cases) {
    const Result result = run(dir, args);
    EXPECT_EQ(result.exitStatus, 2) << (args.empty() ? "" : args.front());
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("Usage: scorvane-cli"), std::string::npos) << result.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("song.txt")));
}

TEST(ScorvaneCli, HelpAndVersion) {
  TempDir dir;
  const Result help = run(dir, {"--help"});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_EQ(help.err, "");
  for (const char* word : {"Usage: scorvane-cli", "--tempo", "--compensation", "--source",
                           "--channels", "--pitch-sort", "--unit", "Exit status"})
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  EXPECT_EQ(run(dir, {"-h"}).out, help.out);

  const Result version = run(dir, {"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_EQ(version.out, std::string("scorvane-cli ") + TONALYX_VERSION + "\n");
}

TEST(ScorvaneCli, DoubleDashLetsAPathBeginWithADash) {
  TempDir dir;
  writeTrack(dir, "-song.dat");
  const Result result = run(dir, {"--", "-song.dat"});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_TRUE(std::filesystem::exists(dir.file("-song.txt")));
}

#ifdef TONALYX_CLI
TEST(ScorvaneCli, ASteady440HzToneComesOutAsAOfOctave4) {
  TempDir dir;
  testing_support::WaveSpec shape;
  for (int i = 0; i < 44100; ++i)
    shape.samples.push_back(static_cast<std::int16_t>(
        12000.0 * std::sin(2.0 * 3.14159265358979 * 440.0 * i / 44100.0)));
  writeBytes(dir.file("tone.wav"), testing_support::buildWave(shape));
  const Result analysed = runTool(TONALYX_CLI, dir, {"--no-stagger", "tone.wav"});
  ASSERT_EQ(analysed.exitStatus, 0) << analysed.err;
  const Result generated = run(dir, {"tone.dat"});
  ASSERT_EQ(generated.exitStatus, 0) << generated.err;

  // Every note of the first channel, wherever it sounds, is A of octave 4.
  const std::string mml = readText(dir.file("tone.txt"));
  std::string notes;
  for (std::size_t at = mml.find("\r\n9 "); at != std::string::npos;
       at = mml.find("\r\n9 ", at + 1)) {
    const std::string line = mml.substr(at + 4, mml.find("\r\n", at + 4) - at - 4);
    if (line.front() == 'R' && line.find("TOTAL") != std::string::npos) break;
    notes += line;
  }
  EXPECT_NE(notes.find("O4A"), std::string::npos) << mml;
  for (char c : notes)
    EXPECT_TRUE(c == 'A' || c == 'R' || c == 'V' || c == 'O' || c == '%' || std::isdigit(c))
        << c << " in " << notes;
}
#endif

}  // namespace
