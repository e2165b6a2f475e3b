// A second form of a compiled expression, for the expressions loops and small functions are
// made of: numbers in local variables, argument elements such as ARGS[0], number literals, the
// arithmetic, bitwise, comparison and logical operators, and at the top an assignment to a
// local. `i < n`, `s += i * i % 7` and `ARGS[0] - 1` are such expressions.
//
// The plan computes with plain numbers where the evaluator moves items over its stack. It
// gives the same answer and leaves the same trace: it looks names up where the evaluator finds
// them first (the frame's own members; a name the array methods define is left alone), reads
// and assigns through the same conversions, and counts every value the evaluator would have
// made (Registry::ReserveUnmade). When a name is missing, a variable is not exactly a number
// class, or an index is out of range, the plan declines before it has done anything and the
// evaluator runs the expression as usual. Nothing in a plan calls a script, so nothing can
// change between its lookups.
#pragma once

#include <memory>
#include <vector>

#include "script/core/formulate.h"
#include "script/core/number_value.h"
#include "script/core/operators.h"

namespace tav::script {

// The operators plans compute: the binary ones that take two numbers (NumberBinary), and the
// unary ones.
bool IsNumericBinary(int32_t op);
bool IsUnaryOperator(int32_t op);

// NumberBinary's INT and INT64 branches of the commonest operators, kept where the plan's loop
// can inline them; false for anything else, which NumberBinary answers.
[[gnu::always_inline]] inline bool IntegerBinary(int32_t op, const Number& l, const Number& r, Number& out) {
  const bool lInt = l.type == kTypeInt, rInt = r.type == kTypeInt;
  if (!(lInt || l.type == kTypeInt64) || !(rInt || r.type == kTypeInt64)) return false;
  if (lInt && rInt) {
    const int64_t a = l.i, b = r.i;
    switch (op) {
      case kOpPlus: out = Number::Int(static_cast<int32_t>(static_cast<uint32_t>(a + b))); return true;
      case kOpMinus: out = Number::Int(static_cast<int32_t>(static_cast<uint32_t>(a - b))); return true;
      case kOpTimes: out = Number::Int(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(a * b)))); return true;
      case kOpModulo:
        // Remainder by 0 answers the largest value; by -1 it is 0 (INT_MIN % -1 would trap).
        out = Number::Int(b == 0 ? INT32_MAX : b == -1 ? 0 : static_cast<int32_t>(a % b));
        return true;
      default: return false;
    }
  }
  const uint64_t a = static_cast<uint64_t>(lInt ? int64_t{l.i} : l.l);
  const uint64_t b = static_cast<uint64_t>(rInt ? int64_t{r.i} : r.l);
  switch (op) {
    case kOpPlus: out = Number::Int64(static_cast<int64_t>(a + b)); return true;
    case kOpMinus: out = Number::Int64(static_cast<int64_t>(a - b)); return true;
    case kOpTimes: out = Number::Int64(static_cast<int64_t>(a * b)); return true;
    case kOpModulo: {
      const int64_t x = static_cast<int64_t>(a), y = static_cast<int64_t>(b);
      out = Number::Int64(y == 0 ? INT64_MAX : y == -1 ? 0 : x % y);
      return true;
    }
    default: return false;
  }
}

// NumberCompare of two INTs, kept where conditions can inline it; anything else NumberCompare
// answers.
inline bool CompareNumbers(int32_t op, const Number& l, const Number& r) {
  if (l.type == kTypeInt && r.type == kTypeInt) {
    switch (op) {
      case kOpLess: return l.i < r.i;
      case kOpGreater: return l.i > r.i;
      case kOpLessEqual: return l.i <= r.i;
      case kOpGreaterEqual: return l.i >= r.i;
      case kOpEqual: return l.i == r.i;
      case kOpNotEqual: return l.i != r.i;
      default: break;
    }
  }
  return NumberCompare(op, l, r);
}

// Assigns `source` by the assignment operator `op` to `target`, exactly a number class and
// holding `current`, as the evaluator's assignment operators do with two numbers; answers how
// many values the evaluator would make on the way (a compound assignment computed as a value).
int AssignNumbers(int32_t op, TOL_Var* target, const Number& current, const Number& source);

class NumericPlan {
 public:
  // Null when the items contain anything the plan does not cover.
  static std::shared_ptr<const NumericPlan> Build(const std::vector<FormulaItem>& items);

  // Each answers false, having done nothing, when the plan declines; the caller then evaluates
  // the items. `frame` is the frame the expression runs against.
  bool Execute(TOL_VarObArray* frame) const;
  // (The hot ones are inline, in numeric_plan_run.h.)
  inline bool EvaluateBool(TOL_VarObArray* frame, bool& truth) const;
  // The value of the expression, as the number it would hold; making it (or reserving it) is
  // left to the caller.
  inline bool EvaluateNumber(TOL_VarObArray* frame, Number& number) const;
  // For a part of a larger expression (see Mark): its answer, an unmade number whose own
  // reservation is left to the caller, or for an element the element itself (`variable`).
  inline bool Compute(TOL_VarObArray* frame, Number& number, TOL_Var*& variable) const;

  // Finds the largest parts of an expression that a plan covers and that hold at least one
  // operator, and records each part's plan in the part's first item (FormulaItem::part).
  static void Mark(std::vector<FormulaItem>& items);

 private:
  enum class Kind : uint8_t { kLocal, kConstant, kElement, kUnary, kBinary, kAssign };
  struct Node {
    Kind kind;
    int32_t op = 0;           // operators and the assignment
    Atom name;                // locals, and the array of an element
    int32_t index = 0;        // elements
    Number constant;          // constants
    uint32_t first = 0;       // the first item the node stands for
    mutable uint32_t hint = 0;
    bool args = false;        // elements: of ARGS
  };
  static constexpr size_t kMaxDepth = 8;

  // The evaluation so far: a number per operand on the stack, with the variable it was read
  // from (null for constants and answers), and how many operator answers the evaluator would
  // have made on the way.
  // Left unwritten until Run writes what it holds: every condition and argument makes one.
  struct Values {
    Values() {}
    union {
      Number n[kMaxDepth];
    };
    TOL_Var* v[kMaxDepth];
    size_t size;
    int made;
  };
  // Runs the first `count` nodes; false when the plan declines (nothing done).
  inline bool Run(TOL_VarObArray* frame, size_t count, Values& s) const;
  bool RunGeneral(TOL_VarObArray* frame, size_t count, Values& s) const;
  inline bool Leaf(const Node& node, TOL_VarObArray* frame, Number& number, TOL_Var*& variable) const;

  std::vector<Node> nodes_;  // postfix order, as the items
  // At most two leaves and an operator or assignment after them.
  bool small_ = false;
};

}  // namespace tav::script
