#include "script/runtime.h"

#include "archive/object.h"
#include "script/compile/constants.h"
#include "script/core/frame_pool.h"
#include "script/methods/builtin_methods.h"
#include "script/core/method_table.h"
#include "script/core/registry.h"
#include "script/core/scalars.h"
#include "script/core/var_array.h"
#include "script/core/var_func.h"
#include "script/core/var_function.h"
#include "script/objects/var_int_ob_map.h"
#include "script/objects/var_place.h"
#include "script/core/var_object.h"
#include "script/core/var_ref.h"

namespace tav::script {

void InitializeRuntime(int growStep) {
  Registry::SetGrowStep(growStep);
  for (const archive::ClassInfo* info :
       {&TOL_Var::kClassInfo, &TOL_VarBool::kClassInfo, &TOL_VarInt::kClassInfo,
        &TOL_VarDouble::kClassInfo, &TOL_VarInt64::kClassInfo, &TOL_VarString::kClassInfo,
        &TOL_VarRef::kClassInfo, &TOL_VarObject::kClassInfo, &TOL_VarObArray::kClassInfo,
        &TOL_VarFunction::kClassInfo, &TOL_VarFuncState::kClassInfo, &TOL_VarFuncForm::kClassInfo,
        &TOL_VarIntObMap::kClassInfo, &TOL_VarPlace::kClassInfo}) {
    archive::RegisterClass(*info);
  }
  if (constants::Count() == 0) constants::Initialize();
  RegisterBuiltinMethods();
}

int ShutdownRuntime() {
  constants::Clear();
  base_keys::Clear();
  return Registry::CollectGarbageAll();
}

void DestroyAllValues() {
  MethodTable::ClearAll();
  constants::Clear();
  base_keys::Clear();
  Registry::DestroyEverything();
  FramePool::DestroyAll();
}

}  // namespace tav::script
