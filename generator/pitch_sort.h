#pragma once
// Reorders, frame by frame, the first channelCount voices of a track so that
// output channel p keeps following one continuous voice: every permutation is
// tried against the frame before, and the cheapest (the earliest on a tie) wins.

#include <cstdint>

namespace generator {

// Reorders pairs 0..channelCount-1 of frames 1..frameCount-1 of the records in
// place; frame 0 and pairs channelCount..7 never move. Amplitudes are expected
// scaled to 0..65,535; others count as their nearest end of that range.
void pitchSort(unsigned char* records, std::int32_t frameCount, std::int32_t channelCount);

// Thirds of a semitone on a scale where 440 Hz is 207. Frequencies of 0 (and
// those of a damaged track below 0) count as 0.1 Hz.
std::int32_t pitchOf(std::int32_t frequencyTenths);

}  // namespace generator
