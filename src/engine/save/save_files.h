// Save files on disk, written so that no crash, kill or full disk ever loses a save.
//
// NAME.sav is the save; NAME.sav.bak the one it replaced. A save is written to a temporary file
// in the same folder and flushed to the disk; the current save is then hard-linked (or, where
// the file system has no links, copied) to the backup, and the temporary file renamed over the
// save. Each step either completes or leaves the files as they were, so NAME.sav is at every
// moment the old save or the new one, never a mixture.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tav::engine {

struct SavePaths {
  std::filesystem::path save;
  std::filesystem::path backup;
};
SavePaths SaveFilePaths(const std::filesystem::path& folder, const std::string& stem);

// Creates the folder when needed. False with `error` set (and the old files untouched) when the
// save could not be written completely; `warning` is set when the save was written but the
// previous one could not be kept as the backup.
bool WriteSaveFile(const std::filesystem::path& folder, const std::string& stem, const std::vector<uint8_t>& bytes,
                   std::string& error, std::string& warning);

// The whole file, or false with `error` set ("does not exist" when it is missing).
bool ReadSaveFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes, std::string& error,
                  bool& missing);

bool SaveFileExists(const std::filesystem::path& folder, const std::string& stem);

// Removes the save and its backup. False when there was none (`error` empty) or when one could
// not be removed (`error` set).
bool DeleteSaveFiles(const std::filesystem::path& folder, const std::string& stem, std::string& error);

}  // namespace tav::engine
