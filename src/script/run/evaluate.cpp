// Evaluating a compiled expression: the postfix items run on a value stack against the frame
// on top of the frame stack. Nothing here fails: names that are not found, missing members
// and indexes out of range become INT 0.

#include "script/run/evaluator.h"
#include "script/run/evaluator_stack.h"

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
#include "script/core/scalars.h"
#include "script/core/var_ref.h"

namespace tav::script {
namespace eval {

std::vector<StackItem> t_stack;
std::vector<TOL_VarObArray*> t_frames;
NumberAnswer t_answer;

void MakeLiteralZero(StackItem& item) {
  item.kind = kItemLiteral;
  item.SetNumber(Number::Int(0));
  item.shared = false;
}

void MakeTemporary(StackItem& item, VarRef value, bool fresh) {
  item.kind = kItemTemporary;
  item.DropNumber();
  item.value = std::move(value);
  item.owner.reset();
  item.name = Atom();
  item.shared = false;
  item.fresh = fresh;
}

void SetOutcome(StackItem& item, Outcome outcome) {
  if (outcome.value) {
    MakeTemporary(item, std::move(outcome.value));
    return;
  }
  item.kind = kItemTemporary;
  item.SetNumber(outcome.number);
  item.owner.reset();
  item.name = Atom();
  item.shared = false;
  item.fresh = true;
}

// A literal is copied on every evaluation so that the program can never change the compiled
// one. Plain scalar literals are borrowed instead and copied here, only where a change could
// follow: as an assignment's target or source, a member or index base, a callee, an argument
// or the result. Operators that only read them need no copy.
void Own(StackItem& item) {
  if (!item.shared) return;
  item.value = item.value->Clone(nullptr);
  item.shared = false;
}

// What Assign of a number class stores from `source`.
Number Converted(int type, const Operand& source) {
  switch (type) {
    case kTypeBool: return Number::Bool(source.GetBool());
    case kTypeInt: return Number::Int(source.GetLong());
    case kTypeDouble: return Number::Double(source.GetDouble());
    default: return Number::Int64(source.GetInt64());
  }
}

void Resolve(StackItem& item);

void ApplyAssign(StackItem& l, StackItem& r) {
  Own(l);
  Own(r);  // a reference would otherwise come to point at the compiled literal
  if (l.IsNumber()) {
    l.number = Converted(l.number.type, r.AsOperand());  // a typed temporary keeps its type
  } else if (!r.IsNumber() || !AssignNumber(l.value.get(), r.number)) {
    l.value->Assign(r.Value());
  }
}

void ApplyOperator(int32_t op, size_t left) {
  std::vector<StackItem>& stack = t_stack;
  StackItem& l = stack[left];
  if (op == kOpMember) {
    Resolve(l);
    Own(l);
    Atom name = stack[left + 1].name;
    TOL_Var* base = l.Value();
    TOL_Var* found = name.IsNull() ? nullptr : base->FindMember(name);
    VarRef owner = std::move(l.value);
    if (found) {
      l.kind = kItemVariable;
      l.value = VarRef(found);
    } else {
      MakeLiteralZero(l);
    }
    l.owner = std::move(owner);
    l.name = Atom();
    return;
  }
  if (op == kOpUnaryMinus || op == kOpUnaryPlus || op == kOpNot || op == kOpComplement) {
    Resolve(l);
    SetOutcome(l, Unary(op, l.AsOperand()));
    return;
  }
  StackItem& r = stack[left + 1];
  Resolve(l);
  Resolve(r);
  switch (op) {
    case kOpAssign:
      ApplyAssign(l, r);
      return;  // the left item stands for the result: assignments chain to the left
    case kOpTimesAssign: case kOpDivideAssign: case kOpPlusAssign: case kOpMinusAssign:
    case kOpShiftLeftAssign: case kOpShiftRightAssign: case kOpAndAssign: case kOpOrAssign:
    case kOpXorAssign:
      Own(l);
      CompoundAssign(op, l.Value(), r.AsOperand());
      return;
    case kOpIndex: {
      Own(l);
      // Numbers have no elements.
      TOL_Var* found = l.IsNumber() ? nullptr : l.value->GetAt(r.AsOperand().GetLong());
      if (found) {
        l.kind = kItemVariable;
        l.value = VarRef(found);
        l.owner.reset();
      } else {
        MakeLiteralZero(l);
      }
      return;
    }
    case kOpComma:
      // Outside a call a comma has no operation of its own; it yields its right operand.
      l = std::move(r);
      return;
    default: {
      // Two numbers (unmade, or variables of exactly a number class) need none of the text and
      // identity branches.
      const Number left = l.IsNumber() ? l.number : l.value ? NumberOf(l.value.get()) : Number();
      const Number right = left.type == kTypeNone ? Number()
                           : r.IsNumber()         ? r.number
                           : r.value              ? NumberOf(r.value.get())
                                                  : Number();
      if (right.type != kTypeNone) {
        SetOutcome(l, Outcome{NumberBinary(op, left, right), nullptr});
        return;
      }
      SetOutcome(l, Binary(op, l.AsOperand(), r.AsOperand()));
      return;
    }
  }
}

// After a call: the item of the callee stands for what the call answered.
void SetCallAnswer(StackItem& item, CallAnswer answer) {
  if (answer.value) {
    MakeTemporary(item, std::move(answer.value), false);  // a callee may answer a value it keeps
  } else if (answer.numberGiven) {
    MakeTemporary(item, nullptr, false);
    item.number = answer.number;
    item.order = answer.order;
  } else {
    MakeLiteralZero(item);
  }
  item.owner.reset();
}

// A call of a script function or form whose arguments are all numbers runs in a frame the pool
// lends (frame_pool.h). The creation orders are reserved in the sequence ApplyCall makes its
// values in: the argument array, then each argument's copy (a number an operator just made is
// handed over under the order it already has), then the frame. False, with nothing done but
// looking the arguments up, for any other call.
bool ApplyLentCall(size_t calleeIndex, size_t argumentCount) {
  std::vector<StackItem>& stack = t_stack;
  StackItem& calleeItem = stack[calleeIndex];
  if (calleeItem.IsNumber() || !calleeItem.value || argumentCount > FramePool::kMaxArguments) return false;
  TOL_Var* callee = calleeItem.value.get();
  bool script;
  if (!IsLendable(callee, script)) return false;
  for (size_t i = 1; i <= argumentCount; ++i) {
    StackItem& arg = stack[calleeIndex + i];
    Resolve(arg);
    if (arg.IsNumber()) continue;
    // A value an operator just made would be handed over itself, not copied.
    if (arg.kind == kItemTemporary && arg.fresh && !arg.shared) return false;
    if (NumberOf(arg.value.get()).type == kTypeNone) return false;
  }
  TOL_Var* self;
  TOL_Var* globals;
  if (!LentReceiver(calleeItem.owner.get(), self, globals)) return false;

  const uint64_t argsOrder = Registry::ReserveUnmade();
  LentArgument* arguments = FramePool::NextArguments();
  for (size_t i = 0; i < argumentCount; ++i) {
    StackItem& arg = stack[calleeIndex + 1 + i];
    if (!arg.IsNumber()) {
      arguments[i] = LendNumber(NumberOf(arg.value.get()), false, 0);
      continue;
    }
    const bool handOver = arg.kind == kItemTemporary && arg.fresh;
    arguments[i] = LendNumber(arg.number, handOver, arg.order);
    if (handOver) arg.number.type = kTypeNone;  // handed over, not dropped
  }
  CallAnswer answer = CallLent(callee, script, self, globals, argsOrder, argumentCount);
  // The stack may have grown (and moved) during the call: address the item afresh.
  SetCallAnswer(stack[calleeIndex], std::move(answer));
  return true;
}

void ApplyCall(size_t calleeIndex, size_t argumentCount) {
  std::vector<StackItem>& stack = t_stack;
  Resolve(stack[calleeIndex]);
  Own(stack[calleeIndex]);
  if (ApplyLentCall(calleeIndex, argumentCount)) return;
  auto args = NewArray();
  args->ReserveElements(argumentCount);
  for (size_t i = 1; i <= argumentCount; ++i) {
    StackItem& arg = stack[calleeIndex + i];
    Resolve(arg);
    if (arg.shared) {
      Own(arg);  // already a private copy: a value needs no second one
      args->PushElement(arg.value);
      continue;
    }
    // A value an operator just made belongs to this evaluation alone: it is handed over, not
    // copied.
    const bool handOver = arg.kind == kItemTemporary && arg.fresh;
    if (arg.IsNumber()) {
      args->PushElement(handOver ? VarRef(arg.Value()) : arg.number.MakeValue());
      continue;
    }
    TOL_Var* value = arg.value.get();
    bool copy = value->IsValue() && !value->IsSharedArgument() && !handOver;
    args->PushElement(copy ? value->Clone(nullptr) : arg.value);
  }
  TOL_VarObArray* caller = t_frames.empty() ? nullptr : t_frames.back();
  VarRef callee(stack[calleeIndex].Value());
  TOL_Var* self = stack[calleeIndex].owner.get();
  if (!self && caller) self = caller->Slot(kThisSlot);
  TOL_Var* globals = caller ? caller->Slot(kGlobalSlot) : nullptr;
  Ref<TOL_VarObArray> frame = NewFrame(args.get(), self, globals);
  const bool script = callee->ExactClass() == TOL_Var::Exact::kFunc;
  CallAnswer answer = CallInFrame(callee.get(), frame.get(), script);
  // The stack may have grown (and moved) during the call: address the item afresh.
  SetCallAnswer(stack[calleeIndex], std::move(answer));
}

// Operators and calls of a malformed item list would find too few items: missing operands
// are supplied as INT 0 so that evaluation still never fails.
void EnsureItems(size_t base, size_t needed) {
  std::vector<StackItem>& stack = t_stack;
  if (stack.size() - base >= needed) [[likely]] return;
  while (stack.size() - base < needed) {
    StackItem zero;
    MakeLiteralZero(zero);
    stack.insert(stack.begin() + base, std::move(zero));
  }
}

void PushItem(const FormulaItem& item) {
  StackItem& copy = t_stack.emplace_back();
  copy.kind = item.kind;
  copy.name = item.name;
  copy.hint = &item.hint;
  copy.owner = item.owner;
  copy.value = item.value;
  if (item.kind == kItemLiteral || item.kind == kItemTemporary) {
    if (item.shared) copy.shared = true;
    else if (item.value) copy.value = item.value->Clone(nullptr);
  }
}

TOL_Var* LookUp(Atom name, uint32_t* hint, VarRef& owner) {
  TOL_VarObArray* frame = t_frames.empty() ? nullptr : t_frames.back();
  if (!frame) return nullptr;
  TOL_Var* found = nullptr;
  // An unfilled frame answers from its record what its THIS and global slots will hold. Its only
  // members are ARGS and THIS, it has no base, and its other slots hold the shared empty
  // reference; a name it may hold itself is looked up once it is filled.
  const UnfilledFrame* record = UnfilledRecord(frame);
  if (record && (!hint || UnfilledFrameMayHold(name))) {
    FramePool::FillNow(frame);
    record = nullptr;
  }
  if (!record) {
    if (hint && frame->ExactClass() == TOL_Var::Exact::kArray && !MethodTable::Get(kArrayMethods).Find(name)) {
      // A plain frame's own members are found where the name stood the last time; the array
      // methods come first and the base (a frame has none) last, as in its FindMember.
      found = frame->FindOwnMember(name, *hint);
      if (!found && frame->GetBase()) found = frame->GetBase()->FindMember(name);
    } else {
      found = frame->FindMember(name);
    }
  }
  // The shared empty reference of the WITH and reserved slots never has a member.
  static TOL_Var* const emptySlot = SharedEmptySlot();
  for (int slot = kThisSlot; !found && slot <= kReservedSlot; ++slot) {
    TOL_Var* element = !record               ? frame->Slot(slot)
                       : slot == kThisSlot   ? record->self
                       : slot == kGlobalSlot ? record->globals
                                             : emptySlot;
    if (!element || element == emptySlot) continue;
    const TOL_Var::Exact exact = element->ExactClass();
    // An empty reference (THIS outside any object's function) has no members.
    if (exact == TOL_Var::Exact::kRef && !static_cast<TOL_VarRef*>(element)->Target()) continue;
    // The global object (a plain object) is asked by position first, as the frame is.
    if (slot == kGlobalSlot && hint && exact == TOL_Var::Exact::kObject) {
      auto* object = static_cast<TOL_VarObject*>(element);
      found = object->FindOwnMember(name, *hint);
      if (!found && object->GetBase()) found = object->GetBase()->FindMember(name);
      continue;
    }
    found = element->FindMember(name);
    if (found && slot != kGlobalSlot) owner = VarRef(element);
  }
  return found;
}

// A name found nowhere becomes the literal INT 0.
void Resolve(StackItem& item) {
  if (item.kind != kItemName) return;
  if (TOL_Var* found = LookUp(item.name, item.hint, item.owner)) {
    item.kind = kItemVariable;
    item.value = VarRef(found);
  } else {
    MakeLiteralZero(item);
  }
}

}  // namespace eval

using namespace eval;

TOL_VarObArray* CurrentFrame() {
  if (t_frames.empty()) return nullptr;
  FramePool::FillNow(t_frames.back());
  FramePool::Expose(t_frames.back());
  return t_frames.back();
}

TOL_VarObArray* FrameAt(size_t index) {
  if (index >= t_frames.size()) return nullptr;
  FramePool::FillNow(t_frames[index]);
  FramePool::Expose(t_frames[index]);
  return t_frames[index];
}

size_t TOL_Formulate::Run(size_t count) {
  const size_t base = t_stack.size();
  size_t first = 0;
  if (callPlan_) RunCallPlan(*callPlan_, items_, count, first, nullptr);
  RunItems(base, first, count);
  return base;
}

void TOL_Formulate::RunItems(size_t base, size_t first, size_t count) {
  std::vector<StackItem>& stack = t_stack;
  // The evaluator reads frames as they are.
  if (first < count) FramePool::FillNow(t_frames.back());
  for (size_t i = first; i < count; ++i) {
    const FormulaItem& item = items_[i];
    if (item.part && item.partEnd <= count) {
      // A part a plan covers: its answer goes on the stack as the items would have left it.
      Number number;
      TOL_Var* element = nullptr;
      if (item.part->Compute(t_frames.back(), number, element)) {
        StackItem& answer = stack.emplace_back();
        if (element) {
          answer.kind = kItemVariable;
          answer.value = VarRef(element);
        } else {
          answer.kind = kItemTemporary;
          answer.fresh = true;
          answer.SetNumber(number);
        }
        i = item.partEnd - 1;
        continue;
      }
    }
    if (item.kind >= kItemFirstOperator) {
      size_t n = item.count == 1 ? 1 : 2;
      EnsureItems(base, n);
      size_t left = stack.size() - n;
      ApplyOperator(item.kind, left);
      stack.resize(left + 1);
    } else if (item.kind == kItemCall) {
      size_t arguments = item.count > 0 ? static_cast<size_t>(item.count - 1) : 0;
      EnsureItems(base, arguments + 1);
      size_t callee = stack.size() - arguments - 1;
      ApplyCall(callee, arguments);
      stack.resize(callee + 1);
    } else {
      PushItem(item);
    }
  }
}

namespace {

void GiveNumber(const Number& number, uint64_t order) {
  t_answer.given = true;
  t_answer.number = number;
  t_answer.order = order;
}

}  // namespace

// Inline in both of its callers: a RETURN's expression runs in every script call that answers.
[[gnu::always_inline]] inline VarRef TOL_Formulate::Evaluate(TOL_VarObArray* frame, bool giveNumber) {
  if (plan_) {
    Number number;
    if (plan_->EvaluateNumber(frame, number)) {
      if (!giveNumber) return number.MakeValue();
      GiveNumber(number, Registry::ReserveUnmade());
      return nullptr;
    }
  }
  FramePush push(frame);
  std::vector<StackItem>& stack = t_stack;
  const size_t base = stack.size();
  size_t resume = 0;
  if (callPlan_) {
    // A plan that covers the whole expression answers a number or a value without an item.
    CallPlanAnswer answer;
    RunCallPlan(*callPlan_, items_, items_.size(), resume, &answer);
    if (answer.complete) {
      if (answer.value) return answer.value;
      if (giveNumber) {
        GiveNumber(answer.number, answer.order);
        return nullptr;
      }
      return Registry::MakeUnmade(answer.order, [&] { return answer.number.MakeValue(); });
    }
  }
  RunItems(base, resume, items_.size());
  VarRef result;
  bool given = false;
  if (stack.size() > base) {
    StackItem& first = stack[base];
    Resolve(first);
    Own(first);
    if (first.kind != kItemVariable) {
      if (giveNumber && first.IsNumber()) {
        GiveNumber(first.number, first.order);
        first.number.type = kTypeNone;  // handed over, not dropped
        given = true;
      } else {
        result = VarRef(first.Value());
      }
    } else if (first.value->IsValue()) {
      // A copy of a number variable is the number, made (or reserved) now.
      const Number number = giveNumber ? NumberOf(first.value.get()) : Number();
      if (number.type != kTypeNone) {
        GiveNumber(number, Registry::ReserveUnmade());
        given = true;
      } else {
        result = first.value->Clone(nullptr);
      }
    } else {
      result = NewRef(first.value.get());
    }
  }
  stack.resize(base);
  if (given) return nullptr;
  return result ? result : Make<TOL_Var>();
}

VarRef TOL_Formulate::Evaluate(TOL_VarObArray* frame) { return Evaluate(frame, false); }

VarRef TOL_Formulate::EvaluateAnswer(TOL_VarObArray* frame) {
  return Evaluate(frame, frame && frame == t_answer.frame);
}

bool TOL_Formulate::EvaluateBool(TOL_VarObArray* frame) {
  if (plan_) {
    bool truth;
    if (plan_->EvaluateBool(frame, truth)) return truth;
  }
  FramePush push(frame);
  std::vector<StackItem>& stack = t_stack;
  // A condition that ends in a comparison of two operands answers its truth without making the
  // BOOL; any other list runs whole.
  const FormulaItem* last = items_.empty() ? nullptr : &items_.back();
  const bool comparison = last && last->kind >= kOpEqual && last->kind <= kOpGreater && last->count == 2;
  const size_t base = Run(comparison ? items_.size() - 1 : items_.size());
  bool truth = false;
  if (comparison && stack.size() - base == 2) {
    Resolve(stack[base]);
    Resolve(stack[base + 1]);
    truth = Compare(last->kind, stack[base].AsOperand(), stack[base + 1].AsOperand());
  } else {
    if (comparison) {
      EnsureItems(base, 2);
      size_t left = stack.size() - 2;
      ApplyOperator(last->kind, left);
      stack.resize(left + 1);
    }
    if (stack.size() > base) {
      StackItem& first = stack[base];
      Resolve(first);
      // A copy converts exactly as its source does, so the source answers for it.
      truth = first.AsOperand().GetBool();
    }
  }
  stack.resize(base);
  return truth;
}

void TOL_Formulate::Execute(TOL_VarObArray* frame) {
  if (plan_ && plan_->Execute(frame)) return;
  FramePush push(frame);
  std::vector<StackItem>& stack = t_stack;
  const size_t base = stack.size();
  size_t resume = 0;
  if (callPlan_) {
    // A call statement: what the call answered is dropped as its item would be.
    CallPlanAnswer answer;
    answer.variableDropped = true;
    RunCallPlan(*callPlan_, items_, items_.size(), resume, &answer);
    if (answer.complete) {
      if (!answer.value) Registry::DropUnmade();
      return;
    }
  }
  RunItems(base, resume, items_.size());
  // A name left alone is still looked up, as evaluating it would.
  if (stack.size() > base) Resolve(stack[base]);
  stack.resize(base);
}

}  // namespace tav::script
