#include "debug/source_files.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <vector>

namespace tav::debug {
namespace {

namespace fs = std::filesystem;

struct Table {
  std::mutex lock;
  std::vector<std::set<int>> linesById;  // index: source id
  std::vector<std::string> keyById;      // filled lazily; index: source id
  std::vector<std::string> nameById;
  std::vector<std::string> functionById;
};

Table& TheTable() {
  static Table table;
  return table;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '\\') c = '/';
  }
  return text;
}

// The registered name of `id`, "" when unknown. Caller holds the table's lock.
std::string NameOfId(Table& table, uint32_t id) {
  if (id < table.nameById.size() && !table.nameById[id].empty()) return table.nameById[id];
  const std::vector<std::string> names = platform::SourceNames();
  table.nameById.resize(names.size() + 1);
  for (size_t i = 0; i < names.size(); ++i) table.nameById[i + 1] = names[i];
  return id < table.nameById.size() ? table.nameById[id] : std::string();
}

}  // namespace

SourceFiles& SourceFiles::Instance() {
  static SourceFiles files;
  return files;
}

void SourceFiles::SetGameFolder(const std::string& folder) {
  std::error_code ec;
  fs::path path = fs::weakly_canonical(fs::path(folder), ec);
  if (ec) path = fs::path(folder).lexically_normal();
  gameFolder_ = path.string();
  while (gameFolder_.size() > 1 && gameFolder_.back() == '/') gameFolder_.pop_back();
}

std::string SourceFiles::KeyOf(std::string_view path) const {
  std::string text(path);
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  if (!text.empty() && text.front() == '/') {
    std::error_code ec;
    fs::path normal = fs::weakly_canonical(fs::path(text), ec);
    if (ec) normal = fs::path(text).lexically_normal();
    text = normal.string();
    const std::string lowerText = Lower(text);
    const std::string lowerGame = Lower(gameFolder_) + "/";
    if (lowerText.compare(0, lowerGame.size(), lowerGame) == 0) text = text.substr(lowerGame.size());
  } else {
    text = fs::path(text).lexically_normal().string();
  }
  return Lower(text);
}

std::optional<std::string> SourceFiles::RealPathOf(const std::string& key) const {
  if (key.empty() || key.front() == '/') {
    std::error_code ec;
    if (!key.empty() && fs::is_regular_file(key, ec)) return key;
    return std::nullopt;
  }
  // Walk down from the game folder, matching each part without regard to case.
  fs::path at(gameFolder_);
  size_t start = 0;
  while (start <= key.size()) {
    size_t stop = key.find('/', start);
    if (stop == std::string::npos) stop = key.size();
    const std::string part = key.substr(start, stop - start);
    start = stop + 1;
    if (part.empty() || part == ".") continue;
    std::error_code ec;
    bool found = false;
    for (fs::directory_iterator it(at, ec), end; !ec && it != end; it.increment(ec)) {
      if (Lower(it->path().filename().string()) == part) {
        at = it->path();
        found = true;
        break;
      }
    }
    if (!found) return std::nullopt;
  }
  std::error_code ec;
  if (!fs::is_regular_file(at, ec)) return std::nullopt;
  return at.string();
}

std::string SourceFiles::KeyOfId(uint32_t id) {
  Table& table = TheTable();
  std::string name;
  {
    std::lock_guard guard(table.lock);
    if (id < table.keyById.size() && !table.keyById[id].empty()) return table.keyById[id];
    name = NameOfId(table, id);
  }
  if (name.empty()) return {};
  const std::string key = KeyOf(name);
  std::lock_guard guard(table.lock);
  if (table.keyById.size() <= id) table.keyById.resize(id + 1);
  table.keyById[id] = key;
  return key;
}

std::string SourceFiles::FunctionNameOfId(uint32_t id) {
  Table& table = TheTable();
  {
    std::lock_guard guard(table.lock);
    if (id < table.functionById.size() && !table.functionById[id].empty()) return table.functionById[id];
  }
  // The file's own spelling, as the author wrote it, when it is found on disk.
  const std::string key = KeyOfId(id);
  std::string name = "(script text)";
  if (!key.empty()) {
    const std::optional<std::string> real = RealPathOf(key);
    name = FunctionNameOfPath(real && real->size() > gameFolder_.size() ? real->substr(gameFolder_.size() + 1) : key);
  }
  std::lock_guard guard(table.lock);
  if (table.functionById.size() <= id) table.functionById.resize(id + 1);
  table.functionById[id] = name;
  return name;
}

bool SourceFiles::HasFunction(const std::string& name) const {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(gameFolder_, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec) || Lower(it->path().extension().string()) != ".tas") continue;
    const std::string relative = it->path().lexically_relative(gameFolder_).string();
    if (Lower(FunctionNameOfPath(relative)) == name) return true;
  }
  return false;
}

std::optional<std::set<int>> SourceFiles::StatementLines(const std::string& key) {
  Table& table = TheTable();
  std::vector<uint32_t> ids;
  {
    std::lock_guard guard(table.lock);
    for (uint32_t id = 1; id < table.linesById.size(); ++id) {
      if (!table.linesById[id].empty()) ids.push_back(id);
    }
  }
  std::optional<std::set<int>> lines;
  for (uint32_t id : ids) {
    if (KeyOfId(id) != key) continue;
    std::lock_guard guard(table.lock);
    if (!lines) lines.emplace();
    lines->insert(table.linesById[id].begin(), table.linesById[id].end());
  }
  return lines;
}

void SourceFiles::ObservePosition(platform::SourcePosition position) {
  const uint32_t id = static_cast<uint32_t>(position >> 32);
  const int line = static_cast<int>(static_cast<uint32_t>(position));
  if (id == 0 || line <= 0) return;
  Table& table = TheTable();
  std::lock_guard guard(table.lock);
  if (table.linesById.size() <= id) table.linesById.resize(id + 1);
  table.linesById[id].insert(line);
}

std::string FunctionNameOfPath(std::string_view path) {
  std::string text(path);
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  const fs::path p(text);
  const std::string stem = p.stem().string();
  const std::string folder = p.parent_path().filename().string();
  const std::string lowerFolder = Lower(folder);
  if (folder.empty() || lowerFolder == "config" || lowerFolder == "global" || lowerFolder == "." ||
      p.parent_path().has_parent_path() == false) {
    return stem;
  }
  return folder + "." + stem;
}

}  // namespace tav::debug
