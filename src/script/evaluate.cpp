// Evaluating a compiled expression: the postfix items run on a value stack against the frame
// on top of the frame stack. Nothing here fails: names that are not found, missing members
// and indexes out of range become INT 0.

#include "script/evaluator.h"

#include <vector>

#include "script/formulate.h"
#include "script/frame.h"
#include "script/operators.h"
#include "script/scalars.h"
#include "script/var_ref.h"

namespace tav::script {
namespace {

// One value stack for all evaluations on this thread; a nested evaluation (a call inside an
// expression) works above the items of the one that called it. Handlers therefore address
// items by index, never by reference, across anything that may call a script.
thread_local std::vector<FormulaItem> t_stack;
thread_local std::vector<TOL_VarObArray*> t_frames;

struct FramePush {
  explicit FramePush(TOL_VarObArray* frame) { t_frames.push_back(frame); }
  ~FramePush() { t_frames.pop_back(); }
};

void MakeLiteralZero(FormulaItem& item) {
  item.kind = kItemLiteral;
  item.value = NewInt(0);
  item.shared = false;
}

void MakeTemporary(FormulaItem& item, VarRef value, bool fresh = true) {
  item.kind = kItemTemporary;
  item.value = std::move(value);
  item.owner.reset();
  item.name = Atom();
  item.shared = false;
  item.fresh = fresh;
}

// A literal is copied on every evaluation so that the program can never change the compiled
// one. Plain scalar literals are borrowed instead and copied here, only where a change could
// follow: as an assignment's target or source, a member or index base, a callee, an argument
// or the result. Operators that only read them need no copy.
void Own(FormulaItem& item) {
  if (!item.shared) return;
  item.value = item.value->Clone(nullptr);
  item.shared = false;
}

void ApplyOperator(int32_t op, size_t left) {
  std::vector<FormulaItem>& stack = t_stack;
  FormulaItem& l = stack[left];
  if (op == kOpMember) {
    Resolve(l);
    Own(l);
    Atom name = stack[left + 1].name;
    TOL_Var* found = name.IsNull() ? nullptr : l.value->FindMember(name);
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
    MakeTemporary(l, UnaryOperation(op, l.value.get()));
    return;
  }
  FormulaItem& r = stack[left + 1];
  Resolve(l);
  Resolve(r);
  switch (op) {
    case kOpAssign:
      Own(l);
      Own(r);  // a reference would otherwise come to point at the compiled literal
      l.value->Assign(r.value.get());
      return;  // the left item stands for the result: assignments chain to the left
    case kOpTimesAssign: case kOpDivideAssign: case kOpPlusAssign: case kOpMinusAssign:
    case kOpShiftLeftAssign: case kOpShiftRightAssign: case kOpAndAssign: case kOpOrAssign:
    case kOpXorAssign:
      Own(l);
      CompoundAssign(op, l.value.get(), r.value.get());
      return;
    case kOpIndex: {
      Own(l);
      TOL_Var* found = l.value->GetAt(r.value->GetLong());
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
    default:
      MakeTemporary(l, BinaryOperation(op, l.value.get(), r.value.get()));
      return;
  }
}

void ApplyCall(size_t calleeIndex, size_t argumentCount) {
  std::vector<FormulaItem>& stack = t_stack;
  Resolve(stack[calleeIndex]);
  Own(stack[calleeIndex]);
  auto args = NewArray();
  std::vector<VarRef> values;
  values.reserve(argumentCount);
  for (size_t i = 1; i <= argumentCount; ++i) {
    FormulaItem& arg = stack[calleeIndex + i];
    Resolve(arg);
    if (arg.shared) {
      Own(arg);  // already a private copy: a value needs no second one
      values.push_back(arg.value);
      continue;
    }
    TOL_Var* value = arg.value.get();
    // A value an operator just made belongs to this evaluation alone: it is handed over, not
    // copied.
    bool copy = value->IsValue() && !value->IsSharedArgument() && !(arg.kind == kItemTemporary && arg.fresh);
    values.push_back(copy ? value->Clone(nullptr) : arg.value);
  }
  args->AdoptElements(std::move(values));
  TOL_VarObArray* caller = t_frames.empty() ? nullptr : t_frames.back();
  VarRef callee = stack[calleeIndex].value;
  TOL_Var* self = stack[calleeIndex].owner.get();
  if (!self && caller) self = caller->GetAt(kThisSlot);
  TOL_Var* globals = caller ? caller->GetAt(kGlobalSlot) : nullptr;
  Ref<TOL_VarObArray> frame = NewFrame(args.get(), self, globals);
  VarRef result = callee->Call(frame.get());
  // The stack may have grown (and moved) during the call: address the item afresh.
  FormulaItem& item = stack[calleeIndex];
  if (result) MakeTemporary(item, std::move(result), false);  // a callee may answer a value it keeps
  else MakeLiteralZero(item);
  item.owner.reset();
}

// Operators and calls of a malformed item list would find too few items: missing operands
// are supplied as INT 0 so that evaluation still never fails.
void EnsureItems(size_t base, size_t needed) {
  std::vector<FormulaItem>& stack = t_stack;
  if (stack.size() - base >= needed) return;
  while (stack.size() - base < needed) {
    FormulaItem zero;
    MakeLiteralZero(zero);
    stack.insert(stack.begin() + base, std::move(zero));
  }
}

}  // namespace

void Resolve(FormulaItem& item) {
  if (item.kind != kItemName) return;
  TOL_VarObArray* frame = t_frames.empty() ? nullptr : t_frames.back();
  TOL_Var* found = nullptr;
  if (frame) {
    found = frame->FindMember(item.name);
    for (int slot = kThisSlot; !found && slot <= kReservedSlot; ++slot) {
      TOL_Var* element = frame->GetAt(slot);
      if (!element) continue;
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

TOL_VarObArray* CurrentFrame() { return t_frames.empty() ? nullptr : t_frames.back(); }

size_t TOL_Formulate::Run(size_t count) {
  std::vector<FormulaItem>& stack = t_stack;
  const size_t base = stack.size();
  for (size_t i = 0; i < count; ++i) {
    const FormulaItem& item = items_[i];
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
      FormulaItem copy;
      copy.kind = item.kind;
      copy.count = item.count;
      copy.name = item.name;
      copy.owner = item.owner;
      copy.value = item.value;
      if (item.kind == kItemLiteral || item.kind == kItemTemporary) {
        if (item.shared) copy.shared = true;
        else if (item.value) copy.value = item.value->Clone(nullptr);
      }
      stack.push_back(std::move(copy));
    }
  }
  return base;
}

VarRef TOL_Formulate::Evaluate(TOL_VarObArray* frame) {
  FramePush push(frame);
  std::vector<FormulaItem>& stack = t_stack;
  const size_t base = Run(items_.size());
  VarRef result;
  if (stack.size() > base) {
    FormulaItem& first = stack[base];
    Resolve(first);
    Own(first);
    if (first.kind != kItemVariable) {
      result = first.value;
    } else if (first.value->IsValue()) {
      result = first.value->Clone(nullptr);
    } else {
      result = NewRef(first.value.get());
    }
  }
  stack.resize(base);
  return result ? result : Make<TOL_Var>();
}

bool TOL_Formulate::EvaluateBool(TOL_VarObArray* frame) {
  FramePush push(frame);
  std::vector<FormulaItem>& stack = t_stack;
  // A condition that ends in a comparison of two operands answers its truth without making the
  // BOOL; any other list runs whole.
  const FormulaItem* last = items_.empty() ? nullptr : &items_.back();
  const bool comparison = last && last->kind >= kOpEqual && last->kind <= kOpGreater && last->count == 2;
  const size_t base = Run(comparison ? items_.size() - 1 : items_.size());
  bool truth = false;
  if (comparison && stack.size() - base == 2) {
    Resolve(stack[base]);
    Resolve(stack[base + 1]);
    truth = Compare(last->kind, stack[base].value.get(), stack[base + 1].value.get());
  } else {
    if (comparison) {
      EnsureItems(base, 2);
      size_t left = stack.size() - 2;
      ApplyOperator(last->kind, left);
      stack.resize(left + 1);
    }
    if (stack.size() > base) {
      FormulaItem& first = stack[base];
      Resolve(first);
      // A copy converts exactly as its source does, so the source answers for it.
      truth = first.value->GetBool();
    }
  }
  stack.resize(base);
  return truth;
}

void TOL_Formulate::Execute(TOL_VarObArray* frame) {
  FramePush push(frame);
  std::vector<FormulaItem>& stack = t_stack;
  const size_t base = Run(items_.size());
  // A name left alone is still looked up, as evaluating it would.
  if (stack.size() > base) Resolve(stack[base]);
  stack.resize(base);
}

}  // namespace tav::script
