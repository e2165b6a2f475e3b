// Blanks in script, definition and table text: space, tab, line feed, vertical tab, form feed and
// carriage return. None of them can be the second byte of a Shift-JIS character, so cutting
// blanks from either end never splits a character.
#pragma once

#include <string_view>

namespace tav::script {

inline bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

inline std::string_view TrimLeadingBlanks(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return text.substr(i);
}

inline std::string_view TrimTrailingBlanks(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && IsBlank(text[n - 1])) --n;
  return text.substr(0, n);
}

inline std::string_view TrimBlanks(std::string_view text) { return TrimTrailingBlanks(TrimLeadingBlanks(text)); }

}  // namespace tav::script
