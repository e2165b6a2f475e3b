#include "script/text/string_text.h"

#include "encoding/sjis.h"
#include "script/text/blank_text.h"

namespace tav::script {
namespace {

using platform::IsSjisLeadByte;

unsigned char Byte(std::string_view text, size_t i) { return static_cast<unsigned char>(text[i]); }

// The character code at `i`; `length` receives its byte length.
unsigned CodeAt(std::string_view text, size_t i, size_t& length) {
  length = SjisCharLength(text, i);
  return length == 2 ? (Byte(text, i) << 8) | Byte(text, i + 1) : Byte(text, i);
}

// Double-byte letters with a case partner, as ranges of upper-case codes and the distance to
// their lower-case codes. Cyrillic lower case skips the code 0x847F (0x7F is never a second
// byte), so it comes in two pieces.
struct CaseRange {
  unsigned upperFirst;
  unsigned upperLast;
  unsigned lowerFirst;
};
constexpr CaseRange kDoubleByteCases[] = {
    {0x8260, 0x8279, 0x8281},  // full-width Latin A-Z
    {0x839F, 0x83B6, 0x83BF},  // Greek
    {0x8440, 0x844E, 0x8470},  // Cyrillic A to EN
    {0x844F, 0x8460, 0x8480},  // Cyrillic O to YA
};

unsigned UpperDoubleByte(unsigned code) {
  for (const CaseRange& r : kDoubleByteCases) {
    unsigned lowerLast = r.lowerFirst + (r.upperLast - r.upperFirst);
    if (code >= r.lowerFirst && code <= lowerLast) return code - r.lowerFirst + r.upperFirst;
  }
  return code;
}

unsigned LowerDoubleByte(unsigned code) {
  for (const CaseRange& r : kDoubleByteCases) {
    if (code >= r.upperFirst && code <= r.upperLast) return code - r.upperFirst + r.lowerFirst;
  }
  return code;
}

unsigned UpperSingleByte(unsigned c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }
unsigned LowerSingleByte(unsigned c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

template <class Fold>
int CompareFolded(std::string_view a, std::string_view b, Fold fold) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    size_t la, lb;
    unsigned ca = CodeAt(a, i, la);
    unsigned cb = CodeAt(b, j, lb);
    ca = fold(ca, la);
    cb = fold(cb, lb);
    if (ca != cb) return ca < cb ? -1 : 1;
    i += la;
    j += lb;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

template <class MapSingle, class MapDouble>
std::string MapCase(std::string_view text, MapSingle single, MapDouble dual) {
  std::string out(text);
  for (size_t i = 0; i < out.size();) {
    size_t length;
    unsigned code = CodeAt(out, i, length);
    if (length == 2) {
      unsigned mapped = dual(code);
      out[i] = static_cast<char>(mapped >> 8);
      out[i + 1] = static_cast<char>(mapped & 0xFF);
    } else {
      out[i] = static_cast<char>(single(code));
    }
    i += length;
  }
  return out;
}

}  // namespace

size_t SjisCharLength(std::string_view text, size_t i) {
  return IsSjisLeadByte(Byte(text, i)) && i + 1 < text.size() ? 2 : 1;
}

int CompareSjis(std::string_view a, std::string_view b) {
  return CompareFolded(a, b, [](unsigned code, size_t) { return code; });
}

int CompareSjisNoCase(std::string_view a, std::string_view b) {
  return CompareFolded(a, b, [](unsigned code, size_t length) {
    return length == 2 ? UpperDoubleByte(code) : LowerSingleByte(code);
  });
}

std::string UpperCaseText(std::string_view text) {
  return MapCase(text, UpperSingleByte, UpperDoubleByte);
}

std::string LowerCaseText(std::string_view text) {
  return MapCase(text, LowerSingleByte, LowerDoubleByte);
}

std::string ReverseText(std::string_view text) {
  std::string out(text.size(), '\0');
  size_t end = text.size();
  for (size_t i = 0; i < text.size();) {
    size_t length = SjisCharLength(text, i);
    end -= length;
    text.substr(i, length).copy(out.data() + end, length);
    i += length;
  }
  return out;
}

std::optional<std::string_view> TextLine(std::string_view text, int n) {
  if (n < 1) return std::nullopt;
  size_t start = 0;
  for (int line = 1;; ++line) {
    if (start > text.size() || (start == text.size() && line > 1)) return std::nullopt;
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    if (line == n) return text.substr(start, end - start);
    if (end == text.size()) return std::nullopt;
    size_t next = end + 1;
    if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
    start = next;
  }
}

std::optional<std::string> ReplaceText(std::string_view text, std::string_view from,
                                       std::string_view to, size_t maxBytes, int* count) {
  *count = 0;
  if (from.empty()) return std::string(text);
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, from.size(), from) == 0) {
      out.append(to);
      i += from.size();
      ++*count;
    } else {
      size_t length = SjisCharLength(text, i);
      out.append(text.substr(i, length));
      i += length;
    }
    if (out.size() > maxBytes) {
      *count = 0;
      return std::nullopt;
    }
  }
  return out;
}

}  // namespace tav::script
