// TOL_VarPlace: the plain object that stored places and dungeons derive from.
#pragma once

#include "script/core/var_object.h"

namespace tav::script {

class TOL_VarPlace : public TOL_VarObject {
  TOL_DECLARE_CLASS(TOL_VarPlace)
 public:
  TOL_VarPlace() = default;
  // Stored form: the object's payload, then a version word 1 (ignored on reading).
  void Serialize(archive::Archive& ar) override;
};

}  // namespace tav::script
