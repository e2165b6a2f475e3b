// Parses arbitrary settings files (the player's settings.ini and the user-dirs.dirs that names
// the pictures folder): whatever is accepted must write back to the same settings.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/player_settings.h"
#include "platform/screenshot_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tav::platform;
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  PicturesFolderFrom(content, "/home/fuzz");
  PlayerSettings settings;
  std::string error;
  if (!ParseSettings(content, settings, error)) return 0;
  PlayerSettings again;
  if (!ParseSettings(FormatSettings(settings), again, error) || FormatSettings(again) != FormatSettings(settings)) {
    std::abort();
  }
  return 0;
}
