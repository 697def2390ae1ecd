#pragma once
// One conversion of a track file into MML text: settings and their checks,
// loading, pitch sort, quantisation, the writer, and one closing message.

#include <cstdint>
#include <memory>
#include <string>

#include "generator/settings.h"

namespace generator {

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

  // Runs synchronously to its one message: "終了しました" or what went wrong.
  void runConversion(const GenerationControls& controls);

  std::int32_t tempo() const;          // starts at 120
  std::int32_t volumePercent() const;  // starts at 100
  std::int32_t compensation() const;   // starts at 0
  // The MML file the last successful conversion wrote.
  const std::string& lastOutputPath() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace generator
