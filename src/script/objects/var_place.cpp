#include "script/objects/var_place.h"

#include "archive/archive.h"

namespace tav::script {

TOL_IMPLEMENT_CLASS(TOL_VarPlace)

void TOL_VarPlace::Serialize(archive::Archive& ar) {
  TOL_VarObject::Serialize(ar);
  if (ar.IsStoring()) ar.WriteWord(1);
  else ar.ReadWord();
}

}  // namespace tav::script
