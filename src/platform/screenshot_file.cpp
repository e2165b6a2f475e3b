#include "platform/screenshot_file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "gdi/png_writer.h"

namespace fs = std::filesystem;

namespace tav::platform {

std::string PicturesFolderFrom(std::string_view userDirs, const std::string& home) {
  const std::string fallback = home + "/Pictures";
  std::istringstream lines{std::string(userDirs)};
  std::string line;
  while (std::getline(lines, line)) {
    constexpr std::string_view key = "XDG_PICTURES_DIR=";
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() < 2 || value.front() != '"' || value.find('"', 1) == std::string::npos) continue;
    value = value.substr(1, value.find('"', 1) - 1);
    // Only $HOME/... or an absolute path is valid there; "$HOME/" alone means the user chose none.
    if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
    else if (value.empty() || value.front() != '/') continue;
    if (value == home || value == home + "/") return fallback;
    return value;
  }
  return fallback;
}

std::string PicturesFolder() {
  const char* home = std::getenv("HOME");
  const std::string homeDir = home && *home ? home : ".";
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string configDir = config && *config == '/' ? config : homeDir + "/.config";
  std::ifstream file(configDir + "/user-dirs.dirs");
  std::stringstream text;
  if (file) text << file.rdbuf();
  return PicturesFolderFrom(text.str(), homeDir);
}

std::string ScreenshotName(std::string_view game, const std::tm& time, int n) {
  std::string name;
  // A folder name may hold anything but '/'; leading dots would hide the file.
  for (char c : game) name += (static_cast<unsigned char>(c) < 0x20) ? '_' : c;
  while (!name.empty() && name.front() == '.') name.erase(0, 1);
  if (name.empty()) name = "tav";
  char stamp[80];
  std::snprintf(stamp, sizeof stamp, "-%04d-%02d-%02d_%02d-%02d-%02d", time.tm_year + 1900, time.tm_mon + 1,
                time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec);
  name += stamp;
  if (n > 1) name += "-" + std::to_string(n);
  return name + ".png";
}

bool SaveScreenshot(const Bitmap& picture, std::string_view game, std::string& path, std::string& error) {
  const fs::path folder = PicturesFolder();
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    error = "cannot create the pictures folder " + folder.string() + ": " + ec.message();
    return false;
  }
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  for (int n = 1; n < 1000; ++n) {
    const fs::path candidate = folder / ScreenshotName(game, local, n);
    if (fs::exists(candidate, ec)) continue;
    path = candidate.string();
    return WritePng(picture, path, error);
  }
  error = "too many screenshots in " + folder.string() + " this second";
  return false;
}

}  // namespace tav::platform
