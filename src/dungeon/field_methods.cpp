// The field table: cell questions and changes for scripts. Positions wrap; a missing argument
// reads as 0.
#include "script/methods/method_args.h"
#include "script/core/method_table.h"
#include "script/core/scalars.h"
#include "dungeon/var_field.h"

namespace tav::dungeon {

using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

int FieldMethodTableId() {
  static const int id = script::MethodTable::Allocate();
  return id;
}

namespace {

TOL_VarField* AsField(TOL_Var* self) { return dynamic_cast<TOL_VarField*>(self); }
CellPos CellArg(const MethodArgs& args) { return {args.Long(0), args.Long(1)}; }

void Define(std::string_view name, script::MethodBody body) {
  script::DefineMethod(FieldMethodTableId(), name, 0, std::move(body));
}

// A getter of the field as a whole.
void DefineFieldGetter(std::string_view name, int32_t (TOL_VarField::*get)() const) {
  Define(name, [get](TOL_Var* self, const MethodArgs&, TOL_VarObArray*) -> VarRef {
    TOL_VarField* field = AsField(self);
    return field ? script::NewInt((field->*get)()) : nullptr;
  });
}

// A getter of cell data of kind T: 0 when the cell has no data of that kind.
template <class T>
void DefineCellGetter(std::string_view name, int32_t (*get)(const T&)) {
  Define(name, [get](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
    TOL_VarField* field = AsField(self);
    if (!field) return nullptr;
    const T* data = dynamic_cast<const T*>(field->CellData(CellArg(args)));
    return script::NewInt(data ? get(*data) : 0);
  });
}

// A setter of cell data of kind T (argument 2): nothing when the cell has no data of that kind.
template <class T>
void DefineCellSetter(std::string_view name, void (*set)(T&, int32_t)) {
  Define(name, [set](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
    TOL_VarField* field = AsField(self);
    if (!field) return nullptr;
    if (T* data = dynamic_cast<T*>(field->CellData(CellArg(args)))) set(*data, args.Long(2));
    return nullptr;
  });
}

}  // namespace

void DefineFieldMethods() {
  if (script::MethodTable::Get(FieldMethodTableId()).Size() > 0) return;
  Define("GETPASSRULE", [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
    TOL_VarField* field = AsField(self);
    return field ? script::NewInt(field->GetPassRule(CellArg(args), args.Long(2))) : nullptr;
  });
  Define("GETTHRESHVIEW", [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
    TOL_VarField* field = AsField(self);
    return field ? script::NewInt(field->GetThreshView(CellArg(args), args.Long(2))) : nullptr;
  });
  DefineCellGetter<TOL_Lay>("GETDATA0", [](const TOL_Lay& d) { return d.data0; });
  DefineCellGetter<TOL_Lay>("GETDATA1", [](const TOL_Lay& d) { return d.data1; });
  DefineCellSetter<TOL_Lay>("SETDATA0", [](TOL_Lay& d, int32_t v) { d.data0 = v; });
  DefineCellSetter<TOL_Lay>("SETDATA1", [](TOL_Lay& d, int32_t v) { d.data1 = v; });
  DefineCellGetter<TOL_EventLay>("GETEVENTNUMBER", [](const TOL_EventLay& d) { return d.eventNumber; });
  DefineCellGetter<TOL_EventLay>("GETFLOORCOLOR",
                                 [](const TOL_EventLay& d) { return static_cast<int32_t>(d.floorColor); });
  DefineCellGetter<TOL_EventLay>("GETCEILINGCOLOR",
                                 [](const TOL_EventLay& d) { return static_cast<int32_t>(d.ceilingColor); });
  DefineCellSetter<TOL_EventLay>("SETFLOORCOLOR",
                                 [](TOL_EventLay& d, int32_t v) { d.floorColor = static_cast<uint32_t>(v); });
  DefineCellSetter<TOL_EventLay>("SETCEILINGCOLOR",
                                 [](TOL_EventLay& d, int32_t v) { d.ceilingColor = static_cast<uint32_t>(v); });
  DefineFieldGetter("GETFLOOR", &TOL_VarField::Floor);
  DefineFieldGetter("GETXLENGTH", &TOL_VarField::XLength);
  DefineFieldGetter("GETYLENGTH", &TOL_VarField::YLength);
}

}  // namespace tav::dungeon
