// The value graph of a save, beyond what the object archive stores by itself.
//
// The archive keeps sharing and cycles, but three things would be lost on the way: which object
// each object was cloned from (its base: an instance's type), the bodies of callables shared
// from that base (a FUNC's statement is not stored), and the entries of maps. The graph writer
// stores them after the root value, in the order of one deterministic walk of the objects that
// both sides repeat; the reader restores them. See docs/saves.md.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "engine/object_types.h"
#include "script/core/var.h"

namespace tav::engine {

// What a save's bases may name outside the save: the running game's types and views.
struct SaveContext {
  std::string gameName;
  const TypeCatalog* types = nullptr;
  const std::map<int, script::VarRef>* views = nullptr;
};

// Writes `root` and everything the graph needs to come back whole. Throws ArchiveError when the
// graph cannot be stored (nested too deeply).
void WriteSaveGraph(archive::Archive& ar, script::TOL_Var* root, const SaveContext& context);

// Reads what WriteSaveGraph wrote: the root value (null for a stored null). Throws ArchiveError
// for malformed data. A base that names a type or view the game no longer has leaves the object
// without a base and adds a line to `warnings`.
script::VarRef ReadSaveGraph(archive::Archive& ar, const SaveContext& context,
                             std::vector<std::string>& warnings);

}  // namespace tav::engine
