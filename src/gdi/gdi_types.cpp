#include "gdi/gdi_types.h"

#include <cstdlib>
#include <limits>

#include "encoding/sjis.h"

namespace tav::platform {

void LOGFONTA::SetFaceName(std::string_view sjis) {
  std::memset(lfFaceName, 0, sizeof lfFaceName);
  size_t length = 0;
  while (length < sjis.size()) {
    size_t step = IsSjisLeadByte(static_cast<unsigned char>(sjis[length])) ? 2 : 1;
    if (length + step > sizeof lfFaceName - 1 || length + step > sjis.size()) break;
    length += step;
  }
  std::memcpy(lfFaceName, sjis.data(), length);
}

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t product = int64_t{a} * b;
  int64_t divisor = c;
  if (divisor < 0) {
    product = -product;
    divisor = -divisor;
  }
  // Round half away from zero on the magnitude, then put the sign back.
  int64_t magnitude = (std::llabs(product) + divisor / 2) / divisor;
  int64_t result = product < 0 ? -magnitude : magnitude;
  if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min()) return -1;
  return static_cast<int>(result);
}

LOGFONTA PointFontLogFont(int tenthsOfPoint, std::string_view sjisFaceName) {
  LOGFONTA font;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfHeight = -(kLogPixels * tenthsOfPoint / 720);
  font.SetFaceName(sjisFaceName);
  return font;
}

}  // namespace tav::platform
