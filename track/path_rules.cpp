#include "track/path_rules.h"

namespace track {
namespace {

bool isContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Start of the last `count` characters of `text`.
std::size_t startOfLastCharacters(std::string_view text, int count) {
  std::size_t at = text.size();
  while (count > 0 && at > 0) {
    --at;
    while (at > 0 && isContinuationByte(text[at])) --at;
    --count;
  }
  return at;
}

}  // namespace

std::string trimTrailingWhitespace(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0) {
    const char c = text[end - 1];
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f') break;
    --end;
  }
  return std::string(text.substr(0, end));
}

bool endsWithLetters(std::string_view text, std::string_view letters) {
  std::string tail(text.substr(startOfLastCharacters(text, 3)));
  for (char& c : tail)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return tail == letters;
}

std::string replaceLastCharacters(std::string_view text, int count, std::string_view ending) {
  std::string result(text.substr(0, startOfLastCharacters(text, count)));
  result += ending;
  return result;
}

}  // namespace track
