// The names a game's scripts can reach, as `tav --check` knows them without running anything:
// built-in functions, engine integers, globals, constants, view and type numbers, the members
// every type declares (a handler's WITH object and a type function's THIS are of some type),
// and the names a script frame answers itself (ARGS, THIS, the array methods).
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "script/base/ref.h"
#include "script/text/text_file.h"
#include "script/core/var_array.h"

namespace tav::app {

class GameNames {
 public:
  // `typeNames`: the members and TID_ names of the types (upper-case).
  void Collect(const script::PathResolver& resolver, const std::set<std::string>& typeNames);

  // Whether a script naming `upperName` (outside its own locals) finds anything.
  bool Defines(const std::string& upperName) const;

  // Where reading string.def or music.def stops early (a key that is no number, or repeats one):
  // the entries after it are never loaded.
  struct TableStop {
    std::string file;
    int line = 0;
    std::string reason;
  };
  const std::vector<TableStop>& TableStops() const { return tableStops_; }

  bool HasString(int number) const { return strings_.count(number) != 0; }
  // The file of music `number` in music.def, or null.
  const std::string* Music(int number) const;

 private:
  script::Ref<script::TOL_VarObArray> frame_;  // a script frame, for the names it answers itself
  std::set<std::string> names_;
  std::vector<TableStop> tableStops_;
  std::set<int> strings_;
  std::map<int, std::string> music_;
};

}  // namespace tav::app
