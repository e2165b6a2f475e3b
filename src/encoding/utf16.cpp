#include "encoding/utf16.h"

namespace tav::platform {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool IsHigh(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::string Utf16ToUtf8(std::u16string_view units, char32_t replacement, bool* lossless) {
  std::string out;
  out.reserve(units.size() * 3);
  if (lossless) *lossless = true;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (IsHigh(c) && i + 1 < units.size() && IsLow(units[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    } else if (IsHigh(c) || IsLow(c)) {
      if (lossless) *lossless = false;
      c = replacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string Utf16LeUnits(const uint8_t* bytes, size_t count) {
  std::u16string units(count, u'\0');
  for (size_t i = 0; i < count; ++i) units[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return units;
}

}  // namespace tav::platform
