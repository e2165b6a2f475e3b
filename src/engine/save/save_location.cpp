#include "engine/save/save_location.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "encoding/sjis.h"

namespace tav::engine {
namespace {

namespace fs = std::filesystem;

SaveLocation& Location() {
  static SaveLocation location{{}, {}, "no save folder was configured"};
  return location;
}

// FNV-1a: stable across builds and platforms, which std::hash is not.
uint32_t PathHash(std::string_view text) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 16777619u;
  }
  return hash;
}

std::string FolderName(const fs::path& gameDir) {
  std::string name = gameDir.lexically_normal().filename().string();
  if (name.empty()) name = gameDir.lexically_normal().parent_path().filename().string();
  return name.empty() ? "game" : name;
}

const char* NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

}  // namespace

std::string GameSaveId(const fs::path& gameDir) {
  std::error_code ec;
  fs::path absolute = fs::weakly_canonical(fs::absolute(gameDir, ec), ec);
  if (ec) absolute = gameDir.lexically_normal();
  char hash[16];
  std::snprintf(hash, sizeof hash, "%08x", PathHash(absolute.string()));
  return FolderName(absolute) + "-" + hash;
}

void ConfigureSaveLocation(const std::string& saveDir, const fs::path& gameDir) {
  SaveLocation location;
  location.gameName = FolderName(gameDir);
  if (!saveDir.empty()) {
    location.folder = fs::path(saveDir).lexically_normal();
  } else if (const char* data = NonEmptyEnv("XDG_DATA_HOME"); data && fs::path(data).is_absolute()) {
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    location.folder = fs::path(data) / "tav" / GameSaveId(gameDir);
  } else if (const char* home = NonEmptyEnv("HOME")) {
    location.folder = fs::path(home) / ".local" / "share" / "tav" / GameSaveId(gameDir);
  } else {
    location.unavailable = "neither --save-dir, $XDG_DATA_HOME nor $HOME names a save folder";
  }
  Location() = std::move(location);
}

const SaveLocation& CurrentSaveLocation() { return Location(); }

std::optional<std::string> SaveFileStem(std::string_view sjisName, std::string& reason) {
  if (sjisName.empty()) {
    reason = "a save name cannot be empty";
    return std::nullopt;
  }
  // Checked on the UTF-8 form: there a 0x5C byte is a backslash, while in Shift-JIS it may be
  // the second half of a character. A name that does not convert both ways could name the
  // same file as another name (both would become '?').
  std::string name = platform::SjisToUtf8(sjisName);
  if (platform::Utf8ToSjis(name) != sjisName) {
    reason = "the save name is not valid Shift-JIS text";
    return std::nullopt;
  }
  if (name.size() > kMaxSaveNameBytes) {
    reason = "the save name is longer than " + std::to_string(kMaxSaveNameBytes) + " bytes";
    return std::nullopt;
  }
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) {
      reason = "the save name holds a control character";
      return std::nullopt;
    }
    if (c == '/' || c == '\\') {
      reason = "the save name holds a path separator";
      return std::nullopt;
    }
  }
  if (name.find("..") != std::string::npos) {
    reason = "the save name holds \"..\"";
    return std::nullopt;
  }
  return name;
}

}  // namespace tav::engine
