#pragma once

// Where the player's screenshots go: the user's pictures folder, one file per shot named after
// the game and the time, never over an earlier one.

#include <ctime>
#include <string>
#include <string_view>

#include "gdi/bitmap.h"

namespace tav::platform {

// The pictures folder named by the text of user-dirs.dirs (XDG_PICTURES_DIR="$HOME/..."), else
// HOME/Pictures.
std::string PicturesFolderFrom(std::string_view userDirs, const std::string& home);
// The same, from the environment and the user's own user-dirs.dirs.
std::string PicturesFolder();

// GAME-YYYY-MM-DD_HH-MM-SS.png, with -N before the extension for the N-th shot in one second.
std::string ScreenshotName(std::string_view game, const std::tm& time, int n);

// Writes the picture under the pictures folder (created when missing). `path` gets the file
// written, or `error` why none was.
bool SaveScreenshot(const Bitmap& picture, std::string_view game, std::string& path, std::string& error);

}  // namespace tav::platform
