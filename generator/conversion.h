#pragma once
// One conversion of a track file into MML text: settings and their checks,
// loading, pitch sort, quantisation, the writer, and one closing message.

#include <cstdint>
#include <string>

namespace generator {

// The controls as the user left them.
struct GenerationControls {
  std::string pathText;               // DATファイル field as typed
  std::string tempoText = "120";      // TEMPO field
  std::string volumeText = "100";     // 音量(%) field
  std::string compensationText = "0"; // 発音補整 field
  bool detuneOff = true;              // "無し" selected
  bool psg = false, scc = false, fm = true;
  bool channels3 = false, channels4 = false, channels5 = true;
  bool unit15 = true, unit20 = false, unit30 = false, unit60 = false;
  bool pitchSortOn = true;            // "する" selected
};

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // The conversion's one message; `exclamation` for the settings checks.
  virtual void showMessage(const std::string& text, bool exclamation) = 0;
};

// One per program. Holds the values the window shows when it opens.
class Generator {
 public:
  explicit Generator(MessageSink& sink);
  ~Generator();
  Generator(const Generator&) = delete;
  Generator& operator=(const Generator&) = delete;

  void runConversion(const GenerationControls& controls);

  std::int32_t tempo() const;          // starts at 120
  std::int32_t volumePercent() const;  // starts at 100
  std::int32_t compensation() const;   // starts at 0
  // The MML file the last successful conversion wrote.
  const std::string& lastOutputPath() const;

 private:
  struct State;
  State* state_;
};

}  // namespace generator
