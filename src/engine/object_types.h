// The game's object types: built at start-up from "config\model.def" and the files beside it.
//
// A type is a script object (an array object for ARRAY types) that serves as the model of its
// instances: it declares their members, carries their FUNC and FORM bodies, may derive from an
// earlier type and may come with a table of prepared rows (its instance table). Every type
// knows its number ("_TYPEID") and answers "IsType"; the global object gets "TID_" + name.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "engine/startup_errors.h"
#include "script/text/text_file.h"
#include "script/core/var_array.h"
#include "script/core/var_object.h"

namespace tav::engine {

// The types and their instance tables, by type number.
class TypeCatalog {
 public:
  script::TOL_VarObject* Type(int number) const;
  script::TOL_VarObArray* InstanceTable(int number) const;
  void SetType(int number, script::TOL_VarObject* type);
  // Null removes the type's table.
  void SetInstanceTable(int number, script::TOL_VarObArray* rows);

  void ReleaseTypes() { types_.clear(); }
  void ReleaseInstanceTables() { tables_.clear(); }

 private:
  std::map<int, script::Ref<script::TOL_VarObject>> types_;
  std::map<int, script::Ref<script::TOL_VarObArray>> tables_;
};

// One line of "config\model.def": "[kind :] [base number ,] name".
struct TypeDeclaration {
  int number = 0;
  bool isArray = false;
  std::optional<int> base;
  std::string name;
};
TypeDeclaration ParseTypeDeclaration(const std::string& key, const std::string& value);

// Reads "config\model.def" and builds every type into `catalog`, adding "TID_" names to
// `globals`. Throws RequiredFileError when model.def cannot be opened. Answers why start-up must
// stop (a FUNC member that gets no body), or nothing.
std::optional<StartupStop> BuildObjectTypes(TypeCatalog& catalog, script::TOL_VarObject* globals,
                                            const script::PathResolver& resolver);

// The "IsType" member every type carries (one process-wide native function): with a receiver
// and a type number, true when a base object of the receiver (its type, that type's base ...)
// has that "_TYPEID".
script::TOL_Var* IsTypeFunction();

}  // namespace tav::engine
