#include "script/core/call_plan.h"

#include "script/core/numeric_plan.h"
#include "script/core/operators.h"
#include "script/core/plan_shape.h"

namespace tav::script {

std::shared_ptr<const CallPlan> CallPlan::Build(const std::vector<FormulaItem>& items) {
  auto plan = std::make_shared<CallPlan>();
  std::vector<Node>& nodes = plan->nodes_;
  PlanShape<Node> shape(nodes);
  std::vector<size_t>& starts = shape.starts;
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
    } else if (item.kind == kItemName && (item.owner || item.value || item.name.IsNull())) {
      return nullptr;  // a name found when it was compiled
    } else if (item.kind == kItemCall && item.count > 0) {
      // A function named by a bare name: the operand below the arguments is a lone name.
      const size_t arguments = static_cast<size_t>(item.count - 1);
      if (starts.size() < arguments + 1) return nullptr;
      const size_t callee = starts.size() - arguments - 1;
      if (!shape.IsLeaf(callee) || nodes[starts[callee]].kind != Kind::kLocal) return nullptr;
      nodes[starts[callee]].kind = Kind::kCallee;
      node.kind = Kind::kCall;
      node.count = static_cast<int32_t>(arguments);
      starts.resize(callee + 1);
      calls = true;
    } else if (shape.Add(items, i, node) != PlanShape<Node>::Step::kTaken) {
      return nullptr;
    }
    if (starts.size() > kMaxDepth) return nullptr;
    nodes.push_back(node);
  }
  if (!calls || starts.size() != 1) return nullptr;
  return plan;
}

}  // namespace tav::script
