#pragma once
// Turns the event grid into MML text: a header line per channel, body lines of
// framesPerLine frames per channel with held notes and rests merged, and a
// closing line per channel; lengths in ticks of a 192-tick whole note, CR LF
// line ends.

#include <cstdint>
#include <string>

#include "generator/quantiser.h"
#include "generator/settings.h"
#include "generator/track_loader.h"

namespace generator {

// The decimal text of the value, at most its first 10 characters.
void appendNumber(std::string& text, std::int32_t value);
// "%" and the number: every length in the text is written this way.
void appendLength(std::string& text, std::int32_t ticks);

// The whole MML text for the track's frameCount and stagger.
std::string composeMml(const GenerationSettings& settings, const LoadedTrack& loaded,
                       const EventGrid& grid);

// The track path without its last four characters, then ".txt".
std::string mmlPathFor(const std::string& trackPath);

// Composes the text and writes it beside the track file; returns the file
// writer's error text, empty on success, and the path it wrote to.
std::string writeMml(const GenerationSettings& settings, const LoadedTrack& loaded,
                     const EventGrid& grid, const std::string& trackPath, std::string& mmlPath);

}  // namespace generator
