// TAV_VarInitArray: the rows of a table, from which scripts create instances.
//
// `CreateInitializer` answers one. Besides the array methods it answers CREATEOBJECT(row),
// CREATEARRAY(row, count) and CREATEARRAYRANGE([first, [last]]); each creates instances of the
// rows' own types ("_TYPEOB") initialised from the rows.
#pragma once

#include "script/core/var_array.h"

namespace tav::engine {

class TAV_VarInitArray : public script::TOL_VarObArray {
  TOL_DECLARE_CLASS(TAV_VarInitArray)
 public:
  TAV_VarInitArray() = default;

  // Its three methods first, then the array methods, its members and its base.
  script::TOL_Var* FindMember(script::Atom name) override;
  using script::TOL_Var::FindMember;
};

int InitArrayMethodTableId();
// Fills the method table once and registers the class for archives; later calls do nothing.
void RegisterInitArrayClass();

}  // namespace tav::engine
