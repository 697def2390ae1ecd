// WAV parsing and sample preparation on arbitrary bytes. The buffer holds the
// file and nothing behind it, so a read past the end is caught rather than
// landing in the slack.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analyser/wave_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  const std::vector<unsigned char> file(data, data + size);
  analyser::WaveLayout layout;
  if (!analyser::parseWave(file.data(), static_cast<std::uint32_t>(file.size()), layout).empty())
    return 0;
  static constexpr std::int32_t kFrameLengths[] = {2940, 2205, 1470, 735};
  const std::int32_t samplesPerFrame = kFrameLengths[size % 4];
  std::vector<std::int32_t> signal(layout.sampleCount + analyser::kLeadIn + analyser::kTail);
  const std::int32_t frames =
      analyser::prepareSignal(file.data(), layout, samplesPerFrame, signal.data());
  if (frames < 1) __builtin_trap();
  return 0;
}
