#include "analyser/wave_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "analyser/messages.h"
#include "support/wave_builder.h"

namespace analyser {
namespace {

using testing_support::buildWave;
using testing_support::WaveSpec;

struct Parsed {
  std::string error;
  WaveLayout layout;
};

// Parses the file twice: as the whole-file reader delivers it (its bytes, then
// zero slack) and as bare bytes with nothing behind them. A file that ends
// inside a header must give the same answer both ways.
Parsed parse(const std::vector<unsigned char>& file) {
  std::vector<unsigned char> withSlack(file);
  withSlack.resize(file.size() + 4096, 0);
  const auto size = static_cast<std::uint32_t>(file.size());
  Parsed result;
  result.error = parseWave(withSlack.data(), size, result.layout);
  const std::unique_ptr<unsigned char[]> bare(new unsigned char[file.size() + 1]);
  std::copy(file.begin(), file.end(), bare.get());
  WaveLayout layout;
  EXPECT_EQ(parseWave(bare.get(), size, layout), result.error);
  EXPECT_EQ(layout.sampleCount, result.layout.sampleCount);
  return result;
}

WaveSpec monoSpec(std::vector<std::int16_t> samples = {1, 2, 3}) {
  WaveSpec shape;
  shape.samples = std::move(samples);
  return shape;
}

WaveSpec withChunk(std::uint32_t contentBytes) {
  WaveSpec shape = monoSpec();
  shape.extraChunks.push_back({"LIST", std::vector<unsigned char>(contentBytes, 'x')});
  return shape;
}

TEST(ParseWave, AcceptsThePlainLayouts) {
  const Parsed mono = parse(buildWave(monoSpec()));
  ASSERT_EQ(mono.error, "");
  EXPECT_EQ(mono.layout.channelCount, 1);
  EXPECT_EQ(mono.layout.firstSampleByte, 44u);
  EXPECT_EQ(mono.layout.sampleCount, 3u);

  WaveSpec stereo = monoSpec({1, 2, 3, 4, 5});  // two and a half sample times
  stereo.channels = 2;
  const Parsed both = parse(buildWave(stereo));
  ASSERT_EQ(both.error, "");
  EXPECT_EQ(both.layout.channelCount, 2);
  EXPECT_EQ(both.layout.firstSampleByte, 44u);
  EXPECT_EQ(both.layout.sampleCount, 2u);
}

TEST(ParseWave, WalksOverChunksWithoutPadBytes) {
  // An odd length is added as it stands.
  const Parsed parsed = parse(buildWave(withChunk(7)));
  ASSERT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.layout.firstSampleByte, 44u + 8 + 7);
  EXPECT_EQ(parsed.layout.sampleCount, 3u);
}

TEST(ParseWave, IgnoresTheRiffTagAndFindsWaveAnywhereEarly) {
  std::vector<unsigned char> file = buildWave(monoSpec());
  file[0] = 'X';
  EXPECT_EQ(parse(file).error, "");
  // One byte of junk in front moves every chunk along; "WAVE" is still found.
  file.insert(file.begin() + 4, 'j');
  const Parsed shifted = parse(file);
  EXPECT_EQ(shifted.error, "");
  EXPECT_EQ(shifted.layout.firstSampleByte, 45u);
}

TEST(ParseWave, RefusesWithTheFirstFailingCheck) {
  const auto shape = [](auto change) {
    WaveSpec s = monoSpec();
    change(s);
    return buildWave(s);
  };
  std::vector<unsigned char> noWave = buildWave(monoSpec());
  noWave[8] = 'w';
  std::vector<unsigned char> tiny = buildWave(monoSpec());
  tiny.resize(15);
  std::vector<unsigned char> truncated = buildWave(monoSpec());
  truncated.pop_back();  // the data chunk now declares one byte more than follows

  const struct {
    const char* name;
    std::vector<unsigned char> file;
    const char* error;
  } cases[] = {
      {"fewer than 16 bytes", tiny, kCannotHandleFile},
      {"no WAVE", noWave, kCannotHandleFile},
      {"data before fmt", shape([](WaveSpec& s) { s.dataBeforeFormat = true; }), kCannotHandleFile},
      {"data header at 1,024", buildWave(withChunk(1024 - 44)), kCannotHandleFile},
      {"three channels", shape([](WaveSpec& s) { s.channels = 3; }), kCannotHandleFile},
      {"format tag 3", shape([](WaveSpec& s) { s.formatTag = 3; }), kCannotHandleFile},
      {"24 bits", shape([](WaveSpec& s) { s.bitsPerSample = 24; }), kCannotHandleFile},
      {"data too short", truncated, kBadDataLength},
      {"48,000 Hz", shape([](WaveSpec& s) { s.sampleRate = 48'000; }), kNot44100},
      {"8 bits", shape([](WaveSpec& s) { s.bitsPerSample = 8; }), kNot16Bit},
      {"8 bits at 22,050 Hz", shape([](WaveSpec& s) {
         s.bitsPerSample = 8;
         s.sampleRate = 22'050;
       }),
       kNot44100},
      {"short data at 48,000 Hz", shape([](WaveSpec& s) {
         s.sampleRate = 48'000;
         s.overrideDataLength = true;
         s.dataLength = 8;
       }),
       kBadDataLength},
  };
  for (const auto& c : cases) EXPECT_EQ(parse(c.file).error, c.error) << c.name;
}

TEST(ParseWave, FileCutShortAnywhereInItsHeaders) {
  const std::vector<unsigned char> whole = buildWave(monoSpec());
  for (std::size_t size = 0; size < 44; ++size) {
    const Parsed parsed = parse({whole.begin(), whole.begin() + static_cast<long>(size)});
    // Cut before the data header's end, the data can only be missing or short.
    EXPECT_TRUE(parsed.error == kCannotHandleFile || parsed.error == kBadDataLength) << size;
  }
  EXPECT_EQ(parse({whole.begin(), whole.begin() + 40}).error, kBadDataLength);
  EXPECT_EQ(parse({whole.begin(), whole.begin() + 15}).error, kCannotHandleFile);
}

TEST(ParseWave, DataHeaderMustBeginInTheFirstKilobyte) {
  EXPECT_EQ(parse(buildWave(withChunk(1023 - 44))).error, "");
  EXPECT_EQ(parse(buildWave(withChunk(1024 - 44))).error, kCannotHandleFile);
}

TEST(ParseWave, ChunkLengthsNeverWrapAround) {
  // A chunk claiming 4 GiB must end the walk, not loop back to an earlier header.
  std::vector<unsigned char> file = buildWave(withChunk(0));
  const std::size_t list = 36;
  ASSERT_EQ(file[list], 'L');
  for (int i = 4; i < 8; ++i) file[list + i] = 0xFF;
  EXPECT_EQ(parse(file).error, kCannotHandleFile);
}

TEST(ParseWave, UsesOnlyTheDeclaredData) {
  WaveSpec shape = monoSpec({1, 2, 3, 4});
  shape.overrideDataLength = true;
  shape.dataLength = 5;  // two and a half samples
  const Parsed parsed = parse(buildWave(shape));
  ASSERT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.layout.sampleCount, 2u);
}

TEST(ParseWave, TenMinutesIsTheLimit) {
  // Real buffers: the data length is checked against the bytes present.
  const std::uint32_t header = 44;
  std::vector<unsigned char> buffer(header + 105'840'004 + 4096, 0);
  const struct {
    std::uint16_t channels;
    std::uint32_t dataBytes;
    const char* error;
    std::uint32_t sampleCount;
  } cases[] = {
      {1, 52'920'000, "", 26'460'000},
      {1, 52'920'002, kTooLong, 0},
      {2, 105'840'003, "", 26'460'000},
      {2, 105'840'004, kTooLong, 0},
  };
  for (const auto& c : cases) {
    WaveSpec shape;
    shape.channels = c.channels;
    shape.overrideDataLength = true;
    shape.dataLength = c.dataBytes;
    const std::vector<unsigned char> head = buildWave(shape);
    ASSERT_EQ(head.size(), header);
    std::copy(head.begin(), head.end(), buffer.begin());
    WaveLayout layout;
    EXPECT_EQ(parseWave(buffer.data(), header + c.dataBytes, layout), c.error) << c.dataBytes;
    if (*c.error == '\0') {
      EXPECT_EQ(layout.sampleCount, c.sampleCount);
    }
  }
}

std::vector<std::int32_t> prepare(const WaveSpec& shape, std::int32_t& frameCount) {
  std::vector<unsigned char> file = buildWave(shape);
  file.resize(file.size() + 4096, 0);
  WaveLayout layout;
  EXPECT_EQ(parseWave(file.data(), static_cast<std::uint32_t>(file.size() - 4096), layout), "");
  // Junk everywhere, so that every value the preparation owes is seen to be written.
  std::vector<std::int32_t> signal(layout.sampleCount + kSignalBlockSlack, 0x55555555);
  frameCount = prepareSignal(file.data(), layout, 735, signal.data());
  return signal;
}

TEST(PrepareSignal, ScalesMonoAndStereoAlike) {
  std::int32_t frames = 0;
  const std::vector<std::int32_t> mono = prepare(monoSpec({32'767, -32'768, -1}), frames);
  EXPECT_EQ(frames, 2);
  EXPECT_EQ(mono[kLeadIn + 0], 8'388'352);
  EXPECT_EQ(mono[kLeadIn + 1], -8'388'608);
  EXPECT_EQ(mono[kLeadIn + 2], -256);

  WaveSpec stereo = monoSpec({32'767, 32'767, 1, -1, -32'768, -32'768, -3, 0});
  stereo.channels = 2;
  const std::vector<std::int32_t> both = prepare(stereo, frames);
  EXPECT_EQ(both[kLeadIn + 0], 8'388'352);
  EXPECT_EQ(both[kLeadIn + 1], 0);
  EXPECT_EQ(both[kLeadIn + 2], -8'388'608);
  EXPECT_EQ(both[kLeadIn + 3], -384);
}

TEST(PrepareSignal, SurroundsTheSamplesWithSilence) {
  std::int32_t frames = 0;
  const std::vector<std::int32_t> signal = prepare(monoSpec({5, 6}), frames);
  for (int i = 0; i < kLeadIn; ++i) ASSERT_EQ(signal[i], 0) << i;
  for (int i = kLeadIn + 2; i < kLeadIn + 2 + kTail; ++i) ASSERT_EQ(signal[i], 0) << i;
  EXPECT_EQ(signal[kLeadIn + 1], 6 * 256);
}

TEST(FrameCount, HoldsEverySamplePlusOne) {
  const struct {
    std::uint32_t samples;
    std::int32_t perFrame;
    std::int32_t frames;
  } cases[] = {
      {44'100, 2940, 16},
      {44'100, 735, 61},
      {0, 2940, 1},
      {1, 2940, 2},
      {1, 2205, 2},
      {1, 1470, 2},
      {1, 735, 2},
      {2940, 2940, 2},
      {2941, 2940, 3},
      {26'460'000, 2940, 9'001},
      {26'459'265, 735, 36'000},
      {26'459'266, 735, 36'001},
      {26'460'000, 735, 36'001},
  };
  for (const auto& c : cases)
    EXPECT_EQ(frameCountFor(c.samples, c.perFrame), c.frames) << c.samples << "/" << c.perFrame;
}

}  // namespace
}  // namespace analyser
