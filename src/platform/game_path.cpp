#include "platform/game_path.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "encoding/sjis.h"

namespace tav::platform {
namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Case folding that leaves the second byte of a two-byte character alone: 0x83 0x41 is a
// katakana letter, not 0x83 followed by 'A'.
std::string FoldSjis(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsSjisLeadByte(c) && i + 1 < out.size()) {
      ++i;
      continue;
    }
    out[i] = AsciiLower(out[i]);
  }
  return out;
}

// In UTF-8 every byte of a multi-byte character is >= 0x80, so plain ASCII folding is safe.
std::string FoldAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Splits at '\\' and '/' that are not the trail byte of a two-byte character; empty
// components (doubled or leading separators) vanish. Nothing for a path no file can have.
std::optional<std::vector<std::string>> SplitGamePath(std::string_view path) {
  std::vector<std::string> parts;
  std::string current;
  for (size_t i = 0; i < path.size(); ++i) {
    char c = path[i];
    if (c == '\0') return std::nullopt;
    if (IsSjisLeadByte(static_cast<unsigned char>(c)) && i + 1 < path.size()) {
      current.push_back(c);
      current.push_back(path[++i]);
      if (current.back() == '\0') return std::nullopt;
      continue;
    }
    if (c == '\\' || c == '/') {
      if (!current.empty()) parts.push_back(std::move(current));
      current.clear();
      continue;
    }
    current.push_back(c);
  }
  if (!current.empty()) parts.push_back(std::move(current));
  // "C:\\..." names a place outside any game folder.
  if (!parts.empty() && parts.front().size() == 2 && parts.front()[1] == ':') return std::nullopt;
  return parts;
}

std::string JoinReal(const std::string& root, const std::vector<std::string>& parts) {
  std::string out = root;
  for (const std::string& part : parts) {
    if (out.empty() || out.back() != '/') out.push_back('/');
    out += part;
  }
  return out;
}

bool ReadMtime(const std::string& path, int64_t& sec, int64_t& nsec) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  sec = st.st_mtim.tv_sec;
  nsec = st.st_mtim.tv_nsec;
  return true;
}

}  // namespace

GamePathResolver::GamePathResolver(std::string gameRoot) : root_(std::move(gameRoot)) {
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
  if (root_.empty()) root_ = ".";
}

std::optional<std::string> GamePathResolver::Resolve(std::string_view gamePathSjis) {
  std::lock_guard lock(mutex_);
  return ResolveLocked(gamePathSjis, Purpose::kExisting);
}

std::optional<std::string> GamePathResolver::ResolveForCreate(std::string_view gamePathSjis) {
  std::lock_guard lock(mutex_);
  return ResolveLocked(gamePathSjis, Purpose::kCreate);
}

std::vector<std::string> GamePathResolver::List(std::string_view dirGamePathSjis) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  std::optional<std::string> dir = ResolveLocked(dirGamePathSjis, Purpose::kExisting);
  if (!dir) return names;
  // Enumeration must see files the game has just written, so check freshness every time.
  const Listing* listing = GetListing(*dir, true);
  if (listing == nullptr) return names;
  for (const std::string& name : listing->names) {
    // A UTF-8 name is shown in Shift-JIS when it converts both ways; raw bytes stay as they are.
    std::string sjis = Utf8ToSjis(name);
    names.push_back(SjisToUtf8(sjis) == name ? std::move(sjis) : name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void GamePathResolver::Invalidate() {
  std::lock_guard lock(mutex_);
  cache_.clear();
}

std::optional<std::string> GamePathResolver::ResolveLocked(std::string_view gamePathSjis,
                                                           Purpose purpose) {
  std::optional<std::vector<std::string>> parts = SplitGamePath(gamePathSjis);
  if (!parts) return std::nullopt;
  // The index of the component that names the file itself (trailing "." and ".." do not).
  size_t lastName = parts->size();
  for (size_t i = parts->size(); i-- > 0;) {
    if ((*parts)[i] != "." && (*parts)[i] != "..") {
      lastName = i;
      break;
    }
  }

  std::vector<std::string> real;
  for (size_t i = 0; i < parts->size(); ++i) {
    const std::string& component = (*parts)[i];
    if (component == ".") continue;
    if (component == "..") {
      if (real.empty()) return std::nullopt;  // would leave the game folder
      real.pop_back();
      continue;
    }
    std::optional<std::string> found = FindEntry(JoinReal(root_, real), component);
    if (found) {
      real.push_back(std::move(*found));
    } else if (purpose == Purpose::kCreate && i == lastName && i + 1 == parts->size()) {
      // The file is about to appear: its folder's listing goes, so that the next look-up lists
      // the folder again even where its time cannot show the change (a time kept in whole
      // seconds, as the web build's file system keeps it, has not moved within the second).
      cache_.erase(JoinReal(root_, real));
      real.push_back(IsAscii(component) ? component : SjisToUtf8(component));
    } else {
      return std::nullopt;
    }
  }
  if (purpose == Purpose::kCreate && (real.empty() || lastName + 1 != parts->size())) {
    return std::nullopt;  // a file cannot be created as the game folder or as "x\\.."
  }
  int64_t sec = 0;
  int64_t nsec = 0;
  if (real.empty() && !ReadMtime(root_, sec, nsec)) return std::nullopt;
  return JoinReal(root_, real);
}

const GamePathResolver::Listing* GamePathResolver::GetListing(const std::string& realDir,
                                                              bool refresh) {
  auto it = cache_.find(realDir);
  int64_t sec = 0;
  int64_t nsec = 0;
  if (it != cache_.end()) {
    if (!refresh) return &it->second;
    if (!ReadMtime(realDir, sec, nsec)) {
      cache_.erase(it);
      return nullptr;
    }
    if (sec == it->second.mtimeSec && nsec == it->second.mtimeNsec) return &it->second;
  } else if (!ReadMtime(realDir, sec, nsec)) {
    return nullptr;
  }

  Listing listing;
  listing.mtimeSec = sec;
  listing.mtimeNsec = nsec;
  std::error_code ec;
  std::filesystem::directory_iterator entries(realDir, ec);
  if (ec) return nullptr;
  for (const auto& entry : entries) listing.names.push_back(entry.path().filename().native());
  std::sort(listing.names.begin(), listing.names.end());
  for (const std::string& name : listing.names) {
    // emplace keeps the first name in byte order when several fold alike: deterministic.
    listing.foldedSjis.emplace(FoldSjis(name), name);
    listing.foldedUtf8.emplace(FoldAscii(name), name);
  }
  auto [slot, inserted] = cache_.insert_or_assign(realDir, std::move(listing));
  (void)inserted;
  return &slot->second;
}

std::optional<std::string> GamePathResolver::FindEntry(const std::string& realDir,
                                                       const std::string& component) {
  const Listing* listing = GetListing(realDir, false);
  if (listing == nullptr) return std::nullopt;
  if (std::optional<std::string> match = MatchIn(*listing, component)) return match;
  // A miss may come from a file created since the listing was read: re-read only if the
  // directory changed, so that repeated misses cost one stat and no scan.
  listing = GetListing(realDir, true);
  if (listing == nullptr) return std::nullopt;
  return MatchIn(*listing, component);
}

std::optional<std::string> GamePathResolver::MatchIn(const Listing& listing,
                                                     const std::string& component) {
  if (std::binary_search(listing.names.begin(), listing.names.end(), component)) return component;
  if (auto it = listing.foldedSjis.find(FoldSjis(component)); it != listing.foldedSjis.end()) {
    return it->second;
  }
  if (IsAscii(component)) return std::nullopt;
  std::string utf8 = SjisToUtf8(component);
  if (std::binary_search(listing.names.begin(), listing.names.end(), utf8)) return utf8;
  if (auto it = listing.foldedUtf8.find(FoldAscii(utf8)); it != listing.foldedUtf8.end()) {
    return it->second;
  }
  return std::nullopt;
}

}  // namespace tav::platform
