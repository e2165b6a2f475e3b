#include "script/call_plan.h"

#include "script/numeric_plan.h"
#include "script/operators.h"

namespace tav::script {

std::shared_ptr<const CallPlan> CallPlan::Build(const std::vector<FormulaItem>& items) {
  auto plan = std::make_shared<CallPlan>();
  std::vector<Node>& nodes = plan->nodes_;
  // For each operand on the stack: its first node; an operand is a leaf when that node is its
  // only one.
  std::vector<size_t> starts;
  auto isLeaf = [&](size_t position) {
    return starts[position] + 1 == (position + 1 < starts.size() ? starts[position + 1] : nodes.size());
  };
  bool calls = false;
  for (size_t i = 0; i < items.size(); ++i) {
    const FormulaItem& item = items[i];
    Node node{};
    node.first = static_cast<uint32_t>(i);
    if (item.part && item.partEnd <= items.size()) {
      node.kind = Kind::kPart;
      node.part = item.part;
      starts.push_back(nodes.size());
      i = item.partEnd - 1;
    } else if (item.kind == kItemName && !item.name.IsNull() && !item.owner && !item.value) {
      node.kind = Kind::kLocal;  // a callee's name is marked as such by its call
      node.name = item.name;
      starts.push_back(nodes.size());
    } else if (item.kind == kItemLiteral && item.shared && item.value) {
      node.kind = Kind::kConstant;
      node.constant = NumberOf(item.value.get());
      if (node.constant.type == kTypeNone) return nullptr;  // text
      starts.push_back(nodes.size());
    } else if (item.kind == kOpIndex && item.count == 2) {
      // Only a local indexed by a literal: ARGS[0].
      if (starts.size() < 2) return nullptr;
      const size_t left = starts.size() - 2;
      if (!isLeaf(left) || !isLeaf(left + 1)) return nullptr;
      const Node array = nodes[starts[left]];
      const Node index = nodes[starts[left + 1]];
      if (array.kind != Kind::kLocal || index.kind != Kind::kConstant) return nullptr;
      node.kind = Kind::kElement;
      node.name = array.name;
      node.index = index.constant.GetLong();
      node.first = array.first;
      nodes.resize(starts[left]);
      starts.pop_back();
    } else if (item.kind >= kItemFirstOperator && item.count == 2 && IsNumericBinary(item.kind)) {
      if (starts.size() < 2) return nullptr;
      node.kind = Kind::kBinary;
      node.op = item.kind;
      starts.pop_back();
    } else if (item.kind >= kItemFirstOperator && item.count == 1 && IsUnaryOperator(item.kind)) {
      if (starts.empty()) return nullptr;
      node.kind = Kind::kUnary;
      node.op = item.kind;
    } else if (item.kind == kItemCall && item.count > 0) {
      // A function named by a bare name: the operand below the arguments is a lone name.
      const size_t arguments = static_cast<size_t>(item.count - 1);
      if (starts.size() < arguments + 1) return nullptr;
      const size_t callee = starts.size() - arguments - 1;
      if (!isLeaf(callee) || nodes[starts[callee]].kind != Kind::kLocal) return nullptr;
      nodes[starts[callee]].kind = Kind::kCallee;
      node.kind = Kind::kCall;
      node.count = static_cast<int32_t>(arguments);
      starts.resize(callee + 1);
      calls = true;
    } else if (item.kind >= kOpAssign && item.kind <= kOpXorAssign && item.count == 2) {
      // Only as the whole expression, into a name: x = F(1), s += F(i).
      if (i + 1 != items.size() || starts.size() != 2 || !isLeaf(0) || nodes.front().kind != Kind::kLocal) {
        return nullptr;
      }
      node.kind = Kind::kAssign;
      node.op = item.kind;
      starts.pop_back();
    } else {
      return nullptr;
    }
    if (starts.size() > kMaxDepth) return nullptr;
    nodes.push_back(node);
  }
  if (!calls || starts.size() != 1) return nullptr;
  return plan;
}

}  // namespace tav::script
