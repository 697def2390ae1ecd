#include "generator/settings.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "generator/messages.h"
#include "track/path_rules.h"

namespace generator {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::int32_t saturate(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Splits the TEMPO text at its first "/": the part before is the tempo, the
// part after (possibly empty) the fine tempo.
void readTempo(std::string_view text, GenerationSettings& settings) {
  const std::size_t slash = text.find('/');
  settings.tempo = readLeadingNumber(text.substr(0, slash));
  if (slash != std::string_view::npos) {
    settings.fineTempo = readLeadingNumber(text.substr(slash + 1));
    settings.fineTempoGiven = 1;
  } else {
    // Saturated: a tempo out of range is refused next, before its fine
    // tempo is looked at.
    settings.fineTempo = saturate(std::int64_t{settings.tempo} * 1000);
    settings.fineTempoGiven = 0;
  }
}

bool fineTempoWithinReach(const GenerationSettings& settings) {
  const std::int64_t difference =
      std::int64_t{settings.fineTempo} - std::int64_t{settings.tempo} * 1000;
  return std::llabs(difference) <= 5000;
}

}  // namespace

std::int32_t readLeadingNumber(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && isBlank(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  // Accumulated as a magnitude that stops growing just past the 32-bit range.
  constexpr std::int64_t kCap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    magnitude = magnitude * 10 + (text[at] - '0');
    if (magnitude > kCap) magnitude = kCap;
  }
  return saturate(negative ? -magnitude : magnitude);
}

std::string readGenerationSettings(const GenerationControls& controls, GenerationSettings& settings,
                                   std::string& trackPath) {
  settings.pitchSort = controls.pitchSortOn ? 1 : 0;
  settings.detune = controls.detuneOff ? 0 : 1;
  settings.soundSource = controls.psg ? kPsg : controls.scc ? kScc : kFm;
  settings.channelCount = controls.channels3 ? 3 : controls.channels4 ? 4 : 5;
  if (settings.soundSource == kPsg) settings.channelCount = 3;
  settings.framesPerLine = settings.detune == 1 ? 5 : 15;

  readTempo(controls.tempoText, settings);
  if (settings.tempo < 75 || settings.tempo > 320) return kTempoOutOfRange;
  if (!fineTempoWithinReach(settings)) return kFineTempoOutOfRange;

  settings.volumePercent = readLeadingNumber(controls.volumeText);
  if (settings.volumePercent < 20 || settings.volumePercent > 200) return kVolumeOutOfRange;

  settings.compensation = readLeadingNumber(controls.compensationText);
  if (settings.compensation < 0 || settings.compensation > 191) return kCompensationOutOfRange;

  trackPath = track::trimTrailingWhitespace(controls.pathText);
  if (!track::endsWithLetters(trackPath, "dat")) return kNotDatFile;
  return {};
}

std::int32_t selectedSoundingUnit(const GenerationControls& controls) {
  if (controls.unit15) return 15;
  if (controls.unit20) return 20;
  if (controls.unit30) return 30;
  if (controls.unit60) return 60;
  return 15;
}

}  // namespace generator
