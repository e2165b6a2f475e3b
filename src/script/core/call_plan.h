// A third form of a compiled expression, for the expressions that call functions with number
// arguments: `Fib(ARGS[0] - 1) + Fib(ARGS[0] - 2)`, `total + Price(i) * 2`, `Update(x, y);`.
//
// The nodes stand for the items in their postfix order: locals and argument elements, number
// literals, the arithmetic, bitwise, comparison and logical operators, calls of a function named
// by a bare name, the parts without calls that numeric plans compute (`ARGS[0] - 1`), and at the
// top an assignment to a name (`hp -= Damage(a, b)`). Running them (evaluate_call_plan.cpp) keeps numbers off the evaluator's
// stack and calls through lent frames (frame_pool.h), leaving the same trace as the evaluator:
// names are looked up at the moments it looks them up, values are read when its operators read
// them, and every value it would make is counted when it would make it. At the first node that
// meets anything else (a callee that is not a script function, a value that is not a number, a
// name found elsewhere than the frame) the evaluator takes over from that node's first item,
// with the plan's operands handed to it as the items it would have had on its stack.
#pragma once

#include <memory>
#include <vector>

#include "script/core/formulate.h"
#include "script/core/frame_pool.h"
#include "script/core/number_value.h"
#include "script/core/numeric_plan.h"

namespace tav::script {

class CallPlan {
 public:
  enum class Kind : uint8_t { kLocal, kConstant, kElement, kPart, kUnary, kBinary, kCallee, kCall, kAssign };
  struct Node {
    Kind kind;
    int32_t op = 0;       // operators and the assignment
    int32_t count = 0;    // calls: the number of arguments
    int32_t index = 0;    // elements
    uint32_t first = 0;   // the first item the node stands for
    Atom name;            // locals, callees, and the array of an element
    Number constant;      // constants
    mutable uint32_t hint = 0;
    // Parts: the numeric plan of a part of the expression without calls (NumericPlan::Mark).
    std::shared_ptr<const NumericPlan> part;
  };
  // Operands held at once: a callee with the most arguments a lent frame takes, and one more.
  static constexpr size_t kMaxDepth = FramePool::kMaxArguments + 2;

  // Null unless the items hold at least one call and nothing a plan does not cover.
  static std::shared_ptr<const CallPlan> Build(const std::vector<FormulaItem>& items);

  const std::vector<Node>& Nodes() const { return nodes_; }

 private:
  std::vector<Node> nodes_;
};

}  // namespace tav::script
