#include "script/core/numeric_plan.h"
#include "script/core/numeric_plan_run.h"

#include <cstdint>

#include "script/core/frame.h"
#include "script/core/frame_pool.h"
#include "script/core/method_table.h"
#include "script/core/operators.h"
#include "script/core/plan_shape.h"
#include "script/core/registry.h"
#include "script/core/var_array.h"

namespace tav::script {

bool IsNumericBinary(int32_t op) {
  switch (op) {
    case kOpPlus: case kOpMinus: case kOpTimes: case kOpDivide: case kOpModulo: case kOpXor:
    case kOpAnd: case kOpOr: case kOpEqual: case kOpNotEqual: case kOpGreaterEqual:
    case kOpLessEqual: case kOpLess: case kOpGreater: case kOpLogicalAnd: case kOpLogicalOr:
    case kOpPower: case kOpRoot: case kOpShiftLeft: case kOpShiftRight:
      return true;
    default:
      return false;
  }
}

bool IsUnaryOperator(int32_t op) {
  return op == kOpUnaryPlus || op == kOpUnaryMinus || op == kOpNot || op == kOpComplement;
}

std::shared_ptr<const NumericPlan> NumericPlan::Build(const std::vector<FormulaItem>& items) {
  auto plan = std::make_shared<NumericPlan>();
  std::vector<Node>& nodes = plan->nodes_;
  PlanShape<Node> shape(nodes);
  for (size_t i = 0; i < items.size(); ++i) {
    Node node{};
    if (shape.Add(items, i, node) != PlanShape<Node>::Step::kTaken) return nullptr;
    if (shape.starts.size() > kMaxDepth) return nullptr;
    node.args = node.kind == Kind::kElement && node.name == Names::Args();
    nodes.push_back(node);
  }
  if (shape.starts.size() != 1) return nullptr;
  auto isLeafKind = [](Kind kind) { return kind == Kind::kLocal || kind == Kind::kConstant || kind == Kind::kElement; };
  const size_t n = nodes.size();
  plan->small_ = n <= 3 && isLeafKind(nodes[0].kind) && (n < 2 || isLeafKind(nodes[1].kind)) &&
                 (n < 3 || nodes[2].kind == Kind::kBinary || nodes[2].kind == Kind::kAssign);
  return plan;
}

bool NumericPlan::RunGeneral(TOL_VarObArray* frame, size_t count, Values& s) const {
  Number* numbers = s.n;
  TOL_Var** variables = s.v;
  size_t size = 0;
  int made = 0;
  for (const Node *node = nodes_.data(), *end = node + count; node != end; ++node) {
    switch (node->kind) {
      case Kind::kLocal:
      case Kind::kConstant:
      case Kind::kElement:
        if (!Leaf(*node, frame, numbers[size], variables[size])) return false;
        ++size;
        break;
      case Kind::kUnary:
        numbers[size - 1] = Unary(node->op, Operand(numbers[size - 1])).number;
        variables[size - 1] = nullptr;
        ++made;
        break;
      case Kind::kBinary:
        --size;
        if (!IntegerBinary(node->op, numbers[size - 1], numbers[size], numbers[size - 1])) {
          numbers[size - 1] = NumberBinary(node->op, numbers[size - 1], numbers[size]);
        }
        variables[size - 1] = nullptr;
        ++made;
        break;
      case Kind::kAssign:
        return false;  // only ever the root, which the callers apply themselves
    }
  }
  s.size = size;
  s.made = made;
  return true;
}

int AssignNumbers(int32_t op, TOL_Var* target, const Number& current, const Number& source) {
  if (op == kOpAssign) {
    AssignNumber(target, source);
    return 0;
  }
  // As CompoundAssign does it, knowing both sides are numbers and the target exactly a number
  // class: INT into INT by +=, -= and *= is stored straight away; anything else is computed as a
  // value, which the target is assigned from.
  const bool inPlace = current.type == kTypeInt && source.type == kTypeInt &&
                       (op == kOpPlusAssign || op == kOpMinusAssign || op == kOpTimesAssign);
  const int32_t operation = AssignmentOperation(op);
  Number result;
  if (!IntegerBinary(operation, current, source, result)) result = NumberBinary(operation, current, source);
  AssignNumber(target, result);
  return inPlace ? 0 : 1;
}

bool NumericPlan::Execute(TOL_VarObArray* frame) const {
  if (!numeric_plan_detail::IsPlainFrame(frame)) return false;
  FramePool::FillNow(frame);  // an assignment takes its target itself
  Values s;
  const Node& root = nodes_.back();
  if (root.kind != Kind::kAssign) {
    if (!Run(frame, nodes_.size(), s)) return false;
    Registry::CountUnmade(s.made);
    return true;
  }
  if (!Run(frame, nodes_.size() - 1, s)) return false;
  TOL_Var* target = s.v[0];
  const Number& source = s.n[1];
  s.made += AssignNumbers(root.op, target, s.n[0], source);
  // The evaluator copies a literal before assigning from it.
  if (root.op == kOpAssign && nodes_[nodes_.size() - 2].kind == Kind::kConstant) ++s.made;
  Registry::CountUnmade(s.made);
  return true;
}

namespace {

// What the items of a postfix list make of each other: for each item, where the part it ends
// starts, and whether a plan covers that part.
struct PartShape {
  std::vector<size_t> start;
  std::vector<bool> covered;
  std::vector<bool> leaf;
};

}  // namespace

void NumericPlan::Mark(std::vector<FormulaItem>& items) {
  const size_t n = items.size();
  PartShape shape{std::vector<size_t>(n), std::vector<bool>(n), std::vector<bool>(n)};
  std::vector<size_t> roots;  // the roots of the parts on the stack
  for (size_t i = 0; i < n; ++i) {
    const FormulaItem& item = items[i];
    size_t operands = 0;
    bool inner = false;  // an operator a plan can take inside a part
    if (item.kind == kItemCall) {
      operands = item.count > 0 ? static_cast<size_t>(item.count) : 1;
    } else if (item.kind >= kItemFirstOperator) {
      operands = item.count == 1 ? 1 : 2;
      inner = (item.count == 2 && (IsNumericBinary(item.kind) || item.kind == kOpIndex)) ||
              (item.count == 1 && IsUnaryOperator(item.kind));
    }
    if (roots.size() < operands) return;  // a malformed list: the evaluator copes on its own
    size_t start = i;
    bool covered = operands == 0
                       ? item.kind == kItemName || (item.kind == kItemLiteral && item.shared && item.value &&
                                                    NumberOf(item.value.get()).type != kTypeNone)
                       : inner;
    for (size_t k = 0; k < operands; ++k) {
      size_t child = roots.back();
      roots.pop_back();
      start = shape.start[child];
      covered = covered && shape.covered[child];
    }
    shape.start[i] = start;
    shape.covered[i] = covered;
    shape.leaf[i] = operands == 0;
    roots.push_back(i);
  }
  if (roots.size() != 1) return;
  // From the root down: a covered part with an operator is planned whole, the rest searched.
  std::vector<size_t> pending{roots.back()};
  while (!pending.empty()) {
    const size_t root = pending.back();
    pending.pop_back();
    if (shape.leaf[root]) continue;
    if (shape.covered[root]) {
      const size_t first = shape.start[root];
      std::vector<FormulaItem> part(items.begin() + static_cast<std::ptrdiff_t>(first),
                                    items.begin() + static_cast<std::ptrdiff_t>(root) + 1);
      if (auto plan = Build(part)) {
        items[first].part = std::move(plan);
        items[first].partEnd = static_cast<uint32_t>(root + 1);
      }
      continue;
    }
    // The children of an operator or call: the part before it, one after another from the last.
    size_t child = root;
    const FormulaItem& item = items[root];
    size_t operands = item.kind == kItemCall ? (item.count > 0 ? static_cast<size_t>(item.count) : 1)
                                             : (item.count == 1 ? 1 : 2);
    for (size_t k = 0; k < operands && child > 0; ++k) {
      child = child - 1;
      pending.push_back(child);
      child = shape.start[child];
    }
  }
}

}  // namespace tav::script
