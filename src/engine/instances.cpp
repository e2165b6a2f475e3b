#include "engine/instances.h"

#include "script/objects/apply_model.h"
#include "script/text/definition_file.h"
#include "script/script_file.h"

namespace tav::engine {

script::VarRef NewInstance(script::TOL_Var* type, script::TOL_Var* row, script::TOL_VarObArray* frame) {
  if (!type) return nullptr;
  script::VarRef instance = type->Clone(nullptr);
  if (instance && row) script::ApplyModel(row, instance.get(), frame);
  return instance;
}

bool InstancesFit(script::TOL_Var* type, int64_t count) {
  auto* object = dynamic_cast<script::TOL_VarObject*>(type);
  if (!object || count < 0) return false;
  const int64_t perInstance = 1 + static_cast<int64_t>(object->Members().Size()) + object->GetCount();
  return count <= script::TOL_VarObArray::kMaxElements / perInstance;
}

bool ApplySettingFile(std::string_view path, script::TOL_Var* instance, script::TOL_VarObArray* frame,
                      const script::PathResolver& resolver) {
  std::optional<script::PairList> settings = script::ReadDefinitionFile(path, resolver);
  if (!settings) return false;
  script::ApplySettings(*settings, instance, frame);
  return true;
}

}  // namespace tav::engine
