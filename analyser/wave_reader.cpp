#include "analyser/wave_reader.h"

#include <algorithm>
#include <cstring>

#include "analyser/messages.h"

namespace analyser {
namespace {

// The header fields of a file buffer. Bytes past the end of the file read as
// zero, exactly like the zero slack behind a file buffer, but without relying
// on it: a file that ends inside a header is read safely from any buffer.
class HeaderBytes {
 public:
  HeaderBytes(const unsigned char* buffer, std::uint32_t size) : buffer_(buffer), size_(size) {}

  std::uint32_t byte(std::uint64_t at) const { return at < size_ ? buffer_[at] : 0; }
  std::uint32_t load16(std::uint64_t at) const { return byte(at) | byte(at + 1) << 8; }
  std::uint32_t load32(std::uint64_t at) const { return load16(at) | load16(at + 2) << 16; }
  bool matches(std::uint64_t at, const char* code) const {
    for (int i = 0; i < 4; ++i)
      if (byte(at + i) != static_cast<unsigned char>(code[i])) return false;
    return true;
  }

 private:
  const unsigned char* buffer_;
  std::uint32_t size_;
};

std::int32_t signed16(const unsigned char* at) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(at[0] | at[1] << 8));
}

// Only the first kilobyte is searched for the chunk headers.
constexpr std::uint32_t kHeaderWindow = 1024;
constexpr std::uint32_t kSmallestFile = 16;

std::int64_t findWaveTag(const HeaderBytes& bytes, std::uint32_t limit) {
  for (std::uint32_t at = 4; at < limit; ++at)
    if (bytes.matches(at, "WAVE")) return at;
  return -1;
}

struct FormatFields {
  std::uint32_t formatTag, channels, sampleRate, bitsPerSample;
};

FormatFields readFormat(const HeaderBytes& bytes, std::uint64_t chunk) {
  return {bytes.load16(chunk + 8), bytes.load16(chunk + 10), bytes.load32(chunk + 12),
          bytes.load16(chunk + 22)};
}

std::int64_t findChunk(const HeaderBytes& bytes, std::uint64_t position, std::uint64_t end,
                       const char (&code)[5]) {
  // The length is unsigned and added without wrap-around, so every step
  // moves at least eight bytes on and the walk always ends.
  while (position < end) {
    if (bytes.matches(position, code)) return static_cast<std::int64_t>(position);
    position += 8 + std::uint64_t{bytes.load32(position + 4)};
  }
  return -1;
}

}  // namespace

std::int64_t findChunk(const unsigned char* buffer, std::uint32_t size, std::uint64_t position,
                       std::uint64_t end, const char (&code)[5]) {
  return findChunk(HeaderBytes(buffer, size), position, end, code);
}

std::string parseWave(const unsigned char* buffer, std::uint32_t size, WaveLayout& layout) {
  const HeaderBytes bytes(buffer, size);
  const std::uint32_t limit = std::min(size, kHeaderWindow);
  if (limit < kSmallestFile) return kCannotHandleFile;
  const std::int64_t wave = findWaveTag(bytes, limit);
  if (wave < 0) return kCannotHandleFile;
  const std::int64_t format = findChunk(bytes, static_cast<std::uint64_t>(wave) + 4, limit, "fmt ");
  if (format < 0) return kCannotHandleFile;
  const auto formatAt = static_cast<std::uint64_t>(format);
  const std::int64_t data =
      findChunk(bytes, formatAt + 8 + bytes.load32(formatAt + 4), limit, "data");
  if (data < 0) return kCannotHandleFile;
  const FormatFields fields = readFormat(bytes, formatAt);
  if (fields.formatTag != 1 || (fields.channels != 1 && fields.channels != 2) ||
      (fields.bitsPerSample != 8 && fields.bitsPerSample != 16))
    return kCannotHandleFile;

  const std::int64_t declared = bytes.load32(static_cast<std::uint64_t>(data) + 4);
  std::int64_t present = std::int64_t{size} - (data + 8);
  if (declared > present) return kBadDataLength;
  present = declared;  // anything behind the data chunk is ignored
  if (fields.sampleRate != 44'100) return kNot44100;
  if (fields.bitsPerSample != 16) return kNot16Bit;

  const std::int64_t bytesPerSampleTime = fields.channels * fields.bitsPerSample / 8;
  const std::int64_t sampleCount = present / bytesPerSampleTime;
  if (sampleCount > kMaxSampleCount) return kTooLong;

  layout.channelCount = static_cast<std::int32_t>(fields.channels);
  layout.firstSampleByte = static_cast<std::uint32_t>(data + 8);
  layout.sampleCount = static_cast<std::uint32_t>(sampleCount);
  return {};
}

std::int32_t prepareSignal(const unsigned char* buffer, const WaveLayout& layout,
                           std::int32_t samplesPerFrame, std::int32_t* signalBuffer) {
  std::fill_n(signalBuffer, kLeadIn, 0);
  std::int32_t* samples = signalBuffer + kLeadIn;
  const unsigned char* in = buffer + layout.firstSampleByte;
  if (layout.channelCount == 1) {
    for (std::uint32_t i = 0; i < layout.sampleCount; ++i, in += 2) samples[i] = signed16(in) * 256;
  } else {
    // The two channels are summed before the scaling, so (1, -1) gives 0.
    for (std::uint32_t i = 0; i < layout.sampleCount; ++i, in += 4)
      samples[i] = (signed16(in) + signed16(in + 2)) * 128;
  }
  std::fill_n(samples + layout.sampleCount, kTail, 0);
  return frameCountFor(layout.sampleCount, samplesPerFrame);
}

std::int32_t frameCountFor(std::uint32_t sampleCount, std::int32_t samplesPerFrame) {
  const std::int64_t perFrame = samplesPerFrame;
  return static_cast<std::int32_t>((std::int64_t{sampleCount} + 2 * perFrame - 1) / perFrame);
}

}  // namespace analyser
