// Where saved games live, and which script names may become save files.
//
// Every game has a folder of its own: the --save-dir folder, or $XDG_DATA_HOME/tav/GAME/
// where GAME is the game folder's name plus a short hash of its absolute path (two games that
// share a folder name never share saves). A save named by a script is a file in that folder;
// its name must stay a plain file name there.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tav::engine {

struct SaveLocation {
  std::filesystem::path folder;  // empty: saving is unavailable, `unavailable` says why
  std::string gameName;          // the game folder's name (UTF-8), written into every save
  std::string unavailable;
};

// `saveDir`: the --save-dir folder (absolute) or empty for the default; `gameDir`: the game
// folder, absolute. The default needs $XDG_DATA_HOME or $HOME.
void ConfigureSaveLocation(const std::string& saveDir, const std::filesystem::path& gameDir);
// As configured; before any configuration saving is unavailable.
const SaveLocation& CurrentSaveLocation();

// The default folder's last part: "NAME-xxxxxxxx" (eight hex digits of a hash of the path).
std::string GameSaveId(const std::filesystem::path& gameDir);

// The name longest a save may have, in bytes of its UTF-8 form.
constexpr size_t kMaxSaveNameBytes = 64;

// A script's save name (Shift-JIS) as the UTF-8 stem of its file name, or nothing with `reason`
// set: empty, not convertible, over 64 bytes, or holding a path separator, "..", or a control
// character.
std::optional<std::string> SaveFileStem(std::string_view sjisName, std::string& reason);

}  // namespace tav::engine
