#include "script/text/definition_file.h"

#include <algorithm>

#include "os/diagnostics.h"
#include "encoding/sjis.h"
#include "script/base/atom.h"
#include "script/text/blank_text.h"

namespace tav::script {
namespace {

bool IsPair(std::string_view text, size_t i) {
  return i + 1 < text.size() && platform::IsSjisLeadByte(static_cast<unsigned char>(text[i])) &&
         platform::IsSjisTrailByte(static_cast<unsigned char>(text[i + 1]));
}

// The offset of the first white-space character, walking whole characters; npos when none.
size_t FindSpace(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsPair(text, i)) {
      ++i;
      continue;
    }
    if (IsBlank(text[i])) return i;
  }
  return std::string_view::npos;
}

class Reader {
 public:
  Reader(const PathResolver& resolver, PairList& list) : resolver_(resolver), list_(list) {}

  bool Read(std::string_view path, std::string* error) {
    const std::optional<std::string> real = ResolvePath(resolver_, path);
    if (!real) {
      if (error) *error = "cannot find " + std::string(path);
      return false;
    }
    if (std::find(open_.begin(), open_.end(), *real) != open_.end()) {
      platform::Diagnose(platform::Severity::Warning, path,
                         "skipped: this file includes itself (directly or through other files)");
      return true;
    }
    auto lines = ReadTextLines(*real, error);
    if (!lines) return false;
    open_.push_back(*real);
    const std::string file(path);
    std::string key;
    std::string value;
    for (size_t i = 0; i < lines->size(); ++i) {
      if (!ParseDefinitionLine((*lines)[i], key, value)) continue;
      const int line = static_cast<int>(i) + 1;
      if (key == "INCLUDE") {
        Include(file, line, value);
      } else {
        list_.Pairs().push_back(DefinitionPair{key, value, file, line});
      }
    }
    open_.pop_back();
    return true;
  }

 private:
  void Include(const std::string& file, int line, const std::string& name) {
    const std::string where = file + ":" + std::to_string(line);
    if (open_.size() >= static_cast<size_t>(kMaxIncludeDepth)) {
      platform::Diagnose(platform::Severity::Warning, where, "INCLUDE nested too deeply; skipped");
      return;
    }
    const std::string included = std::string(DirectoryOf(file)) + name;
    std::string error;
    if (!Read(included, &error)) {
      platform::Diagnose(platform::Severity::Warning, where,
                         "INCLUDE skipped: " + (error.empty() ? "cannot read " + included : error));
    }
  }

  const PathResolver& resolver_;
  PairList& list_;
  std::vector<std::string> open_;  // real paths of the files being read, outermost first
};

}  // namespace

bool ParseDefinitionLine(std::string_view line, std::string& key, std::string& value) {
  line = TrimBlanks(line);
  if (line.empty() || line.front() == '#') return false;
  const size_t space = FindSpace(line);
  key = UpperCaseSjis(line.substr(0, space));
  value.clear();
  if (space != std::string_view::npos) {
    std::string_view rest = line.substr(space);
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
    value = rest;
  }
  return true;
}

const DefinitionPair* PairList::Find(std::string_view key) const {
  const std::string upper = UpperCaseSjis(key);
  for (const DefinitionPair& pair : pairs_) {
    if (pair.key == upper) return &pair;
  }
  return nullptr;
}

std::optional<PairList> ReadDefinitionFile(std::string_view path, const PathResolver& resolver,
                                           std::string* error) {
  PairList list;
  Reader reader(resolver, list);
  if (!reader.Read(path, error)) return std::nullopt;
  return list;
}

}  // namespace tav::script
