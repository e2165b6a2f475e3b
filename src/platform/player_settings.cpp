#include "platform/player_settings.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "os/diagnostics.h"

namespace fs = std::filesystem;

namespace tav::platform {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

bool ReadInt(std::string_view text, int low, int high, int& out) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) return false;
  out = value;
  return true;
}

}  // namespace

bool ParseSettings(std::string_view text, PlayerSettings& settings, std::string& error) {
  PlayerSettings read;
  int number = 0;
  while (!text.empty()) {
    ++number;
    const size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#' || line.front() == '[') continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      error = "line " + std::to_string(number) + ": not key=value";
      return false;
    }
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    int flag = 0;
    bool ok = true;
    if (key == "volume") ok = ReadInt(value, 0, 100, read.volume);
    else if (key == "muted") ok = ReadInt(value, 0, 1, flag), read.muted = flag;
    else if (key == "fullscreen") ok = ReadInt(value, 0, 1, flag), read.fullscreen = flag;
    else if (key == "width") ok = ReadInt(value, 1, 16384, read.width);
    else if (key == "height") ok = ReadInt(value, 1, 16384, read.height);
    if (!ok) {
      error = "line " + std::to_string(number) + ": bad value for " + std::string(key);
      return false;
    }
  }
  if ((read.width == 0) != (read.height == 0)) {
    error = "width and height go together";
    return false;
  }
  settings = read;
  return true;
}

std::string FormatSettings(const PlayerSettings& settings) {
  std::string text = "[tav]\nvolume=" + std::to_string(settings.volume) + "\nmuted=" + (settings.muted ? "1" : "0") +
                     "\nfullscreen=" + (settings.fullscreen ? "1" : "0") + "\n";
  if (settings.width > 0 && settings.height > 0) {
    text += "width=" + std::to_string(settings.width) + "\nheight=" + std::to_string(settings.height) + "\n";
  }
  return text;
}

std::string SettingsPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && *config == '/') return std::string(config) + "/tav/settings.ini";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/tav/settings.ini";
}

PlayerSettings LoadSettings() {
  PlayerSettings settings;
  const std::string path = SettingsPath();
  std::ifstream file(path, std::ios::binary);
  if (!file) return settings;
  std::stringstream text;
  text << file.rdbuf();
  std::string error;
  if (!ParseSettings(text.str(), settings, error)) {
    Diagnose(Severity::Warning, "", path + " is ignored: " + error);
  }
  return settings;
}

void SaveSettings(const PlayerSettings& settings) {
  const fs::path path = SettingsPath();
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  // Written aside and renamed, so a crash never leaves half a file.
  const fs::path temporary = path.string() + ".new";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << FormatSettings(settings);
    if (!file.flush()) {
      Diagnose(Severity::Warning, "", "cannot save the settings in " + path.string());
      return;
    }
  }
  fs::rename(temporary, path, ec);
  if (ec) Diagnose(Severity::Warning, "", "cannot save the settings in " + path.string() + ": " + ec.message());
}

}  // namespace tav::platform
