#include "engine/init_array.h"

#include "engine/engine_services.h"
#include "engine/game_system.h"
#include "engine/instances.h"
#include "engine/type_table.h"
#include "os/diagnostics.h"
#include "script/objects/apply_model.h"
#include "script/core/frame.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"
#include "script/core/var_ref.h"

namespace tav::engine {

TOL_IMPLEMENT_CLASS(TAV_VarInitArray)

script::TOL_Var* TAV_VarInitArray::FindMember(script::Atom name) {
  if (script::TOL_Var* method = script::MethodTable::Get(InitArrayMethodTableId()).Find(name)) return method;
  return TOL_VarObArray::FindMember(name);
}

int InitArrayMethodTableId() {
  static const int id = script::MethodTable::Allocate();
  return id;
}

namespace {

using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

// The running game's global object; the caller's when no game runs.
TOL_Var* GlobalObject(TOL_VarObArray* frame) {
  if (TAV_GameSystem* game = Services().game) return game->Globals();
  return script::FrameGlobals(frame);
}

TOL_Var* RowAt(TOL_Var* rows, int32_t index) {
  return index >= 0 && index < rows->GetCount() ? rows->GetAt(index) : nullptr;
}

// CREATEOBJECT(row): a reference to a new instance of the row's type, initialised from the row
// with the reference as THIS (element 1) and the global object.
VarRef CreateObjectFromRow(TOL_Var* self, const MethodArgs& args, TOL_VarObArray* frame) {
  const VarRef row(RowAt(self, args.Long(0)));  // held: the row's formulas run scripts
  const VarRef type(RowType(row.get()));
  if (!type) return nullptr;
  VarRef instance = NewInstance(type.get());
  VarRef reference = script::NewRef(instance.get());
  auto initFrame = script::NewFrame(nullptr, nullptr, GlobalObject(frame));
  initFrame->SetAt(script::kThisSlot, reference.get());
  script::ApplyModel(row.get(), instance.get(), initFrame.get());
  return reference;
}

// CREATEARRAY(row, count): `count` instances of the row's type, each initialised with itself as
// THIS (element 1 and member) and no global object.
VarRef CreateArrayFromRow(TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
  auto result = script::NewArray();
  if (args.Count() < 2) return result;
  const VarRef row(RowAt(self, args.Long(0)));  // held: the row's formulas run scripts
  const VarRef type(RowType(row.get()));
  const int32_t count = args.Long(1);
  if (!type || count <= 0) return result;
  if (!InstancesFit(type.get(), count)) {
    platform::Diagnose(platform::Severity::Warning, "CREATEARRAY",
                       std::to_string(count) + " instances are more than one request may make; none made");
    return result;
  }
  for (int32_t i = 0; i < count; ++i) {
    VarRef instance = NewInstance(type.get());
    auto initFrame = script::NewFrame(nullptr, instance.get(), nullptr);
    script::ApplyModel(row.get(), instance.get(), initFrame.get());
    result->Add(script::NewRef(instance.get()).get());
  }
  return result;
}

// CREATEARRAYRANGE([first, [last]]): one instance per row from first to last (default: all),
// each of its own row's type, initialised with itself as member THIS and the global object.
VarRef CreateArrayFromRange(TOL_Var* self, const MethodArgs& args, TOL_VarObArray* frame) {
  auto result = script::NewArray();
  const int32_t count = self->GetCount();
  const int32_t first = args.Long(0, 0);
  const int32_t last = args.Long(1, count - 1);
  if (first < 0 || first >= count || last < 0 || last >= count || last < first) return result;
  TOL_Var* globals = GlobalObject(frame);
  for (int32_t i = first; i <= last; ++i) {
    const VarRef row(self->GetAt(i));  // held: the row's formulas run scripts
    const VarRef type(RowType(row.get()));
    if (!type) continue;  // an element a script added, not a row of the table
    VarRef instance = NewInstance(type.get());
    auto initFrame = script::NewFrame(nullptr, nullptr, globals);
    initFrame->SetMember(instance.get(), script::Names::This());
    script::ApplyModel(row.get(), instance.get(), initFrame.get());
    result->Add(script::NewRef(instance.get()).get());
  }
  return result;
}

}  // namespace

void RegisterInitArrayClass() {
  archive::RegisterClass(TAV_VarInitArray::kClassInfo);
  const int table = InitArrayMethodTableId();
  if (script::MethodTable::Get(table).Size() > 0) return;
  script::DefineMethod(table, "CREATEOBJECT", 1, CreateObjectFromRow);
  script::DefineMethod(table, "CREATEARRAY", 0, CreateArrayFromRow);
  script::DefineMethod(table, "CREATEARRAYRANGE", 0, CreateArrayFromRange);
}

}  // namespace tav::engine
