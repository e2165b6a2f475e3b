#pragma once

// Shift-JIS (code page 932) is the engine's text encoding; UTF-8 appears only at the edges
// (glyph rendering, the console, file names on disk).

#include <string>
#include <string_view>

namespace tav::platform {

// First byte of a two-byte Shift-JIS character.
inline bool IsSjisLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Second byte of a two-byte Shift-JIS character; note that 0x5C ('\') and 0x7C ('|') qualify.
inline bool IsSjisTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Conversions never fail: a byte sequence that cannot be converted becomes one '?' and the
// conversion carries on after it. Safe to call from any thread.
std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8);
// Whether `text` is well-formed UTF-8 (ASCII always is).
bool IsValidUtf8(std::string_view text);

}  // namespace tav::platform
