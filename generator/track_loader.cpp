#include "generator/track_loader.h"

#include <algorithm>

#include "generator/messages.h"
#include "generator/pitch_sort.h"
#include "track/track_format.h"
#include "track/whole_file.h"

namespace generator {
namespace {

std::int32_t findPeakAmplitude(const unsigned char* records, std::int32_t frameCount) {
  std::int32_t peak = 1;
  for (std::int32_t frame = 0; frame < frameCount; ++frame)
    for (int pair = 0; pair < track::kPairsPerRecord; ++pair)
      peak =
          std::max(peak, track::readPair(records, static_cast<std::size_t>(frame), pair).amplitude);
  return peak;
}

// a * 65,535 / peak, truncated. Only a damaged track holds negative
// amplitudes; they become 0, as silent as they are meant to be, instead of
// values far outside 32 bits.
void scaleAmplitudes(unsigned char* records, std::int32_t frameCount, std::int32_t peak) {
  for (std::int32_t frame = 0; frame < frameCount; ++frame) {
    for (int pair = 0; pair < track::kPairsPerRecord; ++pair) {
      unsigned char* at = records + track::pairOffset(static_cast<std::size_t>(frame), pair);
      const std::int32_t amplitude = track::loadInt32(at);
      const double scaled = double(amplitude) * kFullScale / peak;
      track::storeInt32(at, amplitude < 0 ? 0 : static_cast<std::int32_t>(scaled));
    }
  }
}

void fillTables(LoadedTrack& loaded) {
  const auto cells = static_cast<std::size_t>(loaded.frameCount) * track::kPairsPerRecord;
  loaded.amplitudeTable.assign(cells, 0.0);
  loaded.frequencyTable.assign(cells, 0.0);
  std::size_t cell = 0;
  for (std::int32_t frame = 0; frame < loaded.frameCount; ++frame) {
    for (int pair = 0; pair < track::kPairsPerRecord; ++pair, ++cell) {
      const track::VoicePair value =
          track::readPair(loaded.records, static_cast<std::size_t>(frame), pair);
      loaded.amplitudeTable[cell] = value.amplitude;
      loaded.frequencyTable[cell] = value.frequencyTenths / 10.0;
    }
  }
}

}  // namespace

std::string loadTrack(track::BlockList& blocks, const std::string& trackPath,
                      std::int32_t selectedUnit, GenerationSettings& settings,
                      LoadedTrack& loaded) {
  loaded = LoadedTrack{};
  track::FileBuffer file;
  std::string error = track::readWholeFile(blocks, trackPath, track::kStandardSlack, file);
  if (!error.empty()) return error;

  const std::uint32_t records = file.length / track::kRecordBytes;
  if (records == 0) return kNoData;
  if (records > static_cast<std::uint32_t>(kMaxFrames)) return kDataTooLarge;
  loaded.records = file.data;
  loaded.frameCount = static_cast<std::int32_t>(records);
  loaded.peakAmplitude = findPeakAmplitude(loaded.records, loaded.frameCount);

  const track::TrackTrailer trailer = track::readTrailer(loaded.records, records);
  // 1 - staggerOff on unsigned: a damaged trailer wraps instead of overflowing.
  loaded.stagger = static_cast<std::int32_t>(1u - static_cast<std::uint32_t>(trailer.staggerOff));
  settings.soundingUnit = selectedUnit;
  if (trailer.storedUnit != settings.soundingUnit && trailer.storedUnit != 0)
    return unitMismatchMessage(trailer.storedUnit);
  if (settings.soundingUnit == 60) loaded.stagger = 0;
  if (loaded.stagger == 1 && settings.pitchSort == 1) return kPitchSortWithStagger;

  scaleAmplitudes(loaded.records, loaded.frameCount, loaded.peakAmplitude);
  loaded.peakAmplitude = kFullScale;
  if (loaded.stagger == 0 && settings.pitchSort == 1)
    pitchSort(loaded.records, loaded.frameCount, settings.channelCount);
  fillTables(loaded);
  return {};
}

}  // namespace generator
