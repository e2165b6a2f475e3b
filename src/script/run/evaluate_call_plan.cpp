// Running a call plan (call_plan.h): the evaluator's work for expressions that call functions
// with number arguments, without its stack items.
//
// Each operand is kept as what the evaluator's item would be at that point: a name not looked
// up yet, a variable (counted, as the item holds it), a borrowed literal, an unmade number with
// its reserved creation order, or a value a call answered. Names are looked up when the
// evaluator would: by the operator or call that uses them. When the plan stops, its operands
// become exactly those items.

#include <utility>

#include "script/core/call_plan.h"
#include "script/run/evaluator_stack.h"
#include "script/core/frame.h"
#include "script/core/method_table.h"
#include "script/core/numeric_plan.h"
#include "script/core/numeric_plan_run.h"
#include "script/core/var_array.h"

namespace tav::script::eval {
namespace {

using Node = CallPlan::Node;
using NodeKind = CallPlan::Kind;

// Written whole by Set whenever it takes a new meaning (the plan's stack is not initialised).
struct PlanOperand {
  enum class Kind : uint8_t { kName, kVariable, kConstant, kAnswer, kValue };
  Kind kind;
  bool fresh;            // answers: an operator's, which a call takes over rather than copies
  bool literal;          // answers: the INT 0 of a call without answer or a name found nowhere
  Number number;         // answers and constants
  uint64_t order;        // answers: the creation order reserved for the number
  TOL_Var* var;          // variables and values; the operand holds a count
  const Node* node;      // names and constants

  void Set(Kind k, const Node* n = nullptr, TOL_Var* v = nullptr) {
    kind = k;
    fresh = literal = false;
    order = 0;
    var = v;
    node = n;
  }
  // An unmade number the evaluator would hold in an item.
  void SetAnswer(const Number& n, uint64_t o, bool isFresh) {
    Set(Kind::kAnswer);
    number = n;
    order = o;
    fresh = isFresh;
  }
  void SetZeroAnswer() {
    SetAnswer(Number::Int(0), Registry::ReserveUnmade(), false);
    literal = true;
  }
};

[[gnu::always_inline]] inline void Drop(PlanOperand& operand) {
  if (operand.kind == PlanOperand::Kind::kAnswer) Registry::DropUnmade();
  else if (operand.var) operand.var->Release();
  operand.var = nullptr;
}

// What Resolve makes of a name: the variable it finds, or INT 0.
[[gnu::always_inline]] inline void ResolveOperand(PlanOperand& operand) {
  if (operand.kind != PlanOperand::Kind::kName) return;
  VarRef owner;  // only a callee's owner matters, and callees are resolved by the call itself
  if (TOL_Var* found = LookUp(operand.node->name, &operand.node->hint, owner)) {
    found->AddRef();
    operand.Set(PlanOperand::Kind::kVariable, nullptr, found);
  } else {
    operand.SetZeroAnswer();
  }
}

// The number an operand holds, or none when it is not exactly a number.
[[gnu::always_inline]] inline Number NumberIn(const PlanOperand& operand) {
  switch (operand.kind) {
    case PlanOperand::Kind::kConstant:
    case PlanOperand::Kind::kAnswer: return operand.number;
    case PlanOperand::Kind::kVariable:
    case PlanOperand::Kind::kValue: return NumberOf(operand.var);
    default: return Number();
  }
}

// Hands an operand to the evaluator as the item it stands for.
void PushOperand(PlanOperand& operand, const std::vector<FormulaItem>& items) {
  switch (operand.kind) {
    case PlanOperand::Kind::kName:
    case PlanOperand::Kind::kConstant:
      PushItem(items[operand.node->first]);
      return;
    case PlanOperand::Kind::kVariable:
    case PlanOperand::Kind::kValue: {
      StackItem& item = t_stack.emplace_back();
      item.kind = operand.kind == PlanOperand::Kind::kVariable ? kItemVariable : kItemTemporary;
      item.value = VarRef::Adopt(std::exchange(operand.var, nullptr));
      return;
    }
    case PlanOperand::Kind::kAnswer: {
      StackItem& item = t_stack.emplace_back();
      item.kind = operand.literal ? kItemLiteral : kItemTemporary;
      item.fresh = operand.fresh;
      item.number = operand.number;
      item.order = operand.order;
      return;
    }
  }
}

// A call of a lendable function by name with number arguments, as ApplyCall and ApplyLentCall
// make it; false, with nothing done but looking the arguments up, when the call is any other.
// Out of line: inlined, the whole plan loop kept its values in the stack across the script call
// this makes, and reloaded them after it (fib: about 7 instructions a call more).
[[gnu::noinline]] bool Call(const Node& node, PlanOperand* callee, PlanOperand* arguments) {
  const size_t count = static_cast<size_t>(node.count);
  if (count > FramePool::kMaxArguments) return false;
  VarRef owner;
  TOL_Var* function = LookUpFromCall(callee->node->name, &callee->node->hint, owner);
  bool script;
  if (!function || !IsLendable(function, script)) return false;
  for (size_t i = 0; i < count; ++i) {
    ResolveOperand(arguments[i]);
    if (NumberIn(arguments[i]).type == kTypeNone) return false;
  }
  TOL_Var* self;
  TOL_Var* globals;
  if (!LentReceiver(owner.get(), self, globals)) return false;

  const uint64_t argsOrder = Registry::ReserveUnmade();
  LentArgument* lent = FramePool::NextArguments();
  for (size_t i = 0; i < count; ++i) {
    PlanOperand& argument = arguments[i];
    const bool handOver = argument.kind == PlanOperand::Kind::kAnswer && argument.fresh;
    lent[i] = LendNumber(NumberIn(argument), handOver, argument.order);
    if (handOver) argument.kind = PlanOperand::Kind::kConstant;  // the copy is this number: nothing to drop
  }
  CallAnswer answer = CallLent(function, script, self, globals, argsOrder, count);
  if (answer.value) {
    callee->Set(PlanOperand::Kind::kValue, nullptr, answer.value.Leak());
  } else if (answer.numberGiven) {
    callee->SetAnswer(answer.number, answer.order, false);
  } else {
    callee->SetZeroAnswer();
  }
  for (size_t i = 0; i < count; ++i) Drop(arguments[i]);
  return true;
}

}  // namespace

void RunCallPlan(const CallPlan& plan, const std::vector<FormulaItem>& items, size_t count, size_t& resume,
                 CallPlanAnswer* answer) {
  // Left unwritten: each operand is written whole when it is pushed.
  union Operands {
    Operands() {}
    PlanOperand at[CallPlan::kMaxDepth];
  } operands;
  PlanOperand* const stack = operands.at;
  size_t size = 0;
  // As numeric plans, call plans run against plain frames only (every frame a call builds).
  TOL_VarObArray* frame = t_frames.back();
  if (!frame || frame->ExactClass() != TOL_Var::Exact::kArray) {
    resume = 0;
    return;
  }
  // The bounds are read once: the calls below write memory the compiler cannot tell apart from
  // the vector, so it would read them again (and divide by the node size) at every node.
  const Node* const begin = plan.Nodes().data();
  const Node* const end = begin + plan.Nodes().size();
  const Node* at = begin;
  for (; at != end && at->first < count; ++at) {
    const Node& node = *at;
    switch (node.kind) {
      case NodeKind::kLocal:
      case NodeKind::kCallee:
        stack[size++].Set(PlanOperand::Kind::kName, &node);
        continue;
      case NodeKind::kConstant:
        stack[size].Set(PlanOperand::Kind::kConstant, &node);
        stack[size++].number = node.constant;
        continue;
      case NodeKind::kElement: {
        // ARGS[0]: the evaluator indexes as soon as it reaches the index, and only a frame's own
        // array, found where the name stood, is taken here.
        if (MethodTable::Get(kArrayMethods).Find(node.name)) break;
        FramePool::FillNow(frame);  // the element itself is taken
        TOL_Var* array = frame->FindOwnMember(node.name, node.hint);
        if (!array || array->ExactClass() != TOL_Var::Exact::kArray) break;
        TOL_Var* element = static_cast<TOL_VarObArray*>(array)->Slot(node.index);
        if (!element) break;
        element->AddRef();
        stack[size++].Set(PlanOperand::Kind::kVariable, nullptr, element);
        continue;
      }
      case NodeKind::kPart: {
        // As the evaluator takes a part a numeric plan covers.
        Number number;
        TOL_Var* element = nullptr;
        if (!node.part->Compute(frame, number, element)) break;
        if (element) {
          element->AddRef();
          stack[size++].Set(PlanOperand::Kind::kVariable, nullptr, element);
        } else {
          stack[size++].SetAnswer(number, Registry::ReserveUnmade(), true);
        }
        continue;
      }
      case NodeKind::kUnary: {
        PlanOperand& operand = stack[size - 1];
        ResolveOperand(operand);
        const Number number = NumberIn(operand);
        if (number.type == kTypeNone) break;
        const Number result = Unary(node.op, tav::script::Operand(number)).number;
        const uint64_t order = Registry::ReserveUnmade();
        Drop(operand);
        operand.SetAnswer(result, order, true);
        continue;
      }
      case NodeKind::kBinary: {
        PlanOperand& left = stack[size - 2];
        PlanOperand& right = stack[size - 1];
        ResolveOperand(left);
        ResolveOperand(right);
        const Number l = NumberIn(left);
        const Number r = l.type == kTypeNone ? Number() : NumberIn(right);
        if (r.type == kTypeNone) break;
        Number result;
        if (!IntegerBinary(node.op, l, r, result)) result = NumberBinary(node.op, l, r);
        const uint64_t order = Registry::ReserveUnmade();
        Drop(left);
        Drop(right);
        left.SetAnswer(result, order, true);
        --size;
        continue;
      }
      case NodeKind::kAssign: {
        // Number into a number variable, as the evaluator's assignment operators take two
        // numbers; the target stands for the result.
        PlanOperand& target = stack[size - 2];
        PlanOperand& source = stack[size - 1];
        if (target.kind != PlanOperand::Kind::kName) break;
        VarRef owner;
        TOL_Var* variable = LookUp(target.node->name, &target.node->hint, owner);
        if (!variable) break;
        const Number current = NumberOf(variable);
        const Number value = NumberIn(source);
        if (current.type == kTypeNone || value.type == kTypeNone) break;
        Registry::CountUnmade(AssignNumbers(node.op, variable, current, value));
        Drop(source);
        variable->AddRef();
        target.Set(PlanOperand::Kind::kVariable, nullptr, variable);
        --size;
        continue;
      }
      case NodeKind::kCall: {
        const size_t callee = size - static_cast<size_t>(node.count) - 1;
        if (!Call(node, &stack[callee], &stack[callee + 1])) break;
        size = callee + 1;
        continue;
      }
    }
    break;  // the evaluator goes on from this node
  }
  resume = at != end && at->first < count ? at->first : count;
  if (answer && resume == count && size == 1) {
    PlanOperand& root = stack[0];
    if (root.kind == PlanOperand::Kind::kAnswer) {
      answer->complete = true;
      answer->number = root.number;
      answer->order = root.order;
      return;
    }
    if (root.kind == PlanOperand::Kind::kValue ||
        (root.kind == PlanOperand::Kind::kVariable && answer->variableDropped)) {
      answer->complete = true;
      answer->value = VarRef::Adopt(root.var);
      return;
    }
  }
  for (size_t i = 0; i < size; ++i) PushOperand(stack[i], items);
}

}  // namespace tav::script::eval
