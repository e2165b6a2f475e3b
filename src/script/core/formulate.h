// TOL_Formulate: a compiled expression.
//
// Compiling turns one expression text into a postfix list of formula items; evaluating runs the
// list against a call frame and yields one value. Expression statements, conditions, loop
// clauses, RETURN values, initialisers, FORM bodies and the engine's definition-file
// expressions all go through here.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/core/var.h"

namespace tav::script {
class NumericPlan;
class CallPlan;
}

namespace tav::archive {
class Archive;
}

namespace tav::script {

// Item kinds; operators use their operator codes (7 and up, see operators.h).
enum ItemKind : int32_t {
  kItemLiteral = 1,
  kItemTemporary = 2,
  kItemName = 4,
  kItemVariable = 5,
  kItemCall = 6,
  kItemFirstOperator = 7,
};

struct FormulaItem {
  int32_t kind = 0;
  int32_t count = 0;   // operands of an operator; arguments + 1 of a call
  VarRef value;
  VarRef owner;        // the object a name was found in
  Atom name;
  // Compiled items: a plain scalar literal (BOOL, INT, DOUBLE, LONG, STRING). Stack items: the
  // value is that literal itself, borrowed, and must be copied before anything could change it.
  bool shared = false;
  // Stack items: a value an operator just made, which nothing else holds.
  bool fresh = false;
  // Names: where the name stood among the frame's members when last looked up there.
  mutable uint32_t hint = 0;
  // The first item of a part that a numeric plan covers: the plan, and the item after the part.
  std::shared_ptr<const NumericPlan> part;
  uint32_t partEnd = 0;
};

class TOL_Formulate : public TOL_SmallObject {
 public:
  TOL_Formulate() = default;
  TOL_Formulate(const TOL_Formulate& other);  // copies the compiled items (literals shared)
  TOL_Formulate& operator=(const TOL_Formulate& other);

  // Replaces the items. On failure the formula is left empty (no source) and the reason is
  // recorded for diagnostics (LastCompileError).
  bool Compile(std::string_view text);
  // Never null: an empty formula answers a new plain value.
  VarRef Evaluate(TOL_VarObArray* frame);
  // Evaluate for a RETURN. A number answer goes straight to the script call waiting for it,
  // without being made (see evaluate.cpp), and the result is then null.
  VarRef EvaluateAnswer(TOL_VarObArray* frame);
  // Evaluates for the effects alone, where the result would only be released (expression
  // statements, loop clauses, initialisers): the same work without copying the result.
  void Execute(TOL_VarObArray* frame);
  // The truth of the value, as Evaluate(frame)->GetBool() answers it, without copying it.
  bool EvaluateBool(TOL_VarObArray* frame);

  const std::string& Source() const { return source_; }
  bool IsEmpty() const { return items_.empty(); }
  const std::vector<FormulaItem>& Items() const { return items_; }
  // The numeric plan of the whole expression, or null (numeric_plan.h).
  const NumericPlan* Plan() const { return plan_.get(); }
  void Clear();

  // The stored form is the source text; loading compiles it again. A stored text that does not
  // compile loads as an empty formula (and is told to a StoredExpressionWatch, if one is open).
  void Serialize(archive::Archive& ar);

 private:
  // Runs the first `count` items; answers the stack base, above which the items left lie.
  size_t Run(size_t count);
  // Runs the items from `first` up to `count` over the stack items above `base`.
  void RunItems(size_t base, size_t first, size_t count);
  VarRef Evaluate(TOL_VarObArray* frame, bool giveNumber);

  std::string source_;
  std::vector<FormulaItem> items_;
  // The same expression for the common case of numbers in local variables (see
  // numeric_plan.h); null when the expression has parts the plan does not cover.
  std::shared_ptr<const NumericPlan> plan_;
  // For an expression with calls of functions with number arguments (see call_plan.h).
  std::shared_ptr<const CallPlan> callPlan_;
};

// Collects, on this thread and while it lives, the stored expressions that did not compile when
// they were loaded, so that `--check` can say which part of a stored file holds them. Loading
// itself goes on unchanged (the formula stays empty).
class StoredExpressionWatch {
 public:
  struct Failure {
    const TOL_Formulate* formula;  // the formula that was loaded (now empty)
    std::string text;              // the stored source text
    std::string reason;
  };
  StoredExpressionWatch();
  ~StoredExpressionWatch();
  StoredExpressionWatch(const StoredExpressionWatch&) = delete;
  StoredExpressionWatch& operator=(const StoredExpressionWatch&) = delete;

  const std::vector<Failure>& Failures() const { return failures_; }
  // Tells the innermost open watch (if any).
  static void Report(Failure failure);

 private:
  StoredExpressionWatch* outer_;
  std::vector<Failure> failures_;
};

}  // namespace tav::script
