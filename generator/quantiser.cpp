#include "generator/quantiser.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace generator {
namespace {

// Truncation toward zero, refused for NaN, infinities and values outside
// 32 bits: a damaged track must not reach an undefined conversion.
std::optional<std::int32_t> truncated(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::uint8_t low8(std::int32_t value) {
  return static_cast<std::uint8_t>(value);
}
std::int16_t low16(std::int32_t value) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
}

// What a frequency without a note gives: silence, tuned to nothing.
EventCell silentCell(const GenerationSettings& settings) {
  EventCell cell;
  if (settings.detune == 1 && settings.soundSource != kFm) cell.note = 57;
  return cell;
}

// Chip level before the offset; each step of PSG and FM is half an octave of
// amplitude.
std::optional<std::int32_t> chipLevel(std::int32_t r, std::int32_t soundSource) {
  if (soundSource == kScc) return r >> 12;
  const auto level = truncated(std::log(static_cast<double>(r)) / std::log(2.0) * 2);
  if (!level) return std::nullopt;
  return *level - 16;
}

}  // namespace

EventCell quantiseCell(double frequency, double amplitude, const GenerationSettings& settings) {
  if (!(frequency > 0.0)) return silentCell(settings);
  const double x = std::log(frequency) / std::log(1.0594630943592953) - 48.376316;
  const auto nearest = truncated(x + 0.5);
  const auto whole = truncated(x);
  auto r = truncated(settings.volumePercent * amplitude / 100.0);
  if (!nearest || !whole || !r) return silentCell(settings);
  if (x < 12.0) *r = 0;
  // Below 1 only from a damaged track's negative amplitude: as silent as 0.
  if (*r < 1) *r = 1;

  auto level = chipLevel(*r, settings.soundSource);
  if (!level) return silentCell(settings);
  std::int32_t v = std::min(*level, 15);
  std::int32_t offset = settings.soundSource == kFm ? 16 : 0;
  if (v < 0) {
    v = 0;
    offset = 0;
  }

  EventCell cell;
  if (settings.detune == 0)
    cell.note = low8(*nearest);
  else
    cell.note = settings.soundSource == kFm ? low8(*whole) : 57;
  cell.volume = static_cast<std::uint8_t>(v + offset);
  if (settings.soundSource == kFm) {
    const auto fraction = truncated((x - *whole) * 256.0);
    cell.detuneValue = fraction ? static_cast<std::int16_t>(low8(*fraction)) : 0;
  } else {
    const auto period =
        truncated((111860.78125 / frequency - 254.229 - (settings.soundSource - 1)) * 8.0 + 0.5);
    if (!period) return silentCell(settings);
    cell.detuneValue = low16(*period);
  }
  return cell;
}

void EventGrid::clear(std::int32_t frameCount) {
  cells_.assign(static_cast<std::size_t>(frameCount + kFramesPastTheEnd) * kSlotsPerFrame,
                EventCell{});
}

void quantiseTrack(const GenerationSettings& settings, const LoadedTrack& loaded, EventGrid& grid) {
  grid.clear(loaded.frameCount);
  for (std::int32_t frame = 0; frame < loaded.frameCount; ++frame)
    for (int slot = 0; slot < kSlotsPerFrame; ++slot)
      grid.cell(frame, slot) =
          quantiseCell(loaded.frequency(frame, slot), loaded.amplitude(frame, slot), settings);
}

}  // namespace generator
