// Reading the game's text files (scripts, definition files, tables).
//
// They are read in text mode: a carriage return before a line feed disappears and a Ctrl-Z
// (0x1A) ends the file, since games were written with editors that leave both. Paths are as the caller spells them; a resolver maps a game's
// path ("config\\global\\A.tas") to a real file, and without one the path is a real path.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tav::script {

// Maps a path to an existing real file, or nothing.
using PathResolver = std::function<std::optional<std::string>(std::string_view path)>;

// The real path of `path`: the resolver's answer, or without a resolver the path itself with
// its backslashes (never the second byte of a Shift-JIS character) read as "/".
std::optional<std::string> ResolvePath(const PathResolver& resolver, std::string_view path);

// Larger files are refused rather than read into memory.
inline constexpr size_t kMaxTextFileBytes = 64u << 20;

// The lines of a file, without their line feeds. Nothing when it cannot be read; `error`
// (optional) then says why.
std::optional<std::vector<std::string>> ReadTextLines(const std::string& realPath,
                                                      std::string* error = nullptr);
// The lines joined, each followed by a line feed.
std::optional<std::string> ReadTextJoined(const std::string& realPath, std::string* error = nullptr);

// The same rules on text already in memory.
std::vector<std::string> SplitTextLines(std::string_view content);

// The directory part of `path` up to and including its last separator ("\\" or "/"), or "".
std::string_view DirectoryOf(std::string_view path);

}  // namespace tav::script
