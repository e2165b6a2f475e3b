#include "screen/geometry_values.h"

#include <initializer_list>

#include "script/core/scalars.h"

namespace tav::screen {

TOL_IMPLEMENT_CLASS(TOL_VarRect)
TOL_IMPLEMENT_CLASS(TOL_VarPoint)
TOL_IMPLEMENT_CLASS(TOL_VarSize)
TOL_IMPLEMENT_CLASS(TOL_VarFont)

namespace {

void AddIntMembers(script::TOL_VarObject& object, std::initializer_list<const char*> names) {
  for (const char* name : names) object.SetMember(script::NewInt(0).get(), name);
}

}  // namespace

TOL_VarRect::TOL_VarRect() { AddIntMembers(*this, {"TOP", "LEFT", "BOTTOM", "RIGHT"}); }

TOL_VarPoint::TOL_VarPoint() { AddIntMembers(*this, {"X", "Y"}); }

TOL_VarSize::TOL_VarSize() { AddIntMembers(*this, {"X", "Y"}); }

TOL_VarFont::TOL_VarFont() {
  SetMember(script::NewString(kDefaultFace).get(), "FACENAME");
  SetMember(script::NewInt(kDefaultPointSize).get(), "POINTSIZE");
}

}  // namespace tav::screen
