// tavtool png probe: one pixel of a PNG, for tests that check screenshots.

#include <cstdio>
#include <cstdlib>

#include "commands.h"
#include "gdi/bitmap.h"
#include "gdi/png_writer.h"

namespace tav::tools {
namespace {

bool ParseCoordinate(const std::string& text, int& out) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 0 || value > 1000000) return false;
  out = static_cast<int>(value);
  return true;
}

}  // namespace

int RunPngCommand(const Arguments& args) {
  int x = 0, y = 0;
  if (args.size() != 4 || args[0] != "probe" || !ParseCoordinate(args[2], x) || !ParseCoordinate(args[3], y)) {
    std::fprintf(stderr, "usage: tavtool png probe FILE.png X Y\n");
    return 2;
  }
  platform::Bitmap bitmap;
  std::string error;
  if (!platform::ReadPng(args[1], bitmap, error)) {
    std::fprintf(stderr, "tavtool png: %s\n", error.c_str());
    return 1;
  }
  if (x >= bitmap.Width() || y >= bitmap.Height()) {
    std::fprintf(stderr, "tavtool png: %s: (%d, %d) lies outside the %dx%d picture\n", args[1].c_str(), x, y,
                 bitmap.Width(), bitmap.Height());
    return 1;
  }
  std::printf("%06X\n", bitmap.At(x, y) & 0xFFFFFF);
  return 0;
}

}  // namespace tav::tools
