#include "generator/mml_writer.h"

#include <array>
#include <cmath>

#include "track/path_rules.h"
#include "track/whole_file.h"

namespace generator {
namespace {

constexpr char kChannelLetters[] = "123456789abcd";
constexpr char kNoteNames[] = "C C+D D+E F F+G G+A A+B ";
constexpr std::array<int, 12> kNoteNameLengths = {1, 2, 1, 2, 1, 1, 2, 1, 2, 1, 2, 1};
constexpr int kMaxChannels = 5;
// A merged note never passes this many ticks; rests have no limit.
constexpr std::int32_t kLongestNote = 255;

double frac(double value) {
  return value - std::trunc(value);
}

// Derived once per conversion from the settings.
struct Timing {
  std::int32_t wholeNoteSixtieths;
  double sixtiethsPerTick;
  std::int32_t sixtiethsPerFrame;
  std::int32_t defaultLength;
  double driftPerFrame;

  explicit Timing(const GenerationSettings& settings)
      : wholeNoteSixtieths(14400 / settings.tempo),
        sixtiethsPerTick(wholeNoteSixtieths / 192.0),
        sixtiethsPerFrame(60 / settings.soundingUnit),
        defaultLength(static_cast<std::int32_t>(
            96.0 / settings.soundingUnit * 120.0 / wholeNoteSixtieths + 0.5)),
        driftPerFrame((1.0 - settings.tempo * 1000.0 / settings.fineTempo) * sixtiethsPerFrame) {}
};

struct ChannelState {
  double overshoot = 0.0;  // fraction of a sixtieth the written lengths reach past
  double drift = 0.0;      // fine-tempo drift in sixtieths
  std::int32_t lastVolume = -1;
  std::int32_t lastOctave = 0;
  std::int32_t totalTicks = 0;
};

// Reset at the start of every body line: merging never crosses a line.
struct LineState {
  std::int32_t runNote = -1;
  std::int32_t runLength = 0;
  std::size_t runStart = 0;
  std::int32_t restLength = 0;
  std::size_t restStart = 0;
};

class Composer {
 public:
  Composer(const GenerationSettings& settings, const LoadedTrack& loaded, const EventGrid& grid)
      : settings_(settings), loaded_(loaded), grid_(grid), timing_(settings) {}

  std::string run() {
    writeHeaders();
    for (std::int32_t start = 0; start < loaded_.frameCount; start += settings_.framesPerLine)
      for (int c = 0; c < settings_.channelCount; ++c) writeBodyLine(start, c);
    writeFooters();
    return std::move(text_);
  }

 private:
  void writeHeaders() {
    for (int c = 0; c < settings_.channelCount; ++c) {
      ChannelState& channel = channels_[static_cast<std::size_t>(c)];
      text_ += letter(c);
      text_ += sourceString();
      appendLength(text_, timing_.defaultLength);
      channel.overshoot = frac(settings_.compensation * timing_.sixtiethsPerTick + 0.500001);
      // Voice c of a staggered analysis starts this many sixtieths after voice 0.
      const std::int32_t late = c % timing_.sixtiethsPerFrame;
      if (loaded_.stagger != 0 && late > 0) {
        const std::int32_t ticks = searchTicks(
            late, static_cast<std::int32_t>(192.0 / timing_.wholeNoteSixtieths), channel);
        text_ += 'R';
        appendLength(text_, ticks);
        channel.overshoot = ticks * timing_.sixtiethsPerTick + channel.overshoot;
        channel.totalTicks = ticks;
      }
      channel.overshoot = frac(channel.overshoot);
      text_ += "\r\n";
    }
    text_ += "\r\n";
  }

  void writeBodyLine(std::int32_t start, int c) {
    ChannelState& channel = channels_[static_cast<std::size_t>(c)];
    text_ += letter(c);
    text_ += ' ';
    LineState line;
    for (std::int32_t frame = start; frame < start + settings_.framesPerLine; ++frame) {
      const std::int32_t sixtieths = frameSixtieths(channel);
      if (sixtieths == 0) continue;
      const std::int32_t ticks = searchTicks(
          sixtieths, static_cast<std::int32_t>(sixtieths * 192.0 / timing_.wholeNoteSixtieths),
          channel);
      channel.overshoot = frac(ticks * timing_.sixtiethsPerTick + channel.overshoot);
      channel.totalTicks += ticks;
      const EventCell cell = grid_.cell(frame, c);
      if (sounding(cell))
        writeSoundingFrame(cell, ticks, channel, line);
      else
        writeSilentFrame(ticks, line);
    }
    text_ += "\r\n";
  }

  // A frame lasts sixtiethsPerFrame, one less or one more whenever a fine
  // tempo's drift has gathered a whole sixtieth.
  std::int32_t frameSixtieths(ChannelState& channel) const {
    channel.drift += timing_.driftPerFrame;
    std::int32_t sixtieths = timing_.sixtiethsPerFrame;
    if (channel.drift > 1.0) {
      channel.drift -= 1.0;
      if (settings_.fineTempoGiven == 1) --sixtieths;
    }
    if (channel.drift < -1.0) {
      channel.drift += 1.0;
      if (settings_.fineTempoGiven == 1) ++sixtieths;
    }
    return sixtieths;
  }

  bool sounding(const EventCell& cell) const {
    return settings_.soundSource == kFm ? cell.volume >= 16 : cell.volume > 0;
  }

  void writeSoundingFrame(const EventCell& cell, std::int32_t ticks, ChannelState& channel,
                          LineState& line) {
    if (cell.volume != channel.lastVolume) {
      line.runNote = -1;
      text_ += 'V';
      appendNumber(text_, cell.volume & 15);
      channel.lastVolume = cell.volume;
    }
    if (settings_.detune == 1) {
      text_ += "@\\";
      appendNumber(text_, cell.detuneValue);
      line.runNote = -1;
    }
    const std::int32_t octave = cell.note / 12;
    if (octave != channel.lastOctave) {
      text_ += 'O';
      text_ += static_cast<char>('0' + octave);
      channel.lastOctave = octave;
    }
    if (line.runLength + ticks > kLongestNote) line.runNote = -1;
    if (cell.note == line.runNote) {
      text_.resize(line.runStart);
      line.runLength += ticks;
      ticks = line.runLength;
    } else {
      line.runLength = ticks;
    }
    line.runNote = cell.note;
    line.runStart = text_.size();
    const int pitchClass = cell.note % 12;
    text_.append(kNoteNames + 2 * pitchClass,
                 static_cast<std::size_t>(kNoteNameLengths[static_cast<std::size_t>(pitchClass)]));
    if (ticks != timing_.defaultLength) appendLength(text_, ticks);
    line.restLength = 0;
  }

  void writeSilentFrame(std::int32_t ticks, LineState& line) {
    line.runNote = -1;
    if (line.restLength > 0) text_.resize(line.restStart);
    line.restLength += ticks;
    line.restStart = text_.size();
    text_ += 'R';
    appendLength(text_, line.restLength);
  }

  // Every channel closes with a rest that brings it level with the channel of
  // the longest opening rest, plus a thirtieth of a second.
  void writeFooters() {
    std::int32_t reference = timing_.sixtiethsPerFrame - 1;
    if (reference == settings_.channelCount) reference = 2;
    const std::int32_t referenceTicks = channels_[static_cast<std::size_t>(reference)].totalTicks;
    for (int c = 0; c < settings_.channelCount; ++c) {
      const std::int32_t total = channels_[static_cast<std::size_t>(c)].totalTicks;
      const std::int32_t closing =
          static_cast<std::int32_t>(settings_.tempo * 3.2 / 120.0) + referenceTicks - total;
      text_ += letter(c);
      text_ += " R";
      appendLength(text_, closing);
      text_ += "  ;TOTAL R";
      appendLength(text_, closing + total);
      text_ += "\r\n";
    }
  }

  // The smallest count from `ticks` upward whose length, added to the
  // channel's overshoot, reaches `sixtieths`.
  std::int32_t searchTicks(std::int32_t sixtieths, std::int32_t ticks,
                           const ChannelState& channel) const {
    for (int step = 0; step < 100; ++step) {
      if (sixtieths <= ticks * timing_.sixtiethsPerTick + channel.overshoot) break;
      ++ticks;
    }
    return ticks;
  }

  char letter(int c) const {
    const int first = settings_.soundSource == kPsg ? 0 : settings_.soundSource == kScc ? 3 : 8;
    return kChannelLetters[first + c];
  }

  const char* sourceString() const {
    return settings_.soundSource == kPsg   ? " L"
           : settings_.soundSource == kScc ? " @00L"
                                           : " @15Q0L";
  }

  const GenerationSettings& settings_;
  const LoadedTrack& loaded_;
  const EventGrid& grid_;
  const Timing timing_;
  std::array<ChannelState, kMaxChannels> channels_{};
  std::string text_;
};

}  // namespace

void appendNumber(std::string& text, std::int32_t value) {
  text += std::to_string(value).substr(0, 10);
}

void appendLength(std::string& text, std::int32_t ticks) {
  text += '%';
  appendNumber(text, ticks);
}

std::string composeMml(const GenerationSettings& settings, const LoadedTrack& loaded,
                       const EventGrid& grid) {
  return Composer(settings, loaded, grid).run();
}

std::string mmlPathFor(const std::string& trackPath) {
  return track::replaceLastCharacters(trackPath, 4, ".txt");
}

std::string writeMml(const GenerationSettings& settings, const LoadedTrack& loaded,
                     const EventGrid& grid, const std::string& trackPath, std::string& mmlPath) {
  const std::string text = composeMml(settings, loaded, grid);
  mmlPath = mmlPathFor(trackPath);
  return track::writeWholeFile(mmlPath, text.data(), text.size());
}

}  // namespace generator
