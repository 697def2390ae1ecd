#pragma once
// The path field rules both programs share. Texts are UTF-8; "character" means
// a code point, so a multibyte character is never split or taken for a blank.

#include <string>
#include <string_view>

namespace track {

// Removes trailing blanks, tabs, line feeds, carriage returns, vertical tabs
// and form feeds (never a multibyte character such as the full-width blank).
std::string trimTrailingWhitespace(std::string_view text);

// True when the last three characters (the whole text if shorter), with ASCII
// letters lowered, equal `letters`. No dot is required: "mywav" ends in "wav".
bool endsWithLetters(std::string_view text, std::string_view letters);

// The text without its last `count` characters (empty when it has no more),
// followed by `ending`.
std::string replaceLastCharacters(std::string_view text, int count, std::string_view ending);

}  // namespace track
