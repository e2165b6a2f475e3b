#include "dungeon/map_view.h"

#include "archive/archive.h"
#include "dungeon/int32_math.h"
#include "dungeon/walk_view.h"
#include "gdi/gdi_types.h"
#include "screen/geometry_values.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"
#include "script/core/scalars.h"
#include "script/core/var_ref.h"

namespace tav::dungeon {

using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

TOL_IMPLEMENT_CLASS(TOL_VarMapApp)

TOL_VarMapApp::TOL_VarMapApp() {
  const platform::LOGFONTA point = platform::PointFontLogFont(120, screen::TOL_VarFont::kDefaultFace);
  screen::LogFont description;
  description.height = point.lfHeight;
  description.charSet = point.lfCharSet;
  description.SetFaceName(screen::TOL_VarFont::kDefaultFace);
  SetFont(script::Make<screen::TOL_Font>(description));
}

void TOL_VarMapApp::Update(TOL_VarObArray*) {
  const int64_t cols = int64_t{window_.x1} - window_.x0, rows = int64_t{window_.y1} - window_.y0;
  if (cols <= 0 || rows <= 0) return;
  const int64_t p = drawPositions_ ? 1 : 0;
  const int64_t w = int64_t{Rect().right} - Rect().left, h = int64_t{Rect().bottom} - Rect().top;
  cellWidth_ = Wrap32(w / (cols + p));
  cellHeight_ = Wrap32(h / (rows + p));
}

TOL_Var* TOL_VarMapApp::FindMember(script::Atom name) {
  if (TOL_Var* method = script::MethodTable::Get(MapMethodTableId()).Find(name)) return method;
  return TOL_VarObject::FindMember(name);
}

void TOL_VarMapApp::CopyFieldsTo(screen::TOL_VarWindow& target) const {
  TOL_VarFontAppear::CopyFieldsTo(target);
  auto* map = dynamic_cast<TOL_VarMapApp*>(&target);
  if (!map) return;
  map->window_ = window_;
  map->cellWidth_ = cellWidth_;
  map->cellHeight_ = cellHeight_;
  map->facing_ = facing_;
  map->backColor_ = backColor_;
  map->noDrawOut_ = noDrawOut_;
  map->endBold_ = endBold_;
  map->drawPositions_ = drawPositions_;
}

void TOL_VarMapApp::Serialize(archive::Archive& ar) {
  TOL_VarFontAppear::Serialize(ar);
  int32_t* const values[] = {&window_.x0, &window_.y0, &window_.x1,  &window_.y1, &cellWidth_,
                             &cellHeight_, &facing_};
  if (ar.IsStoring()) {
    ar.WriteWord(1);
    for (int32_t* v : values) ar.WriteLong(*v);
    ar.WriteDword(backColor_);
    ar.WriteLong(noDrawOut_);
    ar.WriteLong(endBold_);
    ar.WriteLong(drawPositions_);
    return;
  }
  ar.ReadWord();
  for (int32_t* v : values) *v = ar.ReadLong();
  backColor_ = ar.ReadDword();
  noDrawOut_ = ar.ReadLong();
  endBold_ = ar.ReadLong();
  drawPositions_ = ar.ReadLong();
}

int MapMethodTableId() {
  static const int id = script::MethodTable::Allocate();
  return id;
}

namespace {

TOL_VarMapApp* AsMap(TOL_Var* self) { return dynamic_cast<TOL_VarMapApp*>(self); }

// A method of the map view; a missing argument reads as 0 (false).
void Define(std::string_view name, VarRef (*body)(TOL_VarMapApp&, const MethodArgs&)) {
  script::DefineMethod(MapMethodTableId(), name, 0,
                       [body](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
                         TOL_VarMapApp* map = AsMap(self);
                         return map ? body(*map, args) : nullptr;
                       });
}

bool BoolArg(const MethodArgs& args, int index) {
  TOL_Var* value = args.Value(index);
  return value && value->GetBool();
}

}  // namespace

void DefineMapMethods() {
  if (script::MethodTable::Get(MapMethodTableId()).Size() > 0) return;
  Define("GETFIELD", [](TOL_VarMapApp& m, const MethodArgs&) { return script::NewRef(m.Field()); });
  // Anything that is not a field clears it.
  Define("SETFIELD", [](TOL_VarMapApp& m, const MethodArgs& a) -> VarRef {
    m.SetField(FieldArgument(a.Value(0)));
    return nullptr;
  });
  Define("SETFIELDRECT", [](TOL_VarMapApp& m, const MethodArgs& a) -> VarRef {
    m.SetFieldRect(a.Long(0), a.Long(1), a.Long(2), a.Long(3));
    return nullptr;
  });
  Define("GETDIR", [](TOL_VarMapApp& m, const MethodArgs&) { return script::NewInt(m.Facing()); });
  Define("SETDIR", [](TOL_VarMapApp& m, const MethodArgs& a) -> VarRef {
    m.SetFacing(a.Long(0));
    return nullptr;
  });
  Define("GETBACKCOLOR", [](TOL_VarMapApp& m, const MethodArgs&) {
    return script::NewInt(static_cast<int32_t>(m.BackColor()));
  });
  Define("SETBACKCOLOR", [](TOL_VarMapApp& m, const MethodArgs& a) -> VarRef {
    m.SetBackColor(static_cast<uint32_t>(a.Long(0)));
    return nullptr;
  });
  Define("ISDRAWOUT", [](TOL_VarMapApp& m, const MethodArgs&) { return script::NewBool(!m.NoDrawOut()); });
  Define("SETDRAWOUT", [](TOL_VarMapApp& m, const MethodArgs& a) -> VarRef {
    m.SetNoDrawOut(!BoolArg(a, 0));
    return nullptr;
  });
  Define("ISENDBOLD", [](TOL_VarMapApp& m, const MethodArgs&) { return script::NewBool(m.EndBold()); });
  Define("SETENDBOLD", [](TOL_VarMapApp& m, const MethodArgs& a) -> VarRef {
    m.SetEndBold(BoolArg(a, 0));
    return nullptr;
  });
  Define("ISDRAWPOS", [](TOL_VarMapApp& m, const MethodArgs&) { return script::NewBool(m.DrawPositions()); });
  Define("SETDRAWPOS", [](TOL_VarMapApp& m, const MethodArgs& a) -> VarRef {
    m.SetDrawPositions(BoolArg(a, 0));
    return nullptr;
  });
}

}  // namespace tav::dungeon
