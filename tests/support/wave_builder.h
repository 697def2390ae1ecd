#pragma once
// Builds WAV files in memory for tests: the plain 44-byte layout by default,
// with every header field open to change so the refusals can be reached.

#include <cstdint>
#include <string>
#include <vector>

// At -O3, GCC 12 reports an overflow in buildWave's vector copies that is not
// there, a known false positive of that version.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#endif

namespace testing_support {

struct WaveSpec {
  std::uint16_t formatTag = 1;
  std::uint16_t channels = 1;
  std::uint32_t sampleRate = 44100;
  std::uint16_t bitsPerSample = 16;
  std::vector<std::int16_t> samples;  // interleaved when stereo
  // Chunks written between "fmt " and "data", each a code and its contents.
  std::vector<std::pair<std::string, std::vector<unsigned char>>> extraChunks;
  bool dataBeforeFormat = false;
  // When set, the data chunk declares this length instead of the true one.
  bool overrideDataLength = false;
  std::uint32_t dataLength = 0;
};

inline void putU16(std::vector<unsigned char>& out, std::uint32_t v) {
  out.push_back(static_cast<unsigned char>(v));
  out.push_back(static_cast<unsigned char>(v >> 8));
}

inline void putU32(std::vector<unsigned char>& out, std::uint32_t v) {
  putU16(out, v & 0xFFFF);
  putU16(out, v >> 16);
}

inline void putTag(std::vector<unsigned char>& out, const std::string& tag) {
  out.insert(out.end(), tag.begin(), tag.begin() + 4);
}

inline std::vector<unsigned char> buildWave(const WaveSpec& shape) {
  std::vector<unsigned char> format;
  putTag(format, "fmt ");
  putU32(format, 16);
  putU16(format, shape.formatTag);
  putU16(format, shape.channels);
  putU32(format, shape.sampleRate);
  const std::uint32_t blockAlign = shape.channels * shape.bitsPerSample / 8u;
  putU32(format, shape.sampleRate * blockAlign);
  putU16(format, blockAlign);
  putU16(format, shape.bitsPerSample);

  std::vector<unsigned char> data;
  putTag(data, "data");
  const auto bytes = static_cast<std::uint32_t>(shape.samples.size() * 2);
  putU32(data, shape.overrideDataLength ? shape.dataLength : bytes);
  for (std::int16_t s : shape.samples) putU16(data, static_cast<std::uint16_t>(s));

  std::vector<unsigned char> body;
  putTag(body, "WAVE");
  const auto& first = shape.dataBeforeFormat ? data : format;
  const auto& second = shape.dataBeforeFormat ? format : data;
  body.insert(body.end(), first.begin(), first.end());
  if (!shape.dataBeforeFormat) {
    for (const auto& [tag, contents] : shape.extraChunks) {
      putTag(body, tag);
      putU32(body, static_cast<std::uint32_t>(contents.size()));
      body.insert(body.end(), contents.begin(), contents.end());
    }
  }
  body.insert(body.end(), second.begin(), second.end());

  std::vector<unsigned char> file;
  putTag(file, "RIFF");
  putU32(file, static_cast<std::uint32_t>(body.size()));
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

}  // namespace testing_support

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
