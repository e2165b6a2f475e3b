// Shift-JIS aware text operations behind the STRING methods.
//
// Script text is Shift-JIS: a lead byte (0x81-0x9F, 0xE0-0xFC) and the byte after it form one
// character, and that second byte may look like an ASCII letter, a backslash or a '|'. Every
// operation here walks characters, never splits one, and never mistakes a second byte for the
// ASCII character it resembles. A lead byte at the very end (a broken text) is one character.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tav::script {

// Texts that scripts build are capped: a script asking for a two-gigabyte padding, or doubling a
// text on every pass, gets "not done" instead of exhausting memory.
inline constexpr size_t kMaxTextBytes = size_t{1} << 26;

// Byte length of the character starting at `i` (1 or 2).
size_t SjisCharLength(std::string_view text, size_t i);

// Negative, 0 or positive as `a` sorts before, equal to or after `b`: character codes compared
// in order (a double-byte character's code is lead * 256 + trail), a text that is a prefix of
// the other sorts first.
int CompareSjis(std::string_view a, std::string_view b);
// The same after case folding: single-byte letters fold to lower case and double-byte letters to
// upper case (so '_' sorts before the letters).
int CompareSjisNoCase(std::string_view a, std::string_view b);

// Letter case: ASCII letters and the double-byte full-width Latin, Greek and Cyrillic letters.
std::string UpperCaseText(std::string_view text);
std::string LowerCaseText(std::string_view text);

// The characters in reverse order, each double-byte character kept whole.
std::string ReverseText(std::string_view text);

// Line `n` (1-based) of the text; lines end at CR LF, a lone CR or a lone LF, and the
// terminators are not part of the line. Null when there is no such line or n < 1.
std::optional<std::string_view> TextLine(std::string_view text, int n);

// Every occurrence of `from` replaced by `to`, searching left to right from character starts
// only, so a match never begins on the second byte of a character. `count` receives the number of
// replacements. Null when the result would exceed `maxBytes` (nothing is replaced then). An empty
// `from` replaces nothing.
std::optional<std::string> ReplaceText(std::string_view text, std::string_view from,
                                       std::string_view to, size_t maxBytes, int* count);

}  // namespace tav::script
