// The evaluator's working state, shared by evaluate.cpp and the call plans that run in its place
// (evaluate_call_plan.cpp). Internal to the script language.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "script/core/formulate.h"
#include "script/core/frame.h"
#include "script/core/frame_pool.h"
#include "script/core/method_table.h"
#include "script/core/number_value.h"
#include "script/core/numeric_plan.h"
#include "script/core/numeric_plan_run.h"
#include "script/core/operators.h"
#include "script/core/registry.h"
#include "script/core/var_array.h"
#include "script/core/call_depth_guard.h"
#include "script/core/var_func.h"
#include "script/core/var_ref.h"

namespace tav::script {
class CallPlan;
}

namespace tav::script::eval {

// An item of the evaluation stack. Unlike a compiled item it may hold an unmade number: the
// answer of an operator, kept as a number until something needs it as a value (see
// Registry::ReserveUnmade). Most answers are only read by the next operator or assigned to a
// variable, so most are never made.
struct StackItem {
  int32_t kind = 0;
  bool shared = false;  // the value is a compiled plain scalar literal, borrowed
  bool fresh = false;   // a temporary an operator just made, which nothing else holds
  Number number;        // type not none: the item's value is this unmade number
  uint64_t order = 0;   // the creation order reserved for the number
  VarRef value;
  VarRef owner;         // the object a name was found in
  Atom name;
  uint32_t* hint = nullptr;  // names: the compiled item's hint (FormulaItem::hint)

  // Provided, not defaulted: `emplace_back()` would otherwise zero the item before the member
  // initialisers run.
  StackItem() {}
  StackItem(StackItem&& o) noexcept
      : kind(o.kind), shared(o.shared), fresh(o.fresh), number(o.number), order(o.order),
        value(std::move(o.value)), owner(std::move(o.owner)), name(o.name), hint(o.hint) {
    o.number.type = kTypeNone;
  }
  StackItem& operator=(StackItem&& o) noexcept {
    if (this != &o) {
      DropNumber();
      kind = o.kind;
      shared = o.shared;
      fresh = o.fresh;
      number = o.number;
      order = o.order;
      o.number.type = kTypeNone;
      value = std::move(o.value);
      owner = std::move(o.owner);
      name = o.name;
      hint = o.hint;
    }
    return *this;
  }
  ~StackItem() { DropNumber(); }

  bool IsNumber() const { return number.type != kTypeNone; }
  void DropNumber() {
    if (number.type != kTypeNone) {
      Registry::DropUnmade();
      number.type = kTypeNone;
    }
  }
  // Replaces the value by a new unmade number.
  void SetNumber(const Number& n) {
    const uint64_t reserved = Registry::ReserveUnmade();
    DropNumber();
    value.reset();
    number = n;
    order = reserved;
  }
  // The value, made now (under its reserved order) if it is still a number.
  TOL_Var* Value() {
    if (number.type != kTypeNone) {
      value = Registry::MakeUnmade(order, [&] { return number.MakeValue(); });
      number.type = kTypeNone;
    }
    return value.get();
  }
  Operand AsOperand() const { return number.type != kTypeNone ? Operand(number) : Operand(value.get()); }
};

// One value stack for all evaluations; a nested evaluation (a call inside an expression) works
// above the items of the one that called it. Handlers therefore address items by index, never
// by reference, across anything that may call a script. Scripts run on the engine's thread
// only (the registry and the pools they use are not shared either), so the stacks are plain
// process-wide lists: a thread-local one with a destructor costs a guard test at every use.
extern std::vector<StackItem> t_stack;
extern std::vector<TOL_VarObArray*> t_frames;

// A FUNC's answer, when it is a number, is handed to the call waiting for it as the number and
// the creation order reserved for it: made only when something needs it as a value, like every
// other operator answer on the stack. Only a call that runs a FUNC waits like this, and only
// for a RETURN evaluated against the frame it built.
struct NumberAnswer {
  TOL_VarObArray* frame = nullptr;  // the frame of the FUNC whose answer is awaited
  bool given = false;
  Number number;
  uint64_t order = 0;
};
extern NumberAnswer t_answer;

struct FramePush {
  explicit FramePush(TOL_VarObArray* frame) { t_frames.push_back(frame); }
  ~FramePush() { t_frames.pop_back(); }
};

void MakeLiteralZero(StackItem& item);
// Pushes a compiled item as the evaluator does on reaching it (literals copied or borrowed).
void PushItem(const FormulaItem& item);
void MakeTemporary(StackItem& item, VarRef value, bool fresh = true);
// Turns a name item into a variable item (or the literal INT 0 when the name is found nowhere).
void Resolve(StackItem& item);
// The lookup Resolve makes: the frame's own members (after the array methods), then frame
// slots 1 (THIS), 2 (WITH), 3 (globals) and 4; a hit in slot 1, 2 or 4 sets `owner` to that
// slot's value. Null when the name is found nowhere.
TOL_Var* LookUp(Atom name, uint32_t* hint, VarRef& owner);
// Whether an unfilled frame itself may answer for `name`: the array methods, which a frame's
// lookup asks first, and its members ARGS and THIS. Any other name is not the frame's.
inline bool UnfilledFrameMayHold(Atom name) {
  return MethodTable::Get(kArrayMethods).Find(name) || name == UnfilledFrame::ArgsName() ||
         name == UnfilledFrame::ThisName();
}
// LookUp, with the commonest case of a small function inline: a name its unfilled frame cannot
// hold, a receiver without members (an empty THIS), and the global object holding the name
// where it stood the last time.
inline TOL_Var* LookUpFromCall(Atom name, uint32_t* hint, VarRef& owner) {
  const UnfilledFrame* record = t_frames.empty() ? nullptr : UnfilledRecord(t_frames.back());
  if (record && hint && record->self->ExactClass() == TOL_Var::Exact::kRef &&
      !static_cast<TOL_VarRef*>(record->self)->Target() &&
      record->globals->ExactClass() == TOL_Var::Exact::kObject && !UnfilledFrameMayHold(name)) {
    if (TOL_Var* found = static_cast<TOL_VarObject*>(record->globals)->FindOwnMember(name, *hint)) return found;
  }
  return LookUp(name, hint, owner);
}

// What a call answered: a value, a number handed over with its creation order, or nothing.
struct CallAnswer {
  VarRef value;
  bool numberGiven = false;
  Number number;
  uint64_t order = 0;
};
// A body that only returns (returning_body.h), run against `frame`: what its RETURN gives, as
// EvaluateAnswer gives it (a number to the call waiting for it), or null.
// TOL_Formulate::EvaluateBool and EvaluateAnswer run here with their numeric plans inline; a
// plan that declines did nothing, and is asked again there.
[[gnu::always_inline]] inline VarRef RunSteps(const std::vector<ReturningStep>& steps, TOL_VarObArray* frame) {
  for (const ReturningStep& step : steps) {
    platform::PublishRunningPosition(step.position, frame);
    if (TOL_Formulate* condition = step.condition) {
      bool truth;
      const NumericPlan* plan = condition->Plan();
      if (!(plan && plan->EvaluateBool(frame, truth))) truth = condition->EvaluateBool(frame);
      if (!truth) continue;
    }
    Number number;
    if (const NumericPlan* plan = step.answer->Plan(); plan && plan->EvaluateNumber(frame, number)) {
      if (frame != t_answer.frame) return number.MakeValue();
      t_answer.given = true;
      t_answer.number = number;
      t_answer.order = Registry::ReserveUnmade();
      return nullptr;
    }
    return step.answer->EvaluateAnswer(frame);
  }
  return nullptr;
}
// TOL_VarFuncState::Call for a FUNC whose body only returns, inline where it is called.
[[gnu::always_inline]] inline VarRef CallReturning(TOL_VarFuncState* function, TOL_VarObArray* frame) {
  ScriptCallGuard guard("FUNC", function->Name());
  if (!guard.Admitted()) return nullptr;
  VarRef out = RunSteps(function->Steps(), frame);
  Registry::CollectGarbage(kCallCollectionIntervalMs);  // as TOL_VarFuncState::Call
  return out;
}
// Runs `callee` in `frame`; a FUNC (`script`) may hand its number answer over unmade.
// Inline, as CallLent: what a native call costs is paid again at every script call.
[[gnu::always_inline]] inline CallAnswer CallInFrame(TOL_Var* callee, TOL_VarObArray* frame, bool script) {
  CallAnswer answer;
  if (script) {
    auto* function = static_cast<TOL_VarFuncState*>(callee);
    if (!function->Steps().empty()) {
      TOL_VarObArray* const outer = std::exchange(t_answer.frame, frame);
      t_answer.given = false;
      answer.value = CallReturning(function, frame);
      t_answer.frame = outer;
      answer.numberGiven = std::exchange(t_answer.given, false);
      if (answer.numberGiven) {
        answer.number = t_answer.number;
        answer.order = t_answer.order;
      }
      return answer;
    }
  }
  TOL_VarObArray* const outer = std::exchange(t_answer.frame, script ? frame : nullptr);
  t_answer.given = false;
  // A FUNC is called directly (its exact class is known): no dispatch through the value's table.
  answer.value = script ? static_cast<TOL_VarFuncState*>(callee)->TOL_VarFuncState::Call(frame) : callee->Call(frame);
  t_answer.frame = outer;
  answer.numberGiven = std::exchange(t_answer.given, false);
  if (answer.numberGiven) {
    answer.number = t_answer.number;
    answer.order = t_answer.order;
  }
  return answer;
}
// Calls a script function or form (`script`: a FUNC) in a lent frame (frame_pool.h).
// The arguments are written to FramePool::NextArguments() before.
[[gnu::always_inline]] inline CallAnswer CallLent(TOL_Var* callee, bool script, TOL_Var* self, TOL_Var* globals, uint64_t argsOrder,
                           size_t count) {
  VarRef calleeHold(callee);
  // A FORM's expression and a FUNC body made of expressions take care of an unfilled frame.
  const bool unfilled = !script || static_cast<TOL_VarFuncState*>(callee)->RunsUnfilled();
  FramePool::Loan loan(argsOrder, count, self, globals, unfilled);
  return CallInFrame(callee, loan.Frame(), script);
}
// Whether `callee` can be called in a lent frame; `script` tells a FUNC from a FORM.
inline bool IsLendable(TOL_Var* callee, bool& script) {
  const TOL_Var::Exact kind = callee->ExactClass();
  script = kind == TOL_Var::Exact::kFunc;
  return script || kind == TOL_Var::Exact::kForm;
}
// The receiver and global object of a lent frame for a call from the current frame, as every
// call finds them: `owner` (the object the callee was found in) or the caller's THIS, and the
// caller's globals. False when the caller is not a plain frame or the receiver is lent itself.
inline bool LentReceiver(TOL_Var* owner, TOL_Var*& self, TOL_Var*& globals) {
  // Only from plain frames (every frame a call builds), as plans run.
  TOL_VarObArray* caller = t_frames.empty() ? nullptr : t_frames.back();
  if (!caller || caller->ExactClass() != TOL_Var::Exact::kArray) return false;
  if (const UnfilledFrame* record = UnfilledRecord(caller)) {
    self = owner ? owner : record->self;
    globals = record->globals;
  } else {
    self = owner ? owner : caller->Slot(kThisSlot);
    globals = caller->Slot(kGlobalSlot);
  }
  return self && globals && !self->IsBorrowed();
}
// An argument's copy: a number an operator just made is handed over under the creation order
// it has (`order`); any other is copied under a new one.
inline LentArgument LendNumber(const Number& number, bool handOver, uint64_t order) {
  LentArgument lent;
  lent.number = number;
  lent.order = handOver ? order : Registry::ReserveUnmade();
  return lent;
}

// Runs a call plan (call_plan.h) for the first `count` items of a formula, against the frame on
// top of the frame stack. It leaves on the stack what the evaluator would have left there after
// running the items before `resume`: `count` when the plan covered them all, otherwise the
// first item of the node it stopped at, which the evaluator runs next.
// With `answer`, a plan that covers all the items and ends in an answer (of an operator or a
// call) gives it there instead, as the number with its creation order or the value.
struct CallPlanAnswer {
  // Set by the caller when the answer is only dropped: a variable then answers too.
  bool variableDropped = false;
  bool complete = false;
  VarRef value;
  Number number;
  uint64_t order = 0;
};
void RunCallPlan(const CallPlan& plan, const std::vector<FormulaItem>& items, size_t count, size_t& resume,
                 CallPlanAnswer* answer);

}  // namespace tav::script::eval
