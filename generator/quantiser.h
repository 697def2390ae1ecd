#pragma once
// Turns the loaded track into what the chips can play: per frame and per slot
// (pairs 0..4) a note number, a chip volume and a fine-tuning value.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "generator/settings.h"
#include "generator/track_loader.h"

namespace generator {

// 4 bytes: note, volume, then the signed detune value.
struct EventCell {
  std::uint8_t note = 0;         // semitones above C at 16.35 Hz; 57 is A at 440 Hz
  std::uint8_t volume = 0;       // 0 silent; PSG, SCC 1..15; FM 16 + level
  std::int16_t detuneValue = 0;  // FM: 1/256 semitone; PSG, SCC: period difference in eighths
};
static_assert(sizeof(EventCell) == 4 && offsetof(EventCell, volume) == 1 &&
              offsetof(EventCell, detuneValue) == 2);

inline constexpr int kSlotsPerFrame = 5;
// The writer completes its last line with up to 14 frames past the track.
inline constexpr std::int32_t kFramesPastTheEnd = 14;

// Five cells per frame, frame-major, for every frame of the track and the
// silent frames that follow it.
class EventGrid {
 public:
  void clear(std::int32_t frameCount);
  EventCell& cell(std::int32_t frame, int slot) { return cells_[index(frame, slot)]; }
  // Cells past the grid read as silent.
  EventCell cell(std::int32_t frame, int slot) const {
    const std::size_t at = index(frame, slot);
    return at < cells_.size() ? cells_[at] : EventCell{};
  }
  std::int32_t frames() const { return static_cast<std::int32_t>(cells_.size() / kSlotsPerFrame); }

 private:
  static std::size_t index(std::int32_t frame, int slot) {
    return static_cast<std::size_t>(frame) * kSlotsPerFrame + static_cast<std::size_t>(slot);
  }
  std::vector<EventCell> cells_;
};

// One cell from a frequency in hertz and an amplitude scaled to 0..65,535.
EventCell quantiseCell(double frequency, double amplitude, const GenerationSettings& settings);

// Clears the grid for the track and fills frames 0..frameCount-1, slots 0..4.
void quantiseTrack(const GenerationSettings& settings, const LoadedTrack& loaded, EventGrid& grid);

}  // namespace generator
