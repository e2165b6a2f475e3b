#include "encoding/sjis.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>

namespace tav::platform {
namespace {

// iconv descriptors carry shift state, so each thread keeps its own pair; they are opened on
// first use and closed when the thread ends.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (Valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return cd_; }

 private:
  iconv_t cd_;
};

Converter& SjisToUtf8Converter() {
  thread_local Converter converter("UTF-8", "CP932");
  return converter;
}

Converter& Utf8ToSjisConverter() {
  thread_local Converter converter("CP932", "UTF-8");
  return converter;
}

// How many input bytes one unconvertible Shift-JIS character occupies, so that a valid-looking
// but unmapped pair turns into a single '?' rather than two.
size_t SjisBadSequenceLength(const unsigned char* p, size_t left) {
  if (left >= 2 && IsSjisLeadByte(p[0]) && IsSjisTrailByte(p[1])) return 2;
  return 1;
}

// The length of the UTF-8 sequence starting at p when it is well formed, otherwise 1, so that
// an unmappable character is skipped as a whole and a stray byte alone.
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

using BadLength = size_t (*)(const unsigned char*, size_t);

std::string Convert(Converter& converter, std::string_view input, BadLength badLength) {
  std::string out;
  if (input.empty()) return out;
  if (!converter.Valid()) {
    // No CP932 support in the C library: keep ASCII, mark everything else.
    for (char c : input) out.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
    return out;
  }
  iconv_t cd = converter.Get();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset any state left by an earlier call

  out.resize(input.size() * 2 + 16);
  char* in = const_cast<char*>(input.data());  // iconv's signature is not const-correct
  size_t inLeft = input.size();
  size_t used = 0;
  while (inLeft > 0) {
    char* outPtr = out.data() + used;
    size_t outLeft = out.size() - used;
    size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    used = out.size() - outLeft;
    if (result != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ (invalid or unmappable) or EINVAL (incomplete at the end): one '?', then go on.
    size_t skip = errno == EINVAL
                      ? inLeft
                      : badLength(reinterpret_cast<const unsigned char*>(in), inLeft);
    if (used == out.size()) out.resize(out.size() * 2);
    out[used++] = '?';
    in += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(used);
  return out;
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis) {
  return Convert(SjisToUtf8Converter(), sjis, &SjisBadSequenceLength);
}

std::string Utf8ToSjis(std::string_view utf8) {
  return Convert(Utf8ToSjisConverter(), utf8, &Utf8BadSequenceLength);
}

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
