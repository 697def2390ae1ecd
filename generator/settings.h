#pragma once
// The settings of one conversion, read from the window's controls and checked
// before any file is touched.

#include <cstdint>
#include <string>
#include <string_view>

namespace generator {

// The controls as the user left them.
struct GenerationControls {
  std::string pathText;                // DATファイル field as typed
  std::string tempoText = "120";       // TEMPO field
  std::string volumeText = "100";      // 音量(%) field
  std::string compensationText = "0";  // 発音補整 field
  bool detuneOff = true;               // "無し" selected
  bool psg = false, scc = false, fm = true;
  bool channels3 = false, channels4 = false, channels5 = true;
  bool unit15 = true, unit20 = false, unit30 = false, unit60 = false;
  bool pitchSortOn = true;  // "する" selected
};

inline constexpr std::int32_t kPsg = 1;
inline constexpr std::int32_t kScc = 2;
inline constexpr std::int32_t kFm = 3;

struct GenerationSettings {
  std::int32_t tempo = 120;          // beats per minute, 75..320
  std::int32_t fineTempo = 120000;   // thousandths of a beat per minute
  std::int32_t fineTempoGiven = 0;   // the TEMPO text holds a "/"
  std::int32_t volumePercent = 100;  // 20..200
  std::int32_t compensation = 0;     // ticks of a 192-tick whole note, 0..191
  std::int32_t soundSource = kFm;    // kPsg, kScc or kFm
  std::int32_t channelCount = 5;     // 3..5; always 3 for PSG
  std::int32_t detune = 0;
  std::int32_t framesPerLine = 15;  // 5 with detune
  std::int32_t pitchSort = 1;
  std::int32_t soundingUnit = 0;  // frames per second; set by the track loading
};

// Skips leading white space, takes one sign and the decimal digits up to the
// first other character; 0 without digits. Values beyond 32 bits saturate, so
// the range checks refuse them.
std::int32_t readLeadingNumber(std::string_view text);

// Fills every field but `soundingUnit`, and the path with trailing white space
// removed. Returns the message of the first failed check, empty when all pass.
// Fields read before a failed check keep their new values.
std::string readGenerationSettings(const GenerationControls& controls, GenerationSettings& settings,
                                   std::string& trackPath);

// 15, 20, 30 or 60 from the 発音単位 group.
std::int32_t selectedSoundingUnit(const GenerationControls& controls);

}  // namespace generator
