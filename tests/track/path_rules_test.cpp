#include "track/path_rules.h"

#include <gtest/gtest.h>

namespace track {
namespace {

TEST(PathRules, TrimsSingleByteWhitespaceOnly) {
  EXPECT_EQ(trimTrailingWhitespace("D:/snd/A.WAV  "), "D:/snd/A.WAV");
  EXPECT_EQ(trimTrailingWhitespace("a.wav \t\r\n\v\f"), "a.wav");
  EXPECT_EQ(trimTrailingWhitespace("  a.wav"), "  a.wav");
  EXPECT_EQ(trimTrailingWhitespace("a.wav\u3000"), "a.wav\u3000");  // full-width blank stays
  EXPECT_EQ(trimTrailingWhitespace(""), "");
}

TEST(PathRules, LastThreeCharactersInAnyCase) {
  struct Case {
    const char* text;
    bool wav;
  } cases[] = {
      {"song.wav", true}, {"SONG.WAV", true}, {"mywav", true}, {"wav", true}, {"a.WaV", true},
      {"a.wave", false},  {"a.wa", false},    {"", false},     {"wa", false}, {"音.ｗａｖ", false},
  };
  for (const auto& c : cases) EXPECT_EQ(endsWithLetters(c.text, "wav"), c.wav) << c.text;
}

TEST(PathRules, CutsCharactersNotBytes) {
  EXPECT_EQ(replaceLastCharacters("song.wav", 4, ".dat"), "song.dat");
  EXPECT_EQ(replaceLastCharacters("SONG.WAV", 4, ".dat"), "SONG.dat");
  EXPECT_EQ(replaceLastCharacters("mywav", 4, ".dat"), "m.dat");
  EXPECT_EQ(replaceLastCharacters("wav", 4, ".dat"), ".dat");
  EXPECT_EQ(replaceLastCharacters("abcd", 4, ".dat"), ".dat");
  EXPECT_EQ(replaceLastCharacters("曲dat", 4, ".txt"), ".txt");
  EXPECT_EQ(replaceLastCharacters("名前の曲dat", 4, ".txt"), "名前の.txt");
}

}  // namespace
}  // namespace track
