// Calling script callables from the higher-order array methods, and visiting elements with
// descent into nested arrays.
#pragma once

#include <functional>

#include "script/core/var_array.h"

namespace tav::script {

// The array a value is or refers to, null otherwise.
TOL_VarObArray* ArrayOf(TOL_Var* value);

// One frame for a whole run of callbacks: five empty slots and the caller's globals in slot 3.
// Callbacks that visit elements see the element as THIS; comparisons see the two elements in
// ARGS. A callable that is not a function (an INT 0 passed for an optional callback, say) is
// not called and answers nothing.
class CallbackFrame {
 public:
  explicit CallbackFrame(TOL_VarObArray* callerFrame);

  VarRef CallWithThis(TOL_Var* callable, TOL_Var* element);
  VarRef CallWithArgs(TOL_Var* callable, TOL_Var* first, TOL_Var* second);

  // How answers are read: conditions by GetBool, values by GetLong; no answer is false, 0.
  static bool IsTrue(const VarRef& answer) { return answer && answer->GetBool(); }
  static int32_t AsLong(const VarRef& answer) { return answer ? answer->GetLong() : 0; }

 private:
  Ref<TOL_VarObArray> frame_;
  Ref<TOL_VarObArray> args_;
};

// Visits the elements of `root` from first to last. After `visit` (which answers true to stop)
// an element for which `descend` answers true has its own elements visited at that point, with
// the same rules. `descend` may be null (no descent). An array that is already being visited
// further up is not entered again, so an array that contains itself cannot make the walk
// endless; the walk keeps its own stack, so deep nesting cannot exhaust the machine's. The
// callbacks may change the arrays: positions are checked at every step. Answers whether `visit`
// stopped the walk.
bool VisitElements(TOL_VarObArray* root, CallbackFrame& frame, TOL_Var* descend,
                   const std::function<bool(TOL_Var* element)>& visit);

}  // namespace tav::script
