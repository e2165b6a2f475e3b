#include "engine/builtins/object_functions.h"

#include <string>

#include "engine/engine_services.h"
#include "engine/game_system.h"
#include "engine/init_array.h"
#include "engine/instances.h"
#include "engine/type_table.h"
#include "os/diagnostics.h"
#include "script/core/frame.h"
#include "script/methods/method_args.h"
#include "script/core/scalars.h"
#include "script/core/var_ref.h"

namespace tav::engine {

namespace {

using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

constexpr char kListFolder[] = "config\\list\\";
constexpr char kSettingFolder[] = "config\\setting\\";

TOL_Var* TypeNumbered(int32_t number) {
  TAV_GameSystem* game = Services().game;
  return game ? game->Type(number) : nullptr;
}

// Row `row` of the type's instance table, or null.
TOL_Var* TableRow(int32_t type, int32_t row) {
  TAV_GameSystem* game = Services().game;
  TOL_VarObArray* table = game ? game->InstanceTable(type) : nullptr;
  return table && row >= 0 && row < table->GetCount() ? table->GetAt(row) : nullptr;
}

// A frame holding only the global object, for formulas in rows and settings.
script::Ref<TOL_VarObArray> GlobalFrame() {
  TAV_GameSystem* game = Services().game;
  return script::NewFrame(nullptr, nullptr, game ? game->Globals() : nullptr);
}

TableContext Tables() {
  TAV_GameSystem* game = Services().game;
  return game ? game->Tables() : TableContext{nullptr, nullptr, GameFileResolver()};
}

}  // namespace

VarRef CreateArray(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  auto array = script::NewArray();
  const MethodArgs a(args);
  if (a.Count() == 0) return array;
  const int32_t count = a.Long(0);
  const int32_t typeNumber = a.Long(1, -1);
  TOL_Var* type = count > 0 && typeNumber >= 0 ? TypeNumbered(typeNumber) : nullptr;
  // Checked before the slots are made: a refused request allocates nothing.
  if (type && !InstancesFit(type, count)) {
    platform::Diagnose(platform::Severity::Warning, "CreateArray",
                       std::to_string(count) + " instances are more than one request may make; none made");
    return array;
  }
  array->SetSize(count, -1);
  if (!type) return array;
  TOL_Var* row = TableRow(typeNumber, a.Long(2, -1));
  auto frame = GlobalFrame();
  for (int i = 0; i < array->GetCount(); ++i) {
    VarRef instance = NewInstance(type, row, frame.get());
    array->SetAt(i, script::NewRef(instance.get()).get());
  }
  return array;
}

VarRef CreateArrayFromFile(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  const MethodArgs a(args);
  if (a.Count() < 2) return script::NewString(std::string());
  auto array = script::NewArray();
  TOL_Var* type = TypeNumbered(a.Long(0));
  if (!type) return array;
  auto rows = script::NewArray();
  if (!ReadTypeTable(rows.get(), type, kListFolder + a.Text(1), a.Long(2, -1), Tables())) return array;
  auto frame = GlobalFrame();
  for (const VarRef& row : rows->Elements()) {
    // A TID column may give a row a type of its own.
    VarRef instance = NewInstance(RowType(row.get()), row.get(), frame.get());
    array->Add(script::NewRef(instance.get()).get());
  }
  return array;
}

VarRef CreateObject(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  const MethodArgs a(args);
  if (a.Count() == 0) return nullptr;
  const int32_t typeNumber = a.Long(0);
  TOL_Var* type = TypeNumbered(typeNumber);
  if (!type) return nullptr;
  TOL_Var* row = TableRow(typeNumber, a.Long(1, -1));
  auto frame = GlobalFrame();
  return script::NewRef(NewInstance(type, row, frame.get()).get());
}

// With only the type there is no file to read: none, like an unknown type.
VarRef CreateObjectDef(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  const MethodArgs a(args);
  if (a.Count() < 2) return nullptr;
  TOL_Var* type = TypeNumbered(a.Long(0));
  if (!type) return nullptr;
  VarRef instance = NewInstance(type);
  auto frame = GlobalFrame();
  const std::string path = kSettingFolder + a.Text(1);
  if (!ApplySettingFile(path, instance.get(), frame.get(), Tables().resolver)) {
    platform::Diagnose(platform::Severity::Info, path, "no setting file; the instance keeps its type's values");
  }
  return script::NewRef(instance.get());
}

VarRef CreateInitializer(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  RegisterInitArrayClass();
  auto rows = script::Make<TAV_VarInitArray>();
  const MethodArgs a(args);
  if (a.Count() == 0) return rows;
  TOL_Var* type = a.Has(1) ? TypeNumbered(a.Long(1)) : nullptr;
  ReadTypeTable(rows.get(), type, kListFolder + a.Text(0), -1, Tables());
  return rows;
}

}  // namespace tav::engine
