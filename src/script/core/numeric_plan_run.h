// How numeric plans run: the hot path, inline in the files that evaluate expressions (a
// condition, an argument or a RETURN of a small function is one of these on every call).
// Internal to the script language; numeric_plan.h declares what is defined here.
#pragma once

#include "script/core/frame_pool.h"
#include "script/core/method_table.h"
#include "script/core/numeric_plan.h"
#include "script/core/registry.h"
#include "script/core/var_array.h"

namespace tav::script {

namespace numeric_plan_detail {
// Frames are plain arrays: a name is looked up among the array methods, then the members.
inline bool IsPlainFrame(TOL_VarObArray* frame) { return frame && frame->ExactClass() == TOL_Var::Exact::kArray; }
inline bool IsComparison(int32_t op) { return op >= kOpEqual && op <= kOpGreater; }
}  // namespace numeric_plan_detail

// A local, constant or element: its number and the variable it was read from.
[[gnu::always_inline]] inline bool NumericPlan::Leaf(const Node& node, TOL_VarObArray* frame, Number& number, TOL_Var*& variable) const {
  if (node.kind == Kind::kConstant) {
    number = node.constant;
    variable = nullptr;
    return true;
  }
  // The array methods come first in a frame's lookup: a name they define is not a local.
  if (MethodTable::Get(kArrayMethods).Find(node.name)) return false;
  if (const UnfilledFrame* record = UnfilledRecord(frame)) {
    // Of an unfilled frame's members only ARGS is read here: its elements are the lent numbers.
    // The element itself is not at hand; the callers that take it fill the frame first.
    if (!node.args || node.index < 0 || static_cast<size_t>(node.index) >= record->count) return false;
    number = record->arguments[node.index].number;
    variable = nullptr;
    return true;
  }
  TOL_Var* value = frame->FindOwnMember(node.name, node.hint);
  if (!value) return false;
  if (node.kind == Kind::kElement) {
    if (value->ExactClass() != TOL_Var::Exact::kArray) return false;
    value = static_cast<TOL_VarObArray*>(value)->Slot(node.index);
    if (!value) return false;
  }
  number = NumberOf(value);
  variable = value;
  return number.type != kTypeNone;
}

// Conditions such as i < n, steps such as i += 1, arguments such as ARGS[0] - 1 are at most two
// leaves and an operator: they run inline in their callers, without the general loop.
[[gnu::always_inline]] inline bool NumericPlan::Run(TOL_VarObArray* frame, size_t count, Values& s) const {
  if (!small_) return RunGeneral(frame, count, s);
  Number* numbers = s.n;
  TOL_Var** variables = s.v;
  // Every plan has a node, and every caller runs at least the first.
  if (!Leaf(nodes_[0], frame, numbers[0], variables[0])) return false;
  if (count > 1 && !Leaf(nodes_[1], frame, numbers[1], variables[1])) return false;
  s.size = count;
  s.made = 0;
  if (count > 2) {
    if (nodes_[2].kind != Kind::kBinary) return false;
    if (!IntegerBinary(nodes_[2].op, numbers[0], numbers[1], numbers[0])) {
      numbers[0] = NumberBinary(nodes_[2].op, numbers[0], numbers[1]);
    }
    variables[0] = nullptr;
    s.size = 1;
    s.made = 1;
  }
  return true;
}

[[gnu::always_inline]] inline bool NumericPlan::EvaluateBool(TOL_VarObArray* frame, bool& truth) const {
  if (!numeric_plan_detail::IsPlainFrame(frame)) return false;
  const Node& root = nodes_.back();
  if (root.kind == Kind::kAssign) return false;
  Values s;
  // The evaluator answers a comparison at the top without making its BOOL.
  if (root.kind == Kind::kBinary && numeric_plan_detail::IsComparison(root.op)) {
    if (!Run(frame, nodes_.size() - 1, s)) return false;
    truth = CompareNumbers(root.op, s.n[0], s.n[1]);
  } else {
    if (!Run(frame, nodes_.size(), s)) return false;
    truth = s.n[0].GetBool();
  }
  Registry::CountUnmade(s.made);
  return true;
}

[[gnu::always_inline]] inline bool NumericPlan::EvaluateNumber(TOL_VarObArray* frame, Number& number) const {
  if (!numeric_plan_detail::IsPlainFrame(frame)) return false;
  const Node& root = nodes_.back();
  if (root.kind != Kind::kElement && root.kind != Kind::kUnary && root.kind != Kind::kBinary) return false;
  Values s;
  if (!Run(frame, nodes_.size(), s)) return false;
  // A variable's value is answered as a copy (a new value of its exact class); an operator's
  // answer is made, the answers before it were made and dropped.
  Registry::CountUnmade(root.kind == Kind::kElement ? s.made : s.made - 1);
  number = s.n[0];
  return true;
}

[[gnu::always_inline]] inline bool NumericPlan::Compute(TOL_VarObArray* frame, Number& number, TOL_Var*& variable) const {
  if (!numeric_plan_detail::IsPlainFrame(frame)) return false;
  const bool element = nodes_.back().kind == Kind::kElement;
  if (element) FramePool::FillNow(frame);  // the element itself is the answer
  Values s;
  if (!Run(frame, nodes_.size(), s)) return false;
  Registry::CountUnmade(element ? s.made : s.made - 1);
  number = s.n[0];
  variable = element ? s.v[0] : nullptr;
  return true;
}

}  // namespace tav::script
