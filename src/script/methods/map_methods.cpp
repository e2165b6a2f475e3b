// The map method table, consulted before a map's own members.
#include "script/methods/builtin_methods.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"
#include "script/core/scalars.h"
#include "script/objects/var_int_ob_map.h"
#include "script/core/var_ref.h"

namespace tav::script {

void DefineMapMethods() {
  constexpr int t = kMapMethods;
  DefineMethod(t, "GETAT", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    return NewRef(self->GetAt(args.Long(0)));
  });
  // The map keeps its own reference, so re-targeting the variable passed in later does not
  // change what is stored.
  DefineMethod(t, "SETAT", 2, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    self->SetAt(args.Long(0), NewRef(args.Value(1)).get());
    return VarRef();
  });
  DefineMethod(t, "COUNT", 0, [](TOL_Var* self, const MethodArgs&, TOL_VarObArray*) {
    return NewInt(self->GetCount());
  });
  DefineMethod(t, "REMOVE", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    return NewBool(self->RemoveAt(args.Long(0)));
  });
  // Entries made by SETAT hold references, so the comparison looks through them: removing an
  // object removes every key it was stored under.
  DefineMethod(t, "REMOVEOB", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    auto* map = dynamic_cast<TOL_VarIntObMap*>(self);
    return NewInt(map ? map->RemoveEntriesReferring(args.Value(0)) : 0);
  });
  DefineMethod(t, "REMOVEALL", 0, [](TOL_Var* self, const MethodArgs&, TOL_VarObArray*) {
    self->RemoveAll();
    return VarRef();
  });
}

}  // namespace tav::script
