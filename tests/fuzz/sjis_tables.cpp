// The web build's table conversions of Shift-JIS and UTF-8 (src/encoding/sjis_web.cpp), compiled
// here beside the native iconv ones, must give exactly what iconv CP932 gives for any bytes at
// all: a differential check of the tables and of how they step over bad input. The web
// conversions are built in a namespace of their own (web_platform, see tests/fuzz/CMakeLists.txt).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "encoding/sjis.h"

namespace tav::web_platform {
std::string SjisToUtf8(std::string_view sjis);
std::string Utf8ToSjis(std::string_view utf8);
}  // namespace tav::web_platform

namespace {

void Compare(const char* what, std::string_view input, const std::string& native, const std::string& web) {
  if (native == web) return;
  std::fprintf(stderr, "%s differs for %zu input bytes: iconv gives %zu bytes, the tables %zu\n", what,
               input.size(), native.size(), web.size());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  Compare("Shift-JIS to UTF-8", input, tav::platform::SjisToUtf8(input), tav::web_platform::SjisToUtf8(input));
  Compare("UTF-8 to Shift-JIS", input, tav::platform::Utf8ToSjis(input), tav::web_platform::Utf8ToSjis(input));
  return 0;
}
