#include "script/text/text_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "encoding/sjis.h"

namespace tav::script {
namespace {

// Positions of path separators: "/" anywhere, "\\" unless it is a Shift-JIS second byte.
template <class Visit>
void ForEachSeparator(std::string_view path, Visit visit) {
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (platform::IsSjisLeadByte(c) && i + 1 < path.size() &&
        platform::IsSjisTrailByte(static_cast<unsigned char>(path[i + 1]))) {
      ++i;
      continue;
    }
    if (c == '\\' || c == '/') visit(i);
  }
}

bool ReadWholeFile(const std::string& path, std::string& content, std::string* error) {
  // Checked before opening: a folder opens and reads as nothing useful, and a pipe would block.
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (std::filesystem::is_directory(status)) {
    if (error) *error = path + " is a folder, not a file";
    return false;
  }
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    if (error) *error = path + " is not a regular file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size < 0 || static_cast<unsigned long long>(size) > kMaxTextFileBytes) {
    if (error) *error = size < 0 ? "cannot read " + path : path + " is too large to be a text file";
    return false;
  }
  content.resize(static_cast<size_t>(size));
  if (size > 0 && !in.read(content.data(), size)) {
    if (error) *error = "cannot read " + path;
    return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> ResolvePath(const PathResolver& resolver, std::string_view path) {
  if (resolver) return resolver(path);
  std::string real(path);
  ForEachSeparator(path, [&](size_t i) { real[i] = '/'; });
  return real;
}

std::string_view DirectoryOf(std::string_view path) {
  size_t end = 0;
  ForEachSeparator(path, [&](size_t i) { end = i + 1; });
  return path.substr(0, end);
}

std::vector<std::string> SplitTextLines(std::string_view content) {
  if (const size_t eof = content.find('\x1A'); eof != std::string_view::npos) {
    content = content.substr(0, eof);
  }
  std::vector<std::string> lines;
  while (!content.empty()) {
    const size_t feed = content.find('\n');
    std::string_view line = content.substr(0, feed);
    if (feed != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
    lines.emplace_back(line);
    content = feed == std::string_view::npos ? std::string_view() : content.substr(feed + 1);
  }
  return lines;
}

std::optional<std::vector<std::string>> ReadTextLines(const std::string& realPath,
                                                      std::string* error) {
  std::string content;
  if (!ReadWholeFile(realPath, content, error)) return std::nullopt;
  return SplitTextLines(content);
}

std::optional<std::string> ReadTextJoined(const std::string& realPath, std::string* error) {
  auto lines = ReadTextLines(realPath, error);
  if (!lines) return std::nullopt;
  std::string joined;
  size_t total = 0;
  for (const auto& line : *lines) total += line.size() + 1;
  joined.reserve(total);
  for (const auto& line : *lines) {
    joined += line;
    joined += '\n';
  }
  return joined;
}

}  // namespace tav::script
