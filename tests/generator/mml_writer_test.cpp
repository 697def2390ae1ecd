#include "generator/mml_writer.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace generator {
namespace {

TEST(AppendNumber, WritesSignedDecimalsOfAtMostTenCharacters) {
  const struct {
    std::int32_t value;
    const char* text;
  } cases[] = {{0, "0"},
               {7, "7"},
               {-5, "-5"},
               {255, "255"},
               {2147483647, "2147483647"},
               {std::numeric_limits<std::int32_t>::min(), "-214748364"}};
  for (const auto& c : cases) {
    std::string text = "V";
    appendNumber(text, c.value);
    EXPECT_EQ(text.substr(1), c.text);
    EXPECT_EQ(text.front(), 'V');
    std::string length(1, 'R');
    appendLength(length, c.value);
    EXPECT_EQ(length.substr(2), c.text);
    EXPECT_EQ(length.substr(0, 2), "R%");
  }
}

// A hand-made event grid and the text the writer makes of it.
struct Sketch {
  Sketch(std::int32_t source, std::int32_t frames, std::int32_t unit = 15,
         std::int32_t tempo = 120) {
    settings.soundSource = source;
    settings.channelCount = source == kPsg ? 3 : 5;
    settings.soundingUnit = unit;
    settings.tempo = tempo;
    settings.fineTempo = tempo * 1000;
    loaded.frameCount = frames;
    grid.clear(frames);
  }
  Sketch& sound(std::int32_t from, std::int32_t to, int channel, int note, int volume) {
    for (std::int32_t frame = from; frame < to; ++frame)
      grid.cell(frame, channel) = {static_cast<std::uint8_t>(note),
                                   static_cast<std::uint8_t>(volume), 0};
    return *this;
  }
  Sketch& fineTempo(std::int32_t thousandths) {
    settings.fineTempo = thousandths;
    settings.fineTempoGiven = 1;
    return *this;
  }
  // The lines of the text, each checked to end in CR LF.
  std::vector<std::string> lines() const {
    const std::string text = composeMml(settings, loaded, grid);
    std::vector<std::string> result;
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t end = text.find("\r\n", at);
      if (end == std::string::npos) {
        ADD_FAILURE() << "unterminated line: " << text.substr(at);
        break;
      }
      result.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    return result;
  }
  std::string line(std::size_t index) const {
    const auto all = lines();
    return index < all.size() ? all[index] : "(no line " + std::to_string(index) + ")";
  }

  GenerationSettings settings;
  LoadedTrack loaded;
  EventGrid grid;
};

TEST(MmlWriter, DefaultLengthIsTheNominalTicksPerFrame) {
  const struct {
    std::int32_t tempo, unit, length;
  } cases[] = {{120, 15, 6},  {120, 20, 5},  {120, 30, 3}, {120, 60, 2},
               {75, 15, 4},   {75, 20, 3},   {75, 30, 2},  {75, 60, 1},
               {320, 15, 17}, {320, 20, 13}, {320, 30, 9}, {320, 60, 4}};
  for (const auto& c : cases)
    EXPECT_EQ(Sketch(kPsg, 1, c.unit, c.tempo).line(0), "1 L%" + std::to_string(c.length))
        << c.tempo << " 1/" << c.unit;
}

TEST(MmlWriter, FramesLastSixSixSevenSixSevenTicksAtTempo120) {
  Sketch sketch(kPsg, 15);
  for (std::int32_t frame = 0; frame < 15; ++frame)
    sketch.sound(frame, frame + 1, 0, frame % 2 == 0 ? 57 : 59, 12);
  EXPECT_EQ(sketch.line(4), "1 V12O4ABA%7BA%7BAB%7AB%7ABA%7BA%7");
  EXPECT_EQ(sketch.line(7), "1 R%3  ;TOTAL R%99");
}

TEST(MmlWriter, NamesEveryPitchClass) {
  Sketch sketch(kPsg, 15);
  for (std::int32_t frame = 0; frame < 12; ++frame)
    sketch.sound(frame, frame + 1, 0, 48 + frame, 12);
  EXPECT_EQ(sketch.line(4), "1 V12O4CC+D%7D+E%7FF+G%7G+A%7A+BR%20");
}

TEST(MmlWriter, MergesHeldNotesAndRestsUntilAVolumeChangeOrASilence) {
  Sketch sketch(kPsg, 15);
  sketch.sound(0, 2, 0, 57, 12).sound(2, 4, 0, 57, 13).sound(5, 6, 0, 57, 13);
  EXPECT_EQ(sketch.line(4), "1 V12O4A%12V13A%13R%7AR%58");
}

TEST(MmlWriter, VolumeAndOctaveStayInForceAcrossLines) {
  Sketch sketch(kPsg, 30);
  sketch.sound(0, 30, 0, 57, 12).sound(0, 30, 1, 5, 12);  // octave 0 needs no "O"
  const auto lines = sketch.lines();
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[4], "1 V12O4A%96");
  EXPECT_EQ(lines[5], "2 V12F%96");
  EXPECT_EQ(lines[7], "1 A%96");
  EXPECT_EQ(lines[8], "2 F%96");
}

TEST(MmlWriter, CompletesTheLastLineWithSilentFrames) {
  Sketch sketch(kPsg, 16);
  const auto lines = sketch.lines();
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[4], "1 R%96");
  EXPECT_EQ(lines[7], "1 R%96");
  EXPECT_EQ(lines[10], "1 R%3  ;TOTAL R%195");
}

TEST(MmlWriter, StaggeredChannelsOpenWithRestsAndCloseLevel) {
  Sketch five(kFm, 15);
  five.loaded.stagger = 1;
  const auto lines = five.lines();
  ASSERT_EQ(lines.size(), 16u);
  EXPECT_EQ(lines[0], "9 @15Q0L%6");
  EXPECT_EQ(lines[1], "a @15Q0L%6R%1");
  EXPECT_EQ(lines[2], "b @15Q0L%6R%3");
  EXPECT_EQ(lines[3], "c @15Q0L%6R%4");
  EXPECT_EQ(lines[4], "d @15Q0L%6");
  // Channel c (3) has the longest opening rest and closes with 1/30 s.
  EXPECT_EQ(lines[11], "9 R%7  ;TOTAL R%103");
  EXPECT_EQ(lines[12], "a R%6  ;TOTAL R%103");
  EXPECT_EQ(lines[13], "b R%4  ;TOTAL R%103");
  EXPECT_EQ(lines[14], "c R%3  ;TOTAL R%103");
  EXPECT_EQ(lines[15], "d R%7  ;TOTAL R%103");

  Sketch three(kPsg, 15);    // reference channel 3 does not exist: channel 2 serves
  three.loaded.stagger = 5;  // any non-zero value counts
  EXPECT_EQ(three.line(9), "3 R%3  ;TOTAL R%102");
}

TEST(MmlWriter, ClosingRestIsAThirtiethOfASecondRoundedDown) {
  const struct {
    std::int32_t tempo, closing;
  } cases[] = {{75, 2},  {112, 2}, {113, 3}, {149, 3}, {150, 4}, {187, 4}, {188, 5},
               {224, 5}, {225, 6}, {262, 6}, {263, 7}, {299, 7}, {300, 8}, {320, 8}};
  for (const auto& c : cases) {
    const std::string footer = Sketch(kPsg, 1, 15, c.tempo).line(7);
    EXPECT_EQ(footer.substr(0, footer.find(' ', 2)), "1 R%" + std::to_string(c.closing)) << c.tempo;
  }
}

TEST(MmlWriter, FineTempoShortensOrLengthensAFrameByASixtieth) {
  // Tempo 75: a tick is one sixtieth. Fine tempo 80,000 drifts a quarter
  // sixtieth per 1/15-s frame: frames 4, 8 and 12 last 3 sixtieths.
  EXPECT_EQ(Sketch(kPsg, 15, 15, 75).sound(0, 15, 0, 57, 12).line(4), "1 V12O4A%60");
  EXPECT_EQ(Sketch(kPsg, 15, 15, 75).sound(0, 15, 0, 57, 12).fineTempo(80000).line(4),
            "1 V12O4A%57");
  // At 1/60 s frame 16 lasts nothing and leaves no trace.
  Sketch sixtieths(kPsg, 30, 60, 75);
  for (std::int32_t frame = 0; frame < 30; ++frame)
    sixtieths.sound(frame, frame + 1, 0, 48 + frame % 12, 12);
  sixtieths.fineTempo(80000);
  EXPECT_EQ(sixtieths.line(4), "1 V12O4CC+DD+EFF+GG+AA+BCC+D");
  EXPECT_EQ(sixtieths.line(7), "1 D+FF+GG+AA+BCC+DD+EF");  // the E of frame 16 is gone
  // Tempo 85 at 80,000 drifts the other way: frames 4, 8 and 12 last 5
  // sixtieths, 63 in the line. A tick is 169/192 sixtieth, and the ticks
  // written reach the sixtieths from an overshoot of one half: ceil(62.5 × 192 / 169).
  EXPECT_EQ(Sketch(kPsg, 15, 15, 85).sound(0, 15, 0, 57, 12).fineTempo(80000).line(4),
            "1 V12O4A%72");
  EXPECT_EQ(Sketch(kPsg, 15, 15, 85).sound(0, 15, 0, 57, 12).line(4), "1 V12O4A%68");
}

TEST(MmlWriter, AFineTempoOfExactlyTheTempoChangesNothing) {
  Sketch plain(kScc, 40, 20, 133);
  plain.sound(0, 40, 0, 60, 9).sound(3, 17, 2, 70, 4);
  Sketch fine = plain;
  fine.fineTempo(133000);
  EXPECT_EQ(fine.lines(), plain.lines());
}

TEST(MmlWriter, DetuneWritesItsCommandForEverySoundingFrame) {
  Sketch sketch(kFm, 2, 30);
  sketch.settings.detune = 1;
  sketch.settings.framesPerLine = 5;
  sketch.grid.cell(0, 0) = {69, 26, -5};
  sketch.grid.cell(1, 0) = {69, 26, 300};
  EXPECT_EQ(sketch.line(6), "9 V10@\\-5O5A@\\300AR%10");
}

TEST(MmlPath, ReplacesTheLastFourCharactersWithTxt) {
  EXPECT_EQ(mmlPathFor("dir/song.dat"), "dir/song.txt");
  EXPECT_EQ(mmlPathFor("SONG.DAT"), "SONG.txt");
  EXPECT_EQ(mmlPathFor("songdat"), "son.txt");
  EXPECT_EQ(mmlPathFor("曲名dat"), "曲.txt");  // never half a character
}

}  // namespace
}  // namespace generator
