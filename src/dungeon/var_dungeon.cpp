#include "dungeon/var_dungeon.h"

#include <string>

#include "archive/archive.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"
#include "script/core/scalars.h"
#include "script/core/var_ref.h"

namespace tav::dungeon {

using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

TOL_IMPLEMENT_CLASS(TOL_VarDungeon)

int TOL_VarDungeon::IndexOfFloor(int32_t floor) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i] && fields_[i]->Floor() == floor) return static_cast<int>(i);
  }
  return -1;
}

TOL_VarField* TOL_VarDungeon::NextField(int32_t floor, int32_t step, bool wrap) const {
  const int index = IndexOfFloor(floor);
  if (index < 0) return nullptr;
  const int64_t count = static_cast<int64_t>(fields_.size());
  int64_t j = index + int64_t{step};
  if (wrap) {
    j %= count;
    if (j < 0) j += count;
  } else if (j < 0 || j >= count) {
    return nullptr;
  }
  return fields_[static_cast<size_t>(j)].get();
}

TOL_Var* TOL_VarDungeon::FindMember(script::Atom name) {
  if (TOL_Var* method = script::MethodTable::Get(DungeonMethodTableId()).Find(name)) return method;
  return TOL_VarObject::FindMember(name);
}

void TOL_VarDungeon::Serialize(archive::Archive& ar) {
  TOL_VarPlace::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteWord(1);
    std::vector<archive::Object*> fields;
    fields.reserve(fields_.size());
    for (const auto& field : fields_) fields.push_back(field.get());
    ar.WriteObjectArray(fields);
    return;
  }
  ar.ReadWord();
  const uint32_t count = ar.ReadCount();
  ar.RequireRemaining(uint64_t{count} * 2);  // every reference takes at least a WORD
  FieldList fields;
  fields.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    fields.push_back(script::Ref<TOL_VarField>::Adopt(ar.ReadObjectAs<TOL_VarField>()));
  }
  fields_ = std::move(fields);
}

int DungeonMethodTableId() {
  static const int id = script::MethodTable::Allocate();
  return id;
}

namespace {

TOL_VarDungeon* AsDungeon(TOL_Var* self) { return dynamic_cast<TOL_VarDungeon*>(self); }

void Define(std::string_view name, script::MethodBody body) {
  script::DefineMethod(DungeonMethodTableId(), name, 0, std::move(body));
}

}  // namespace

void DefineDungeonMethods() {
  if (script::MethodTable::Get(DungeonMethodTableId()).Size() > 0) return;
  Define("GETFIELD", [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
    TOL_VarDungeon* dungeon = AsDungeon(self);
    if (!dungeon) return nullptr;
    const int index = dungeon->IndexOfFloor(args.Long(0));
    return script::NewRef(index < 0 ? nullptr : dungeon->Fields()[static_cast<size_t>(index)].get());
  });
  Define("GETUPPERFIELD", [](TOL_Var* self, const MethodArgs&, TOL_VarObArray*) -> VarRef {
    TOL_VarDungeon* dungeon = AsDungeon(self);
    if (!dungeon) return nullptr;
    return script::NewRef(dungeon->Fields().empty() ? nullptr : dungeon->Fields().back().get());
  });
  Define("GETLOWERFIELD", [](TOL_Var* self, const MethodArgs&, TOL_VarObArray*) -> VarRef {
    TOL_VarDungeon* dungeon = AsDungeon(self);
    if (!dungeon) return nullptr;
    return script::NewRef(dungeon->Fields().empty() ? nullptr : dungeon->Fields().front().get());
  });
  Define("COUNT", [](TOL_Var* self, const MethodArgs&, TOL_VarObArray*) -> VarRef {
    TOL_VarDungeon* dungeon = AsDungeon(self);
    if (!dungeon) return nullptr;
    return script::NewInt(static_cast<int32_t>(dungeon->Fields().size()));
  });
  // GETNEXTFIELD(floor, step = 1, wrap = false): wrap is read only when a step is given.
  Define("GETNEXTFIELD", [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
    TOL_VarDungeon* dungeon = AsDungeon(self);
    if (!dungeon) return nullptr;
    const bool hasStep = args.Has(1);
    const int32_t step = hasStep ? args.Long(1) : 1;
    TOL_Var* wrapArg = hasStep && args.Has(2) ? args.Value(2) : nullptr;
    const bool wrap = wrapArg && wrapArg->GetBool();
    return script::NewRef(dungeon->NextField(args.Long(0), step, wrap));
  });
}

}  // namespace tav::dungeon
