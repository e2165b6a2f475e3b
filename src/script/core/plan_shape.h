// What building a numeric plan and a call plan share: following the operands of a postfix item
// list, and the nodes both kinds of plan make of names, number literals, a name indexed by a
// literal (ARGS[0]), the numeric operators and an assignment at the top.
#pragma once

#include <vector>

#include "script/core/formulate.h"
#include "script/core/numeric_plan.h"
#include "script/core/operators.h"

namespace tav::script {

// `Node` has the members kind, op, name, index, constant and first; its Kind the leaf kinds
// kLocal, kConstant and kElement and the operator kinds kUnary, kBinary and kAssign.
template <class Node>
class PlanShape {
 public:
  using Kind = decltype(Node::kind);
  enum class Step { kTaken, kOther, kRefused };

  explicit PlanShape(std::vector<Node>& nodes) : nodes_(nodes) {}

  // For each operand on the stack: its first node. An operand is a leaf when that node is its
  // only one.
  std::vector<size_t> starts;
  bool IsLeaf(size_t position) const {
    return starts[position] + 1 == (position + 1 < starts.size() ? starts[position + 1] : nodes_.size());
  }

  // Fills `node` for item `i` when it is one of the shared kinds and updates the operands (the
  // caller appends the node). kOther: an item of another kind; kRefused: a shared kind in a
  // shape no plan takes.
  Step Add(const std::vector<FormulaItem>& items, size_t i, Node& node) {
    const FormulaItem& item = items[i];
    node.first = static_cast<uint32_t>(i);
    if (item.kind == kItemName) {
      node.kind = Kind::kLocal;
      node.name = item.name;
      starts.push_back(nodes_.size());
    } else if (item.kind == kItemLiteral && item.shared && item.value) {
      node.kind = Kind::kConstant;
      node.constant = NumberOf(item.value.get());
      if (node.constant.type == kTypeNone) return Step::kRefused;  // text
      starts.push_back(nodes_.size());
    } else if (item.kind == kOpIndex && item.count == 2) {
      // Only a local indexed by a literal: ARGS[0].
      if (starts.size() < 2) return Step::kRefused;
      const size_t left = starts.size() - 2;
      if (!IsLeaf(left) || !IsLeaf(left + 1)) return Step::kRefused;
      const Node array = nodes_[starts[left]];
      const Node index = nodes_[starts[left + 1]];
      if (array.kind != Kind::kLocal || index.kind != Kind::kConstant) return Step::kRefused;
      node.kind = Kind::kElement;
      node.name = array.name;
      node.index = index.constant.GetLong();
      node.first = array.first;
      nodes_.resize(starts[left]);
      starts.pop_back();
    } else if (item.kind >= kItemFirstOperator && item.count == 2 && IsNumericBinary(item.kind)) {
      if (starts.size() < 2) return Step::kRefused;
      node.kind = Kind::kBinary;
      node.op = item.kind;
      starts.pop_back();
    } else if (item.kind >= kItemFirstOperator && item.count == 1 && IsUnaryOperator(item.kind)) {
      if (starts.empty()) return Step::kRefused;
      node.kind = Kind::kUnary;
      node.op = item.kind;
    } else if (item.kind >= kOpAssign && item.kind <= kOpXorAssign && item.count == 2) {
      // Only as the whole expression, into a name: x = ..., s += ...
      if (i + 1 != items.size() || starts.size() != 2 || !IsLeaf(0) || nodes_.front().kind != Kind::kLocal) {
        return Step::kRefused;
      }
      node.kind = Kind::kAssign;
      node.op = item.kind;
      starts.pop_back();
    } else {
      return Step::kOther;
    }
    return Step::kTaken;
  }

 private:
  std::vector<Node>& nodes_;
};

}  // namespace tav::script
