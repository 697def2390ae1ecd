// The length limits, end to end through the command-line tools: ten minutes
// of sound in mono and in stereo is analysed, one sample time more is refused,
// and a ten-minute sound at 1/60 s gives 36,001 records.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/wave_builder.h"
#include "track/track_format.h"

namespace {

using testing_support::readBytes;
using testing_support::TempDir;

constexpr std::uint32_t kTenMinutes = 26'460'000;

// A 16-bit 44,100 Hz WAV of `sampleTimes` sample times: a second of 440 Hz at
// the start and silence after it. The silence is left as a hole in the file,
// so even the largest sound is written in an instant.
void writeLongWave(const std::string& path, std::uint16_t channels, std::uint32_t sampleTimes,
                   std::uint32_t extraBytes = 0) {
  const std::uint32_t dataBytes = sampleTimes * channels * 2u + extraBytes;
  std::vector<unsigned char> head;
  testing_support::putTag(head, "RIFF");
  testing_support::putU32(head, 36 + dataBytes);
  testing_support::putTag(head, "WAVE");
  testing_support::putTag(head, "fmt ");
  testing_support::putU32(head, 16);
  testing_support::putU16(head, 1);
  testing_support::putU16(head, channels);
  testing_support::putU32(head, 44'100);
  testing_support::putU32(head, 44'100u * channels * 2);
  testing_support::putU16(head, channels * 2u);
  testing_support::putU16(head, 16);
  testing_support::putTag(head, "data");
  testing_support::putU32(head, dataBytes);
  for (int k = 0; k < 44'100; ++k) {
    const auto s =
        static_cast<std::int16_t>(std::lround(10'000 * std::sin(2 * M_PI * 440 * k / 44'100.0)));
    for (int c = 0; c < channels; ++c) testing_support::putU16(head, static_cast<std::uint16_t>(s));
  }
  testing_support::writeBytes(path, head);
  std::filesystem::resize_file(path, 44 + std::uint64_t{dataBytes});
}

struct Outcome {
  int exitStatus;
  std::string err;
};

Outcome analyse(const TempDir& dir, const std::string& options, const std::string& wav) {
  const std::string errPath = dir.file("stderr.txt");
  const std::string command =
      std::string(TONALYX_CLI) + " --quiet " + options + " '" + wav + "' 2> '" + errPath + "'";
  const int status = std::system(command.c_str());
  const auto bytes = readBytes(errPath);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(bytes.begin(), bytes.end())};
}

TEST(Limits, TenMinutesOfMonoAt60GivesAllItsRecords) {
  TempDir dir;
  writeLongWave(dir.file("ten.wav"), 1, kTenMinutes);
  const Outcome outcome = analyse(dir, "--unit 60 --no-stagger", dir.file("ten.wav"));
  ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
  const auto file = readBytes(dir.file("ten.dat"));
  ASSERT_EQ(file.size(), 36'001u * track::kRecordBytes);
  const track::TrackTrailer trailer = track::readTrailer(file.data(), 36'001);
  EXPECT_EQ(trailer.staggerOff, 1);
  EXPECT_EQ(trailer.storedUnit, 60);
  // The tone of the first second is found; the silence after it is silence.
  EXPECT_NEAR(track::readPair(file.data(), 30, 0).frequencyTenths, 4'400, 5);
  EXPECT_EQ(track::readPair(file.data(), 36'000, 0).amplitude, 0);
}

TEST(Limits, TenMinutesOfStereoIsTheLimitToo) {
  TempDir dir;
  // Three bytes short of a further sample time are ignored.
  writeLongWave(dir.file("stereo.wav"), 2, kTenMinutes, 3);
  const Outcome outcome = analyse(dir, "--no-optimise", dir.file("stereo.wav"));
  ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
  EXPECT_EQ(std::filesystem::file_size(dir.file("stereo.dat")), 9'001u * track::kRecordBytes);
}

TEST(Limits, OneSampleTimeMoreIsRefused) {
  TempDir dir;
  writeLongWave(dir.file("mono.wav"), 1, kTenMinutes + 1);
  writeLongWave(dir.file("stereo.wav"), 2, kTenMinutes + 1);
  for (const char* name : {"mono", "stereo"}) {
    const Outcome outcome = analyse(dir, "", dir.file(std::string(name) + ".wav"));
    EXPECT_EQ(outcome.exitStatus, 1) << name;
    EXPECT_EQ(outcome.err, "音声データが長すぎます\n") << name;
    EXPECT_FALSE(std::filesystem::exists(dir.file(std::string(name) + ".dat"))) << name;
  }
}

}  // namespace
