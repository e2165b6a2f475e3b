#include "encoding/sjis.h"

#include "encoding/sjis_bad_sequence.h"

namespace tav::platform {

namespace detail {

size_t SjisBadSequenceLength(const unsigned char* p, size_t left) {
  if (left >= 2 && IsSjisLeadByte(p[0]) && IsSjisTrailByte(p[1])) return 2;
  return 1;
}

size_t Utf8BadSequenceLength(const unsigned char* p, size_t left) {
  size_t n = 1;
  if (p[0] >= 0xC2 && p[0] <= 0xDF) {
    n = 2;
  } else if (p[0] >= 0xE0 && p[0] <= 0xEF) {
    n = 3;
  } else if (p[0] >= 0xF0 && p[0] <= 0xF4) {
    n = 4;
  }
  if (n > left) return 1;
  for (size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 1;
  }
  return n;
}

}  // namespace detail

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t extra;
    if (c < 0x80) extra = 0;
    else if (c >= 0xC2 && c <= 0xDF) extra = 1;
    else if (c >= 0xE0 && c <= 0xEF) extra = 2;
    else if (c >= 0xF0 && c <= 0xF4) extra = 3;
    else return false;
    if (text.size() - i - 1 < extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

}  // namespace tav::platform
