#pragma once

// Game files are named the way the game's scripts spell them: "config\\view\\a.tav", relative to
// the game folder, in Shift-JIS, on a file system where Windows ignored ASCII case. Games
// unpacked on Linux keep either the raw bytes or names converted to UTF-8, in whatever case
// the archive had. The resolver maps one onto the other.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tav::platform {

class GamePathResolver {
 public:
  explicit GamePathResolver(std::string gameRoot);


  // The real path of an existing file or directory, or nothing. Components are separated by
  // '\\' or '/' (never by the trail byte of a two-byte character); each is matched against the
  // directory's entries byte for byte, then ignoring ASCII case, then as its UTF-8 conversion
  // (exactly, then ignoring ASCII case). "." is skipped, ".." steps back but never above the
  // game folder, a leading separator means the game folder itself, and a drive-letter path
  // answers nothing. The empty path is the game folder.
  std::optional<std::string> Resolve(std::string_view gamePathSjis);

  // The real path to create (or overwrite) a file at: every directory must exist; the last
  // component is the existing entry when one matches, otherwise its UTF-8 conversion.
  std::optional<std::string> ResolveForCreate(std::string_view gamePathSjis);

  // The names in a directory (without "." and ".."), as Shift-JIS bytes the way the game would
  // see them, sorted by bytes; empty when the directory does not exist.
  std::vector<std::string> List(std::string_view dirGamePathSjis);

  // Forget every cached listing (after the game's files changed behind the resolver's back;
  // a lookup that misses also notices a directory whose modification time changed).
  void Invalidate();

 private:
  struct Listing {
    int64_t mtimeSec = 0;
    int64_t mtimeNsec = 0;
    std::vector<std::string> names;                              // sorted by bytes
    std::unordered_map<std::string, std::string> foldedSjis;     // case-folded as Shift-JIS -> name
    std::unordered_map<std::string, std::string> foldedUtf8;     // case-folded as UTF-8 -> name
  };

  enum class Purpose { kExisting, kCreate };

  std::optional<std::string> ResolveLocked(std::string_view gamePathSjis, Purpose purpose);
  // The cached listing of a real directory, read (or re-read when `refresh`) as needed;
  // null when it is not a readable directory.
  const Listing* GetListing(const std::string& realDir, bool refresh);
  std::optional<std::string> FindEntry(const std::string& realDir, const std::string& component);
  static std::optional<std::string> MatchIn(const Listing& listing, const std::string& component);

  std::string root_;
  std::mutex mutex_;
  std::map<std::string, Listing, std::less<>> cache_;
};

}  // namespace tav::platform
