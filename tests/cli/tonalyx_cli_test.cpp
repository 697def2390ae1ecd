// Runs the built tonalyx-cli as a user would and checks what it prints,
// what it writes and how it exits.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"
#include "support/tool_runner.h"
#include "support/wave_builder.h"

namespace {

using testing_support::buildWave;
using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::WaveSpec;
using testing_support::writeBytes;

using Result = testing_support::ToolResult;

pid_t start(const TempDir& dir, const std::vector<std::string>& args) {
  return testing_support::startTool(TONALYX_CLI, dir, args);
}

Result finish(const TempDir& dir, pid_t pid) {
  return testing_support::finishTool(dir, pid);
}

Result run(const TempDir& dir, const std::vector<std::string>& args) {
  return finish(dir, start(dir, args));
}

void writeWave(const TempDir& dir, const std::string& name,
               std::vector<std::int16_t> samples = {}) {
  WaveSpec shape;
  shape.samples = std::move(samples);
  writeBytes(dir.file(name), buildWave(shape));
}

// The trailer: staggerOff and storedUnit from the last 8 bytes.
std::pair<int, int> trailerOf(const std::string& path) {
  const std::vector<unsigned char> file = readBytes(path);
  if (file.size() < 8) return {-1, -1};
  const auto at = [&](std::size_t i) {
    return static_cast<int>(file[i] | file[i + 1] << 8 | file[i + 2] << 16 | file[i + 3] << 24);
  };
  return {at(file.size() - 8), at(file.size() - 4)};
}

TEST(TonalyxCli, WritesTheTrackFileAndSaysSo) {
  TempDir dir;
  writeWave(dir, "a.wav");
  const Result result = run(dir, {"--unit", "60", "a.wav  "});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out, "終了しました\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(trailerOf(dir.file("a.dat")), std::make_pair(0, 60));
}

TEST(TonalyxCli, OptionsReachTheJob) {
  TempDir dir;
  writeWave(dir, "a.wav");
  const struct {
    std::vector<std::string> args;
    std::pair<int, int> trailer;
  } cases[] = {
      {{"a.wav"}, {0, 15}},
      {{"--unit=30", "--no-stagger", "a.wav"}, {1, 30}},
      {{"--no-stagger", "--stagger", "--unit", "20", "--threads", "2", "a.wav"}, {0, 20}},
      {{"--unit", "60", "--optimise", "--no-optimise", "a.wav"}, {0, 60}},
  };
  for (const auto& c : cases) {
    const Result result = run(dir, c.args);
    EXPECT_EQ(result.exitStatus, 0) << c.args[0];
    EXPECT_EQ(trailerOf(dir.file("a.dat")), c.trailer) << c.args[0];
  }
}

TEST(TonalyxCli, QuietAndSummaryShapeTheSuccessOutput) {
  TempDir dir;
  writeWave(dir, "a.wav");
  Result result = run(dir, {"-q", "--unit", "60", "a.wav"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out, "");

  result = run(dir, {"--summary", "--unit", "60", "a.wav"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(
      result.out.rfind("終了しました\ntrack file: a.dat\nframes: 1 at 1/60 s, stagger on\n", 0), 0u)
      << result.out;
  EXPECT_NE(result.out.find("silent"), std::string::npos);
}

TEST(TonalyxCli, JobMessagesGoToStandardErrorWithStatus1) {
  TempDir dir;
  WaveSpec eightBit;
  eightBit.bitsPerSample = 8;
  writeBytes(dir.file("eight.wav"), buildWave(eightBit));
  const struct {
    std::string path;
    std::string message;
  } cases[] = {
      {"missing.wav", "ファイルが見つかりません\n"},
      {"a.mp3", "ＷＡＶＥファイルを指定して下さい\n"},
      {"eight.wav", "データが16Bitではありません\n"},
  };
  for (const auto& c : cases) {
    const Result result = run(dir, {"-q", c.path});
    EXPECT_EQ(result.exitStatus, 1) << c.path;
    EXPECT_EQ(result.err, c.message);
    EXPECT_EQ(result.out, "");
  }
}

TEST(TonalyxCli, UsageErrorsExitWith2) {
  TempDir dir;
  writeWave(dir, "a.wav");
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--unit", "25", "a.wav"},
      {"--unit"},
      {"--bogus", "a.wav"},
      {"a.wav", "b.wav"},
      {"--threads", "-1", "a.wav"},
      {"--threads", "x", "a.wav"},
      {"--quiet=yes", "a.wav"},
  };
  for (const auto& args : cases) {
    const Result result = run(dir, args);
    EXPECT_EQ(result.exitStatus, 2) << ::testing::PrintToString(args);
    EXPECT_NE(result.err.find("Usage: tonalyx-cli"), std::string::npos);
    EXPECT_EQ(result.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("a.dat")));
}

TEST(TonalyxCli, HelpAndVersion) {
  TempDir dir;
  Result result = run(dir, {"--help"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out.rfind("Usage: tonalyx-cli", 0), 0u);
  for (const char* option : {"--unit", "--no-stagger", "--optimise", "--threads", "--summary"})
    EXPECT_NE(result.out.find(option), std::string::npos) << option;
  EXPECT_EQ(run(dir, {"-h"}).out, result.out);

  result = run(dir, {"--version"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.out, "tonalyx-cli " TONALYX_VERSION "\n");
}

TEST(TonalyxCli, DoubleDashLetsAPathBeginWithADash) {
  TempDir dir;
  writeWave(dir, "-a.wav");
  const Result result = run(dir, {"--unit", "60", "--", "-a.wav"});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_TRUE(std::filesystem::exists(dir.file("-a.dat")));
}

TEST(TonalyxCli, CtrlCStopsTheJobWithoutATrackFile) {
  TempDir dir;
  // Three minutes at 1/60 s with four passes: far more work than the second
  // before the interrupt, however fast the machine.
  std::vector<std::int16_t> samples(180 * 44'100);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>(8'000 * std::sin(0.05 * static_cast<double>(i)));
  writeWave(dir, "long.wav", samples);
  const pid_t pid = start(dir, {"--unit", "60", "--optimise", "long.wav"});
  std::this_thread::sleep_for(std::chrono::seconds(1));
  ::kill(pid, SIGINT);
  const Result result = finish(dir, pid);
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "中止しました\n");
  EXPECT_EQ(result.out, "");
  EXPECT_FALSE(std::filesystem::exists(dir.file("long.dat")));
}

}  // namespace
