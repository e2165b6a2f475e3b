#pragma once

// What the walk view and the map view share: the field they show. Each view keeps it alive (a
// count), so a script that drops its own reference to the field cannot leave the view pointing
// at a freed one. The field is neither stored with a view nor copied to a copy of it.

#include "dungeon/var_field.h"
#include "script/base/ref.h"

namespace tav::dungeon {

class FieldHolder {
 public:
  TOL_VarField* Field() const { return field_.get(); }
  void SetField(TOL_VarField* field) { field_ = script::Ref<TOL_VarField>(field); }

 private:
  script::Ref<TOL_VarField> field_;
};

}  // namespace tav::dungeon
