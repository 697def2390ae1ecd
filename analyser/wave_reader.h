#pragma once
// Finds the format and data chunks of a WAV file held in memory, checks that
// it is 16-bit PCM at 44,100 Hz, mono or stereo, at most ten minutes, and
// turns its samples into the job's signal with silent margins on both sides.

#include <cstdint>
#include <string>

namespace analyser {

inline constexpr std::uint32_t kMaxSampleCount = 26'460'000;  // ten minutes at 44,100 Hz
// Zeros before signal index 0 and after the last sample.
inline constexpr std::int32_t kLeadIn = 16'384;
inline constexpr std::int32_t kTail = 16'384;
// Values of a signal block: more than the margins need, as the job allocates it.
inline constexpr std::uint32_t kSignalBlockSlack = 262'144;

struct WaveLayout {
  std::int32_t channelCount = 0;      // 1 or 2
  std::uint32_t firstSampleByte = 0;  // the data chunk's header position + 8
  std::uint32_t sampleCount = 0;      // sample times, one value per channel each
};

// The position of the first chunk named `code` at or after `position` and
// below `end`, walking from header to header; -1 when there is none. Bytes at
// or past `size` read as zero.
std::int64_t findChunk(const unsigned char* buffer, std::uint32_t size, std::uint64_t position,
                       std::uint64_t end, const char (&code)[5]);

// `buffer` holds the `size` bytes of the file; the header fields that a short
// file lacks read as zero, so no slack is needed behind it. Returns the error text, empty when the
// file is usable.
std::string parseWave(const unsigned char* buffer, std::uint32_t size, WaveLayout& layout);

// Fills the first sampleCount + 32,768 values of `signalBuffer`: the lead-in,
// the samples (mono s x 256, stereo (L + R) x 128) and the tail. Returns frameCount.
std::int32_t prepareSignal(const unsigned char* buffer, const WaveLayout& layout,
                           std::int32_t samplesPerFrame, std::int32_t* signalBuffer);

// Frames that hold every sample, plus one.
std::int32_t frameCountFor(std::uint32_t sampleCount, std::int32_t samplesPerFrame);

}  // namespace analyser
