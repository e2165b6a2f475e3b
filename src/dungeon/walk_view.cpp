#include "dungeon/walk_view.h"

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

TOL_IMPLEMENT_CLASS(TOL_VarWalkApp)

TOL_VarField* FieldArgument(TOL_Var* value) {
  return value ? dynamic_cast<TOL_VarField*>(value->GetTarget()) : nullptr;
}

TOL_Var* TOL_VarWalkApp::FindMember(script::Atom name) {
  if (TOL_Var* method = script::MethodTable::Get(WalkMethodTableId()).Find(name)) return method;
  return TOL_VarObject::FindMember(name);
}

void TOL_VarWalkApp::CopyFieldsTo(screen::TOL_VarWindow& target) const {
  TOL_VarColorAppear::CopyFieldsTo(target);
  auto* walk = dynamic_cast<TOL_VarWalkApp*>(&target);
  if (!walk) return;
  walk->facing_ = facing_;
  walk->x_ = x_;
  walk->y_ = y_;
  walk->side_ = side_;
  walk->front_ = front_;
  walk->shiftX_ = shiftX_;
  walk->shiftY_ = shiftY_;
  walk->frameLeft_ = frameLeft_;
  walk->frameRight_ = frameRight_;
  walk->frameTop_ = frameTop_;
  walk->frameBottom_ = frameBottom_;
  walk->inner_ = inner_;
  walk->backColor_ = backColor_;
}

void TOL_VarWalkApp::Serialize(archive::Archive& ar) {
  TOL_VarColorAppear::Serialize(ar);
  int32_t* const values[] = {&side_,      &front_,      &shiftX_, &shiftY_, &frameLeft_,
                             &frameRight_, &frameTop_,  &frameBottom_, &inner_};
  if (ar.IsStoring()) {
    ar.WriteWord(1);
    for (int32_t* v : values) ar.WriteLong(*v);
    ar.WriteDword(backColor_);
    ar.WriteLong(facing_);
    ar.WriteLong(x_);
    ar.WriteLong(y_);
    return;
  }
  // Stored values are taken as they are: the setters' limits apply to scripts only.
  ar.ReadWord();
  for (int32_t* v : values) *v = ar.ReadLong();
  backColor_ = ar.ReadDword();
  facing_ = ar.ReadLong();
  x_ = ar.ReadLong();
  y_ = ar.ReadLong();
}

int WalkMethodTableId() {
  static const int id = script::MethodTable::Allocate();
  return id;
}

namespace {

TOL_VarWalkApp* AsWalk(TOL_Var* self) { return dynamic_cast<TOL_VarWalkApp*>(self); }

// A method of the walk view; a missing argument reads as 0.
void Define(std::string_view name, VarRef (*body)(TOL_VarWalkApp&, const MethodArgs&)) {
  script::DefineMethod(WalkMethodTableId(), name, 0,
                       [body](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
                         TOL_VarWalkApp* walk = AsWalk(self);
                         return walk ? body(*walk, args) : nullptr;
                       });
}

}  // namespace

void DefineWalkMethods() {
  if (script::MethodTable::Get(WalkMethodTableId()).Size() > 0) return;
  Define("GETFIELD", [](TOL_VarWalkApp& w, const MethodArgs&) { return script::NewRef(w.Field()); });
  Define("GETDIR", [](TOL_VarWalkApp& w, const MethodArgs&) { return script::NewInt(w.Facing()); });
  Define("GETX", [](TOL_VarWalkApp& w, const MethodArgs&) { return script::NewInt(w.X()); });
  Define("GETY", [](TOL_VarWalkApp& w, const MethodArgs&) { return script::NewInt(w.Y()); });
  Define("GETFRONT", [](TOL_VarWalkApp& w, const MethodArgs&) { return script::NewInt(w.Front()); });
  Define("GETSIDE", [](TOL_VarWalkApp& w, const MethodArgs&) { return script::NewInt(w.Side()); });
  Define("GETBACKCOLOR", [](TOL_VarWalkApp& w, const MethodArgs&) {
    return script::NewInt(static_cast<int32_t>(w.BackColor()));
  });
  Define("GETINNERPAR", [](TOL_VarWalkApp& w, const MethodArgs&) { return script::NewInt(w.InnerRatio()); });
  Define("SETPOS", [](TOL_VarWalkApp& w, const MethodArgs& a) -> VarRef {
    w.SetPos(a.Long(0), a.Long(1));
    w.SetFacing(a.Long(2));
    return nullptr;
  });
  Define("SETXY", [](TOL_VarWalkApp& w, const MethodArgs& a) -> VarRef {
    w.SetPos(a.Long(0), a.Long(1));
    return nullptr;
  });
  Define("SETDIR", [](TOL_VarWalkApp& w, const MethodArgs& a) -> VarRef {
    w.SetFacing(a.Long(0));
    return nullptr;
  });
  // Anything that is not a field (an empty reference, a number, another object) clears it.
  Define("SETFIELD", [](TOL_VarWalkApp& w, const MethodArgs& a) -> VarRef {
    w.SetField(FieldArgument(a.Value(0)));
    return nullptr;
  });
  Define("SETSIDE", [](TOL_VarWalkApp& w, const MethodArgs& a) -> VarRef {
    w.SetSide(a.Long(0));
    return nullptr;
  });
  Define("SETFRONT", [](TOL_VarWalkApp& w, const MethodArgs& a) -> VarRef {
    w.SetFront(a.Long(0));
    return nullptr;
  });
  Define("SETINNERPAR", [](TOL_VarWalkApp& w, const MethodArgs& a) -> VarRef {
    w.SetInnerRatio(a.Long(0));
    return nullptr;
  });
  Define("SETBACKCOLOR", [](TOL_VarWalkApp& w, const MethodArgs& a) -> VarRef {
    w.SetBackColor(static_cast<uint32_t>(a.Long(0)));
    return nullptr;
  });
}

}  // namespace tav::dungeon
