// Numeric plans and unmade numbers must be invisible: the same expressions, run once in a frame
// the plans take and once in a frame they decline (where the evaluator moves every item itself),
// give the same answers, leave the same variables and make collection passes answer the same.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/core/call_plan.h"
#include "script/text/compile_error.h"
#include "script/core/formulate.h"
#include "script/core/frame.h"
#include "script/core/numeric_plan.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/script_file.h"
#include "script/core/var_func.h"
#include "script/core/var_ref.h"

namespace tav::script {

// A frame of its own class: plans run only against plain arrays, so here the evaluator does all.
class EvaluatorOnlyFrame : public TOL_VarObArray {
  TOL_DECLARE_CLASS(EvaluatorOnlyFrame)
};
TOL_IMPLEMENT_CLASS(EvaluatorOnlyFrame)

namespace {

const char* const kExpressions[] = {
    // Operators of every kind on locals, literals and argument elements.
    "i * i % 7", "l + i", "d / 0", "i / 0", "l % 0", "i % 0", "i % -1", "l % -1", "-7 % 3", "l % i", "-i", "+d", "!b", "~l", "i << 33", "l >> 70",
    "i ** 2", "16 // 2", "i == 7.0", "b != 0", "d < i", "i >= l", "i && 0", "b || 0", "i ^ 5 | 2 & 3",
    "ARGS[0] - 1", "ARGS[1] * 2 + ARGS[0]", "(i + l) * (d - 1)",
    // What plans decline: out-of-range and text elements, text, references, missing names, array
    // methods, member access.
    "ARGS[5] + 1", "a[2] + 1", "a[0] + a[1]", "t + 1", "t * b", "r + 1", "missing + 1", "Count() + 1",
    "i.Str()", "(i + 1).Str()",
    // Assignments to every number class, from numbers, literals, variables and text.
    "i += 3", "l -= i", "d *= 2", "b = i", "i = 5", "i = l", "i <<= 2", "i ^= 255", "l /= 0", "b += 1",
    "d = ARGS[0]", "i = t", "t += i", "t -= 1", "r = i + 1", "missing = 3", "x = y = 4", "x",
    // Calls: answers of FUNC and FORM bodies, number arguments handed over or copied.
    "Inc(i) + Inc(i + 1) * 2", "Twice(l - 1) + Inc(ARGS[0])", "Inc(Inc(Inc(1)))", "Inc(t) + Inc(missing)",
    "Inc(i) < Inc(l)", "Inc(d)",
    // Call plans that hand over to the evaluator part of the way: a text answer, a missing or
    // non-function callee, too many arguments, a callee that keeps its arguments or adds a local.
    "Echo(t) + Inc(1)", "Inc(2) * Echo(t)", "Nothing(1) + Inc(2)", "i(1) + 1", "Inc(missing) - Inc(i) * 2",
    "Inc(1, 2, 3, 4, 5, 6, 7, 8, 9) + 1", "Inc(Inc(d) < Inc(i)) + -Inc(b)", "Keep(i, 2) + Keep(l)", "Held[1] + Inc(i)",
    "Local(i) + Local(3)", "Echo(Keep(i)) - Inc(Echo(d))",
    // Assignments of call answers: numbers into each number class, text, a reference, nothing.
    "x = Inc(i)", "i += Inc(2)", "d *= Twice(l)", "l -= Inc(i) * 2", "i /= Inc(-1)", "b = Inc(0)", "i <<= Inc(1)",
    "t += Inc(1)", "r = Inc(1)", "missing = Inc(1)", "x = Echo(t)", "x = Echo(d)", "x = y = Inc(1)",
};

struct Trace {
  std::vector<std::string> steps;
};

class NumericPlans : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeRuntime();
    globals_ = Make<TOL_VarObject>();
    auto inc = Make<TOL_VarFuncState>(CompileScriptText("RETURN ARGS[0] + 1;"));
    globals_->SetMember(inc.get(), "INC");
    auto twice = Make<TOL_VarFuncForm>();
    ASSERT_TRUE(twice->Compile("ARGS[0] * 2"));
    globals_->SetMember(twice.get(), "TWICE");
    auto echo = Make<TOL_VarFuncState>(CompileScriptText("RETURN ARGS[0];"));
    globals_->SetMember(echo.get(), "ECHO");
    auto keep = Make<TOL_VarFuncState>(CompileScriptText("Held = ARGS; RETURN ARGS[0] + ARGS.Count();"));
    globals_->SetMember(keep.get(), "KEEP");
    auto local = Make<TOL_VarFuncState>(CompileScriptText("INT k = ARGS[0] * 3; RETURN k;"));
    globals_->SetMember(local.get(), "LOCAL");
    globals_->SetMember(NewRef().get(), "HELD");
  }
  void TearDown() override {
    globals_.reset();
    Registry::CollectGarbageAll();
  }

  // Five slots and the members ARGS and THIS, as every call's frame, plus locals of each kind.
  void Fill(TOL_VarObArray* frame) {
    auto args = NewArray();
    args->Add(NewInt(9).get());
    args->Add(NewInt64(10).get());
    frame->SetSize(5, -1);
    frame->SetAt(kArgsSlot, args.get());
    frame->SetAt(kGlobalSlot, globals_.get());
    frame->SetMember(args.get(), "ARGS");
    frame->SetMember(NewInt(7).get(), "I");
    frame->SetMember(NewInt64(-5).get(), "L");
    frame->SetMember(NewDouble(2.5).get(), "D");
    frame->SetMember(NewBool(true).get(), "B");
    frame->SetMember(NewString("12").get(), "T");
    frame->SetMember(NewInt(0).get(), "X");
    frame->SetMember(NewInt(0).get(), "Y");
    frame->SetMember(NewRef(NewInt(3).get()).get(), "R");
    auto a = NewArray();
    a->Add(NewInt(3).get());
    a->Add(NewDouble(4.5).get());
    a->Add(NewString("x").get());
    frame->SetMember(a.get(), "A");
  }

  // Every expression evaluated for its value, for its truth and for its effects; after each,
  // what the value is, the variables, and what a collection pass answers.
  Trace Run(Ref<TOL_VarObArray> frame) {
    Fill(frame.get());
    Registry::CollectGarbageAll();
    const int base = Registry::TrackedCount();
    Trace trace;
    for (const char* text : kExpressions) {
      TOL_Formulate formula;
      EXPECT_TRUE(formula.Compile(text)) << text << ": " << LastCompileError().reason;
      VarRef value = formula.Evaluate(frame.get());
      const bool truth = formula.EvaluateBool(frame.get());
      formula.Execute(frame.get());
      // Before the pass: every value made so far is counted, the dropped ones too, which decide
      // when loops run passes of their own.
      const int made = Registry::TrackedCount() - base;
      std::string step = std::string(text) + " -> " + value->GetRuntimeClass().name + " " + value->GetString() +
                         (truth ? " true" : " false") + " made " + std::to_string(made);
      value.reset();
      for (const char* name : {"I", "L", "D", "B", "T", "X", "R"}) step += " " + frame->FindMember(name)->GetString();
      step += " pass " + std::to_string(Registry::CollectGarbage() - base);
      trace.steps.push_back(std::move(step));
    }
    return trace;
  }

  Ref<TOL_VarObject> globals_;
};

TEST_F(NumericPlans, AnswersVariablesAndCountsAreTheEvaluatorsOwn) {
  Run(NewArray());  // values made once for good on first use (a frame's shared empty slot)
  const Trace planned = Run(NewArray());
  const Trace evaluated = Run(Make<EvaluatorOnlyFrame>());
  ASSERT_EQ(planned.steps.size(), evaluated.steps.size());
  for (size_t i = 0; i < planned.steps.size(); ++i) EXPECT_EQ(planned.steps[i], evaluated.steps[i]);
}

TEST_F(NumericPlans, CoverWholeExpressionsOrTheirLargestParts) {
  auto compiled = [](std::string_view text) {
    TOL_Formulate formula;
    EXPECT_TRUE(formula.Compile(text));
    return formula;
  };
  auto whole = [](std::string_view text) {
    TOL_Formulate formula;
    formula.Compile(text);
    return NumericPlan::Build(formula.Items()) != nullptr;
  };
  EXPECT_TRUE(whole("s += i * i % 7"));
  EXPECT_TRUE(whole("ARGS[0] < 2"));
  EXPECT_TRUE(whole("-x"));
  EXPECT_FALSE(whole("f(1)"));
  EXPECT_FALSE(whole("\"a\" + 1"));
  EXPECT_FALSE(whole("a.b + 1"));
  EXPECT_FALSE(whole("(a + b) = 3"));  // only a local is assigned to
  EXPECT_FALSE(whole("x = y = 4"));    // an assignment only at the top
  EXPECT_FALSE(whole("a[i]"));         // an element only by a literal index
  // f(ARGS[0] - 1) + g(2 * x): the two arguments are planned, the calls and the sum are not.
  const TOL_Formulate calls = compiled("f(ARGS[0] - 1) + g(2 * x)");
  std::vector<std::pair<size_t, uint32_t>> parts;
  for (size_t i = 0; i < calls.Items().size(); ++i) {
    if (calls.Items()[i].part) parts.emplace_back(i, calls.Items()[i].partEnd);
  }
  EXPECT_EQ(parts, (std::vector<std::pair<size_t, uint32_t>>{{1, 6}, {8, 11}}));
  // Call plans take expressions of calls by bare name, and their assignment to a name.
  auto calling = [](std::string_view text) {
    TOL_Formulate formula;
    formula.Compile(text);
    return CallPlan::Build(formula.Items()) != nullptr;
  };
  EXPECT_TRUE(calling("f(ARGS[0] - 1) + g(2 * x)"));
  EXPECT_TRUE(calling("s += f(i) * 2"));
  EXPECT_TRUE(calling("f()"));
  EXPECT_FALSE(calling("i + 1"));       // no call: a numeric plan's
  EXPECT_FALSE(calling("a.f(1)"));      // a member's function
  EXPECT_FALSE(calling("f(1).Str()"));
  EXPECT_FALSE(calling("\"a\" + f(1)"));
  EXPECT_FALSE(calling("x = f(1) = 2"));
}

}  // namespace
}  // namespace tav::script
