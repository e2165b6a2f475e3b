#include "screen/appear_box.h"

#include "archive/archive.h"

namespace tav::screen {

TOL_IMPLEMENT_CLASS(TOL_VarBoxAppear)
TOL_IMPLEMENT_CLASS(TOL_VarBoxFillAppear)

void TOL_VarBoxAppear::CopyFieldsTo(TOL_VarWindow& target) const {
  TOL_VarColorAppear::CopyFieldsTo(target);
  if (auto* box = dynamic_cast<TOL_VarBoxAppear*>(&target)) box->penWidth_ = penWidth_;
}

void TOL_VarBoxAppear::Serialize(archive::Archive& ar) {
  TOL_VarColorAppear::Serialize(ar);
  if (ar.IsStoring()) ar.WriteLong(penWidth_);
  else penWidth_ = ar.ReadLong();
}

void TOL_VarBoxFillAppear::CopyFieldsTo(TOL_VarWindow& target) const {
  TOL_VarBoxAppear::CopyFieldsTo(target);
  if (auto* fill = dynamic_cast<TOL_VarBoxFillAppear*>(&target)) fill->fillColor_ = fillColor_;
}

void TOL_VarBoxFillAppear::Serialize(archive::Archive& ar) {
  TOL_VarBoxAppear::Serialize(ar);
  if (ar.IsStoring()) ar.WriteDword(fillColor_);
  else fillColor_ = ar.ReadDword();
}

}  // namespace tav::screen
