// Shift-JIS conversions through the C library's iconv CP932 (the web build has none:
// sjis_web.cpp converts with tables made from this same iconv).
#include <iconv.h>

#include <cerrno>
#include <cstddef>

#include "encoding/sjis.h"
#include "encoding/sjis_bad_sequence.h"

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
  return Convert(SjisToUtf8Converter(), sjis, &detail::SjisBadSequenceLength);
}

std::string Utf8ToSjis(std::string_view utf8) {
  return Convert(Utf8ToSjisConverter(), utf8, &detail::Utf8BadSequenceLength);
}

}  // namespace tav::platform
