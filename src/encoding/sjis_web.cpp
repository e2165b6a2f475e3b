// Shift-JIS conversions for the web build, whose C library has no CP932 iconv. The tables are
// made at build time from this machine's own iconv CP932 (cp932_tables.py), and the conversion
// steps exactly as the native one does over iconv (sjis_native.cpp): what iconv converts comes
// out the same, and where iconv stops (an unmapped or malformed sequence, or one cut off at the
// end) the same '?' stands and the same bytes are skipped.
#include <cstdint>

#include "encoding/sjis.h"
#include "encoding/sjis_bad_sequence.h"

namespace tav::platform {
namespace {

#include "cp932_tables.inc"

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | cp >> 6));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | cp >> 12));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The length of the sequence a UTF-8 lead byte starts, as iconv's decoder reads it (it takes the
// old five- and six-byte forms as sequences, only to reject them whole); 0 for a byte that
// cannot start one.
size_t Utf8SequenceLength(unsigned char c) {
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) return 2;
  if (c >= 0xE0 && c <= 0xEF) return 3;
  if (c >= 0xF0 && c <= 0xF7) return 4;
  if (c >= 0xF8 && c <= 0xFB) return 5;
  if (c >= 0xFC && c <= 0xFD) return 6;
  return 0;
}

enum class Read { kCode, kBad, kCutOff };

// Reads one UTF-8 sequence at p: kCode with its code point when well formed (shortest form, not
// a surrogate, at most U+10FFFF), kCutOff when the input ends inside a sequence that was well
// begun, kBad otherwise.
Read ReadUtf8(const unsigned char* p, size_t left, uint32_t& cp) {
  const size_t n = Utf8SequenceLength(p[0]);
  if (n == 0) return Read::kBad;
  if (n == 1) {
    cp = p[0];
    return Read::kCode;
  }
  for (size_t i = 1; i < n; ++i) {
    if (i == left) return Read::kCutOff;
    if ((p[i] & 0xC0) != 0x80) return Read::kBad;
  }
  if (n > 4) return Read::kBad;
  cp = p[0] & (0x7F >> n);
  for (size_t i = 1; i < n; ++i) cp = cp << 6 | (p[i] & 0x3F);
  static constexpr uint32_t kShortest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kShortest[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return Read::kBad;
  return Read::kCode;
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis) {
  std::string out;
  out.reserve(sjis.size() * 3 / 2);
  const auto* p = reinterpret_cast<const unsigned char*>(sjis.data());
  size_t left = sjis.size();
  while (left > 0) {
    const uint16_t single = kSingle[p[0]];
    if (single != kBad && single != kLead) {
      AppendUtf8(out, single);
      ++p;
      --left;
      continue;
    }
    if (single == kLead) {
      if (left == 1) {  // cut off at the end: iconv stops there
        out.push_back('?');
        break;
      }
      const uint16_t pair = kPair[kPairRow[p[0]]][p[1]];
      if (pair != kBad) {
        AppendUtf8(out, pair);
        p += 2;
        left -= 2;
        continue;
      }
    }
    out.push_back('?');
    const size_t skip = detail::SjisBadSequenceLength(p, left);
    p += skip;
    left -= skip;
  }
  return out;
}

std::string Utf8ToSjis(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  size_t left = utf8.size();
  while (left > 0) {
    uint32_t cp = 0;
    const Read read = ReadUtf8(p, left, cp);
    if (read == Read::kCutOff) {
      out.push_back('?');
      break;
    }
    const uint16_t code = read == Read::kCode && cp <= 0xFFFF ? kReverse[cp] : kNoCode;
    if (code != kNoCode) {
      if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
      out.push_back(static_cast<char>(code & 0xFF));
      const size_t used = Utf8SequenceLength(p[0]);
      p += used;
      left -= used;
      continue;
    }
    out.push_back('?');
    const size_t skip = detail::Utf8BadSequenceLength(p, left);
    p += skip;
    left -= skip;
  }
  return out;
}

}  // namespace tav::platform
