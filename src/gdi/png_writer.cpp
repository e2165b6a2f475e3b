#include "gdi/png_writer.h"

#include <png.h>

#include <cstring>
#include <vector>

namespace tav::platform {
namespace {

// Larger pictures than this are not ours: refusing them keeps a damaged header from asking
// for gigabytes.
constexpr png_uint_32 kMaxSide = 1 << 14;

struct ImageGuard {
  png_image image;
  ImageGuard() {
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
  }
  ~ImageGuard() { png_image_free(&image); }
  ImageGuard(const ImageGuard&) = delete;
  ImageGuard& operator=(const ImageGuard&) = delete;
};

}  // namespace

bool WritePng(const Bitmap& bitmap, const std::string& path, std::string& error) {
  if (bitmap.Empty()) {
    error = path + ": cannot write an empty picture";
    return false;
  }
  std::vector<png_byte> rgb(static_cast<size_t>(bitmap.Width()) * bitmap.Height() * 3);
  png_byte* out = rgb.data();
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (const uint32_t* p = bitmap.Row(y); p != bitmap.Row(y) + bitmap.Width(); ++p) {
      *out++ = static_cast<png_byte>(*p >> 16);
      *out++ = static_cast<png_byte>(*p >> 8);
      *out++ = static_cast<png_byte>(*p);
    }
  }
  ImageGuard guard;
  guard.image.width = static_cast<png_uint_32>(bitmap.Width());
  guard.image.height = static_cast<png_uint_32>(bitmap.Height());
  guard.image.format = PNG_FORMAT_RGB;
  // libpng removes a partly written file itself when writing fails.
  if (!png_image_write_to_file(&guard.image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
    error = path + ": cannot write PNG: " + guard.image.message;
    return false;
  }
  return true;
}

bool ReadPng(const std::string& path, Bitmap& bitmap, std::string& error) {
  ImageGuard guard;
  png_image& image = guard.image;
  if (!png_image_begin_read_from_file(&image, path.c_str())) {
    error = path + ": cannot read PNG: " + image.message;
    return false;
  }
  if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide) {
    error = path + ": picture size " + std::to_string(image.width) + " x " +
            std::to_string(image.height) + " is out of range";
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  const png_color black{0, 0, 0};
  if (!png_image_finish_read(&image, &black, rgb.data(), 0, nullptr)) {
    error = path + ": cannot read PNG: " + image.message;
    return false;
  }
  Bitmap result(static_cast<int>(image.width), static_cast<int>(image.height));
  const png_byte* in = rgb.data();
  for (uint32_t* p = result.Data(); p != result.Data() + rgb.size() / 3; ++p, in += 3) {
    *p = RgbPixel(in[0], in[1], in[2]);
  }
  bitmap = std::move(result);
  return true;
}

}  // namespace tav::platform
