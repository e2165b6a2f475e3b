// Values as the debugger shows them: the text the script would print, the type, and handles
// (variablesReference) for what expands - arrays, objects, maps, places, frames.
//
// Engine thread only. Handles live while the game is stopped; Clear() drops them when it goes on.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "debug/dap_channel.h"
#include "script/core/var.h"

namespace tav::debug {

// What a container shows as one child: the name the client sees and the value it stands for.
struct Child {
  std::string name;
  script::VarRef value;
};

class ValuesView {
 public:
  // The DAP "variable" for `value` named `name` (a handle is made when it expands).
  Json Describe(const std::string& name, script::TOL_Var* value);
  // A handle for `value`'s children; 0 when it has none.
  int HandleFor(script::TOL_Var* value);
  // A handle showing the members of `object` but not the names in `skip` (a frame's locals),
  // nor, with `hideBuiltIns`, the engine's built-in functions (the global object).
  int HandleForMembers(script::TOL_Var* object, std::vector<std::string> skip, bool hideBuiltIns = false);
  // The children of a handle; nullopt when the handle is unknown.
  std::optional<std::vector<Child>> ChildrenOf(int handle);
  void Clear() { entries_.clear(); }

 private:
  struct Entry {
    script::VarRef value;
    bool membersOnly = false;
    std::vector<std::string> skip;
    bool hideBuiltIns = false;
  };
  std::vector<Entry> entries_;  // handle - 1
};

// "INT", "STRING", "ARRAY", "MAP", "PLACE", "OBJECT", ... for `value` (its target).
std::string TypeName(script::TOL_Var* value);
// The value as the script prints it (strings quoted; Shift-JIS text shown as UTF-8).
std::string ValueText(script::TOL_Var* value);
// Whether `value` has children to show.
bool Expands(script::TOL_Var* value);

}  // namespace tav::debug
