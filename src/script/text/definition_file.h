// Definition files: lists of (KEY, value) pairs.
//
// One pair a line: KEY is the first word, upper-cased (ASCII letters only), the value the rest of
// the line without its leading white space. Lines are trimmed (never splitting a Shift-JIS
// character); empty lines and lines starting with "#" are skipped. "INCLUDE file" reads another
// definition file, named relative to the directory of the one that includes it, and puts its
// pairs in place of the line (a file that cannot be opened is skipped). Duplicate keys are kept;
// a lookup takes the first.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/text/text_file.h"

namespace tav::script {

struct DefinitionPair {
  std::string key;    // upper-case
  std::string value;
  std::string file;   // where the pair was read, for diagnostics ("file:line")
  int line = 0;

  std::string Where() const { return file + ":" + std::to_string(line); }
};

class PairList {
 public:
  // The first pair with `key` (compared upper-cased), or null.
  const DefinitionPair* Find(std::string_view key) const;

  std::vector<DefinitionPair>& Pairs() { return pairs_; }
  const std::vector<DefinitionPair>& Pairs() const { return pairs_; }
  size_t Size() const { return pairs_.size(); }
  bool Empty() const { return pairs_.empty(); }
  auto begin() const { return pairs_.begin(); }
  auto end() const { return pairs_.end(); }

 private:
  std::vector<DefinitionPair> pairs_;
};

// Includes nest at most this deep; an include of a file already being read is skipped.
inline constexpr int kMaxIncludeDepth = 32;

// Reads `path` (and its includes through the same resolver). Nothing when `path` itself cannot
// be read; `error` (optional) then says why.
std::optional<PairList> ReadDefinitionFile(std::string_view path, const PathResolver& resolver = {},
                                           std::string* error = nullptr);

// One line: false for a line that holds no pair (blank or a comment).
bool ParseDefinitionLine(std::string_view line, std::string& key, std::string& value);

}  // namespace tav::script
