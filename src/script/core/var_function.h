// TOL_VarFunction: the callable values (type 7).
//
// The plain class is a callable that answers nothing; script bodies (FUNC statements, FORM
// expressions) and native functions derive from it.
#pragma once

#include "script/core/var.h"

namespace tav::script {

class TOL_VarFunction : public TOL_Var {
  TOL_DECLARE_CLASS(TOL_VarFunction)
 public:
  int GetType() const override { return kTypeFunction; }
  // Expression callables (FORM) are the only ones a model replaces in its instances.
  virtual bool IsExpressionCallable() const { return false; }
};

}  // namespace tav::script
