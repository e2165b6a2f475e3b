// Evaluating a compiled expression: the postfix items run on a value stack against the frame
// on top of the frame stack. Nothing here fails: names that are not found, missing members
// and indexes out of range become INT 0.

#include "script/evaluator.h"

#include <utility>
#include <vector>

#include "script/formulate.h"
#include "script/frame.h"
#include "script/method_table.h"
#include "script/number_value.h"
#include "script/numeric_plan.h"
#include "script/operators.h"
#include "script/registry.h"
#include "script/scalars.h"
#include "script/var_func.h"
#include "script/var_ref.h"

namespace tav::script {
namespace {

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
std::vector<StackItem> t_stack;
std::vector<TOL_VarObArray*> t_frames;

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
NumberAnswer t_answer;

struct FramePush {
  explicit FramePush(TOL_VarObArray* frame) { t_frames.push_back(frame); }
  ~FramePush() { t_frames.pop_back(); }
};

void MakeLiteralZero(StackItem& item) {
  item.kind = kItemLiteral;
  item.SetNumber(Number::Int(0));
  item.shared = false;
}

void MakeTemporary(StackItem& item, VarRef value, bool fresh = true) {
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

void ApplyCall(size_t calleeIndex, size_t argumentCount) {
  std::vector<StackItem>& stack = t_stack;
  Resolve(stack[calleeIndex]);
  Own(stack[calleeIndex]);
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
  const bool script = &callee->GetRuntimeClass() == &TOL_VarFuncState::kClassInfo;
  TOL_VarObArray* const outer = std::exchange(t_answer.frame, script ? frame.get() : nullptr);
  t_answer.given = false;
  VarRef result = callee->Call(frame.get());
  t_answer.frame = outer;
  const bool numberGiven = std::exchange(t_answer.given, false);
  // The stack may have grown (and moved) during the call: address the item afresh.
  StackItem& item = stack[calleeIndex];
  if (result) {
    MakeTemporary(item, std::move(result), false);  // a callee may answer a value it keeps
  } else if (numberGiven) {
    MakeTemporary(item, nullptr, false);
    item.number = t_answer.number;
    item.order = t_answer.order;
  } else {
    MakeLiteralZero(item);
  }
  item.owner.reset();
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

// Turns a name item into a variable item: the frame's own members (after the array methods),
// then frame slots 1 (THIS), 2 (WITH), 3 (globals) and 4; a hit in slot 1, 2 or 4 records that
// slot's value as the item's owner. A name found nowhere becomes the literal INT 0.
void Resolve(StackItem& item) {
  if (item.kind != kItemName) return;
  TOL_VarObArray* frame = t_frames.empty() ? nullptr : t_frames.back();
  TOL_Var* found = nullptr;
  if (frame) {
    // A plain frame's own members are found where the name stood the last time; the array
    // methods come first and the base (a frame has none) last, as in its FindMember.
    if (item.hint && frame->ExactClass() == TOL_Var::Exact::kArray &&
        !MethodTable::Get(kArrayMethods).Find(item.name)) {
      found = frame->FindOwnMember(item.name, *item.hint);
      if (!found && frame->GetBase()) found = frame->GetBase()->FindMember(item.name);
    } else {
      found = frame->FindMember(item.name);
    }
    for (int slot = kThisSlot; !found && slot <= kReservedSlot; ++slot) {
      TOL_Var* element = frame->Slot(slot);
      if (!element) continue;
      // The global object (a plain object) is asked by position first, as the frame is.
      if (slot == kGlobalSlot && item.hint && &element->GetRuntimeClass() == &TOL_VarObject::kClassInfo) {
        auto* object = static_cast<TOL_VarObject*>(element);
        found = object->FindOwnMember(item.name, *item.hint);
        if (!found && object->GetBase()) found = object->GetBase()->FindMember(item.name);
        continue;
      }
      found = element->FindMember(item.name);
      if (found && slot != kGlobalSlot) item.owner = VarRef(element);
    }
  }
  if (found) {
    item.kind = kItemVariable;
    item.value = VarRef(found);
  } else {
    MakeLiteralZero(item);
  }
}

}  // namespace

TOL_VarObArray* CurrentFrame() { return t_frames.empty() ? nullptr : t_frames.back(); }

size_t TOL_Formulate::Run(size_t count) {
  std::vector<StackItem>& stack = t_stack;
  const size_t base = stack.size();
  for (size_t i = 0; i < count; ++i) {
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
      StackItem& copy = stack.emplace_back();
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
  }
  return base;
}

namespace {

void GiveNumber(const Number& number, uint64_t order) {
  t_answer.given = true;
  t_answer.number = number;
  t_answer.order = order;
}

}  // namespace

VarRef TOL_Formulate::Evaluate(TOL_VarObArray* frame) { return Evaluate(frame, false); }

VarRef TOL_Formulate::EvaluateAnswer(TOL_VarObArray* frame) {
  return Evaluate(frame, frame && frame == t_answer.frame);
}

VarRef TOL_Formulate::Evaluate(TOL_VarObArray* frame, bool giveNumber) {
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
  const size_t base = Run(items_.size());
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
  const size_t base = Run(items_.size());
  // A name left alone is still looked up, as evaluating it would.
  if (stack.size() > base) Resolve(stack[base]);
  stack.resize(base);
}

}  // namespace tav::script
