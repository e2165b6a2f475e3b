#pragma once

// PNG files of pictures: screenshots, and reading them back to check their pixels.

#include <string>

#include "gdi/bitmap.h"

namespace tav::platform {

// Writes an 8-bit RGB PNG. On failure nothing is left at `path` and `error` says why, naming
// the file.
bool WritePng(const Bitmap& bitmap, const std::string& path, std::string& error);

// Reads any PNG (palette, grey, alpha composited on black) as 0x00RRGGBB pixels.
bool ReadPng(const std::string& path, Bitmap& bitmap, std::string& error);

}  // namespace tav::platform
