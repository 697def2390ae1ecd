#pragma once
// Reads a track file whole, checks it against the settings, scales its
// amplitudes so that the loudest becomes 65,535, optionally pitch-sorts it,
// and fills the tables the quantisation works from.

#include <cstdint>
#include <string>
#include <vector>

#include "generator/settings.h"
#include "track/block_list.h"

namespace generator {

inline constexpr std::int32_t kMaxFrames = 60000;
inline constexpr std::int32_t kFullScale = 65535;

struct LoadedTrack {
  unsigned char* records = nullptr;  // the file's bytes, a block of the conversion
  std::int32_t frameCount = 0;       // 1..60,000
  std::int32_t stagger = 0;          // non-zero: channels start staggered
  std::int32_t peakAmplitude = 1;    // 65,535 once scaled
  // Eight entries per frame, frame-major: scaled amplitudes and hertz.
  std::vector<double> amplitudeTable;
  std::vector<double> frequencyTable;

  double amplitude(std::int32_t frame, int pair) const {
    return amplitudeTable[index(frame, pair)];
  }
  double frequency(std::int32_t frame, int pair) const {
    return frequencyTable[index(frame, pair)];
  }

 private:
  static std::size_t index(std::int32_t frame, int pair) {
    return static_cast<std::size_t>(frame) * 8 + static_cast<std::size_t>(pair);
  }
};

// Sets settings.soundingUnit to `selectedUnit` once the file is read. Returns
// the conversion's error text, empty on success. The file buffer stays in
// `blocks` until the caller releases them.
std::string loadTrack(track::BlockList& blocks, const std::string& trackPath,
                      std::int32_t selectedUnit, GenerationSettings& settings, LoadedTrack& loaded);

}  // namespace generator
