#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <string>

#include "archive/archive.h"
#include "script/text/compile_error.h"
#include "script/core/frame.h"
#include "script/methods/native_function.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/core/statement.h"
#include "script/core/var_func.h"
#include "script/core/var_ref.h"

namespace tav::script {
namespace {

class Statements : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeRuntime();
    globals_ = Make<TOL_VarObject>();
    frame_ = NewFrame(NewArray().get(), nullptr, globals_.get());
  }
  void TearDown() override {
    frame_.reset();
    globals_.reset();
    Registry::SetTickSource(nullptr);
    Registry::CollectGarbageAll();
  }

  struct Outcome {
    int status = -1;
    VarRef value;
  };
  Outcome Run(std::string_view text) {
    Outcome outcome;
    StatementPtr statement = CompileStatementText(text);
    EXPECT_TRUE(statement) << text << "\n-> line " << LastCompileError().line << ": "
                           << LastCompileError().reason;
    if (statement) outcome.status = statement->Execute(outcome.value, frame_.get());
    return outcome;
  }
  // Compilation fails; answers "line: reason".
  std::string Failure(std::string_view text) {
    if (CompileStatementText(text)) return "compiled";
    return std::to_string(LastCompileError().line) + ": " + LastCompileError().reason;
  }
  TOL_Var* Local(std::string_view name) { return frame_->FindMember(name); }
  int32_t Int(std::string_view name) {
    TOL_Var* value = Local(name);
    return value ? value->GetLong() : INT32_MIN;
  }
  void Global(std::string_view name, VarRef value) { globals_->SetMember(value.get(), name); }
  // A global FUNC compiled from `body`.
  void Func(std::string_view name, std::string_view body) {
    StatementPtr compiled = CompileStatementText(body);
    ASSERT_TRUE(compiled) << LastCompileError().reason;
    auto function = Make<TOL_VarFuncState>(std::move(compiled));
    function->SetName(name);
    Global(name, function);
  }

  Ref<TOL_VarObject> globals_;
  Ref<TOL_VarObArray> frame_;
};

TEST_F(Statements, EmptyStatementsAndBlocksDoNothing) {
  for (const char* text : {"", ";", "{}", ";;{ ; }", "  \n\t", "{{}{;}}"}) {
    const Outcome outcome = Run(text);
    EXPECT_EQ(outcome.status, kStatusNormal) << text;
    EXPECT_FALSE(outcome.value) << text;
  }
}

TEST_F(Statements, IfChoosesByTheConditionsTruth) {
  Global("X", NewString("abc"));  // its integer prefix is 0: false
  Run("INT a; IF (x) a = 1; ELSE a = 2;");
  EXPECT_EQ(Int("A"), 2);
  Global("X", NewString("12abc"));
  Run("INT a; IF (x) a = 1; ELSE a = 2;");
  EXPECT_EQ(Int("A"), 1);
  // ELSE belongs to the nearest IF; chains of ELSE IF pick the first true branch.
  Run("INT b = 0; IF (1) IF (0) b = 1; ELSE b = 2;");
  EXPECT_EQ(Int("B"), 2);
  Run("INT c; INT v = 3; IF (v == 1) c = 10; ELSE IF (v == 3) { c = 30; } ELSE c = 99;");
  EXPECT_EQ(Int("C"), 30);
  // Without an ELSE a false IF does nothing; the next statement is not swallowed.
  Run("INT d = 5; IF (0) d = 1; d += 1;");
  EXPECT_EQ(Int("D"), 6);
}

TEST_F(Statements, LoopsBreakAndContinue) {
  Run("INT n = 0; FOR (;;) { n += 1; IF (n == 5) BREAK; }");
  EXPECT_EQ(Int("N"), 5);
  // BREAK inside an IF inside a WHILE leaves the WHILE, and only it.
  Run("INT m = 0; WHILE (1) { m += 1; IF (m >= 3) BREAK; } m += 10;");
  EXPECT_EQ(Int("M"), 13);
  // CONTINUE in a FOR still runs the step.
  Run("INT i; INT s = 0; FOR (i = 0; i < 5; i += 1) { IF (i == 2) CONTINUE; s += i; }");
  EXPECT_EQ(Int("S"), 8);
  EXPECT_EQ(Int("I"), 5);
  Run("INT w = 0; INT k = 0; WHILE (k < 6) { k += 1; IF (k % 2) CONTINUE; w += k; }");
  EXPECT_EQ(Int("W"), 12);
  // A loop whose condition is false at once never runs its body.
  Run("INT z = 1; WHILE (0) z = 2; FOR (z = 3; 0; z = 4) z = 5;");
  EXPECT_EQ(Int("Z"), 3);
}

TEST_F(Statements, ReturnLeavesNestedLoopsWithItsValue) {
  const Outcome outcome =
      Run("INT i; WHILE (1) { { FOR (i = 0;; i += 1) { IF (i == 3) RETURN i * 10; } } } RETURN 0;");
  EXPECT_EQ(outcome.status, kStatusReturn);
  ASSERT_TRUE(outcome.value);
  EXPECT_EQ(outcome.value->GetLong(), 30);
  const Outcome empty = Run("RETURN;");
  EXPECT_EQ(empty.status, kStatusReturn);
  ASSERT_TRUE(empty.value);
  EXPECT_EQ(empty.value->GetType(), kTypeNone);
}

TEST_F(Statements, CommentsAndStrings) {
  Run("INT a; /* ; } */ a = 1; // ; }\n a += 1;");
  EXPECT_EQ(Int("A"), 2);
  Run("STRING s = \"a//b;}\";");
  EXPECT_EQ(Local("S")->GetString(), "a//b;}");
  Run("INT x; x = 1 /* note */ ;");
  EXPECT_EQ(Int("X"), 1);
  // A Shift-JIS character ending in 0x5C does not escape the closing quote.
  Run("STRING t = \"\x95\\\"; INT after = 7;");
  EXPECT_EQ(Local("T")->GetString(), "\x95\\");
  EXPECT_EQ(Int("AFTER"), 7);
}

TEST_F(Statements, Declarations) {
  Run("INT a = 5, b, k = a + 1;");
  EXPECT_EQ(Int("A"), 5);
  EXPECT_EQ(Int("B"), 0);
  EXPECT_EQ(Int("K"), 6);
  EXPECT_EQ(Local("K")->GetType(), kTypeInt);
  // Redeclaring resets.
  Run("INT r = 5; r = 7; INT r;");
  EXPECT_EQ(Int("R"), 0);
  Run("STRING s; DOUBLE d = 1.5; LONG l; BOOL f = 3; OBJECT o; ARRAY y;");
  EXPECT_EQ(Local("S")->GetType(), kTypeString);
  EXPECT_EQ(Local("D")->GetDouble(), 1.5);
  EXPECT_EQ(Local("L")->GetType(), kTypeInt64);
  EXPECT_EQ(Local("F")->GetType(), kTypeBool);
  EXPECT_TRUE(Local("F")->GetBool());
  EXPECT_EQ(Local("O")->GetType(), kTypeNone);
  EXPECT_EQ(Local("Y")->GetType(), kTypeArray);
  // Each execution makes fresh variables: an ARRAY declared in a loop is a new array each time.
  Run("ARRAY first; ARRAY second; INT same = first == second;");
  EXPECT_EQ(Int("SAME"), 0);
  // An initialiser may call functions with commas inside its brackets.
  Global("PAIR", NewNative("pair", [](TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
    return NewInt(args->GetAt(0)->GetLong() * 10 + args->GetAt(1)->GetLong());
  }));
  Run("INT p = pair(4, 2), q = 1;");
  EXPECT_EQ(Int("P"), 42);
  EXPECT_EQ(Int("Q"), 1);
}

TEST_F(Statements, DeclaredNames) {
  // "$" is accepted in a declared name although no expression can name it.
  Run("INT a$b;");
  EXPECT_NE(Local("A$B"), nullptr);
  EXPECT_EQ(Failure("INT a$b = 1;").substr(0, 2), "1:");
  EXPECT_EQ(Failure("INT 1x;"), "1: invalid declared name \"1x\"");
  EXPECT_EQ(Failure("INT a, , b;"), "1: invalid declared name \"\"");
  EXPECT_EQ(Failure("INT;"), "1: invalid declared name \"\"");
  EXPECT_EQ(Failure("INT a b;"), "1: invalid declared name \"a b\"");
}

TEST_F(Statements, EngineVariableClassesMustBeRegistered) {
  if (archive::FindClass("TOL_VarTime") || archive::FindClass("TOL_VarRandom")) {
    GTEST_SKIP() << "the engine's classes are registered in this process";
  }
  EXPECT_EQ(Failure("INT a;\nTIME t;"), "2: TIME variables are not available: their class is not registered");
  EXPECT_EQ(Failure("random r;"), "1: RANDOM variables are not available: their class is not registered");
}

TEST_F(Statements, KeywordsAreShortWordsFollowedBySomethingElse) {
  int calls = 0;
  Global("FORWARDED", NewNative("forwarded", [&calls](TOL_Var*, TOL_VarObArray*, TOL_VarObArray*) {
    ++calls;
    return NewInt(1);
  }));
  Run("FORWARDED();");  // nine letters: an expression, though it starts with FOR
  EXPECT_EQ(calls, 1);
  Run("while (0) ; int lower = 2;");  // keywords are case-insensitive
  EXPECT_EQ(Int("LOWER"), 2);
  Run("INT returned; returned = 4;");  // RETURNED is a name, not RETURN
  EXPECT_EQ(Int("RETURNED"), 4);
}

TEST_F(Statements, CompileFailuresSayWhyAndWhere) {
  EXPECT_EQ(Failure("BREAK;"), "1: BREAK outside a loop");
  EXPECT_EQ(Failure("a = 1;\nIF (1) { CONTINUE; }"), "2: CONTINUE outside a loop");
  EXPECT_EQ(Failure("INT a;\n/* x\ny\nz */\nBREAK;"), "5: BREAK outside a loop");
  EXPECT_EQ(Failure("a = 1"), "1: missing ';' after an expression");
  EXPECT_EQ(Failure("a = 1;\n{ b = 2;"), "2: unbalanced braces: no '}' closes this block");
  EXPECT_EQ(Failure("a = 1; }"), "1: unbalanced braces: '}' without '{'");
  EXPECT_EQ(Failure("IF x) a = 1;"), "1: IF needs a condition in parentheses");
  EXPECT_EQ(Failure("WHILE (x a = 1;"), "1: unbalanced parentheses after WHILE");
  EXPECT_EQ(Failure("FOR (i = 0; i < 3) ;"), "1: FOR needs two ';' inside its parentheses");
  EXPECT_EQ(Failure("IF (1)"), "1: IF is not followed by a statement");
  EXPECT_EQ(Failure("RETURN 1"), "1: missing ';' after RETURN");
  EXPECT_EQ(Failure("WHILE (1) BREAK"), "1: missing ';' after an expression");
  // Expression failures keep the expression compiler's reason; the line is the statement's.
  const std::string expression = Failure("a = 1;\n\n  b = a ! c;\n");
  EXPECT_EQ(expression.substr(0, 3), "3: ");
  EXPECT_GT(expression.size(), 3u);
  EXPECT_EQ(Failure("x = 1;\nIF (a !) y = 1;").substr(0, 3), "2: ");
}

TEST_F(Statements, NestingIsBoundedAndLinear) {
  const std::string deep = std::string(5000, '{') + std::string(5000, '}');
  EXPECT_EQ(Failure(deep), "1: statements nested too deeply");
  // Every level rescans what it holds; a huge nest is refused long before that adds up.
  const std::string huge = std::string(1 << 21, '{') + std::string(1 << 21, '}');
  const auto hugeStart = std::chrono::steady_clock::now();
  EXPECT_EQ(Failure(huge), "1: statements nested too deeply");
  EXPECT_LT(std::chrono::steady_clock::now() - hugeStart, std::chrono::seconds(20));
  std::string ok = std::string(200, '{') + "x = 1;" + std::string(200, '}');
  EXPECT_NE(CompileStatementText(ok), nullptr);
  // Each IF looks for an ELSE after its statement; that must not recompile what follows.
  std::string chain;
  for (int i = 0; i < 300; ++i) chain += "IF (a) WHILE (a) { x; ";
  chain += std::string(300, '}');
  const auto start = std::chrono::steady_clock::now();
  EXPECT_NE(CompileStatementText(chain), nullptr) << LastCompileError().reason;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(Statements, LongLoopsKeepMemoryBounded) {
  uint32_t clock = 0;
  Registry::SetTickSource([&clock] { return ++clock; });  // every look at the clock is 1 ms
  Registry::CollectGarbageAll();
  const int before = Registry::TrackedCount();
  int peak = 0;
  Global("PROBE", NewNative("probe", [&peak](TOL_Var*, TOL_VarObArray*, TOL_VarObArray*) {
    peak = std::max(peak, Registry::TrackedCount());
    return NewInt(0);
  }));
  Run("INT i; STRING s; FOR (i = 0; i < 30000; i += 1) { s = \"x\" + i; probe(); }");
  EXPECT_EQ(Int("I"), 30000);
  EXPECT_LT(peak - before, 3000);
}

// ---- Functions ----

TEST_F(Statements, FunctionsAnswerWhatTheirBodyReturns) {
  Func("NOTHING", "INT a = 1;");
  Func("EMPTY", "RETURN;");
  Run("INT n = 5; n = NOTHING(); INT e = 3; e = EMPTY();");
  EXPECT_EQ(Int("N"), 0);  // no RETURN: the caller sees INT 0
  EXPECT_EQ(Int("E"), 0);
  Func("FACT", "INT n = ARGS[0]; IF (n <= 1) RETURN 1; RETURN n * FACT(n - 1);");
  Run("INT f = FACT(10);");
  EXPECT_EQ(Int("F"), 3628800);
  auto bodyless = Make<TOL_VarFuncState>();
  EXPECT_FALSE(bodyless->Call(frame_.get()));
}

TEST_F(Statements, RunawayRecursionAnswersNothingInsteadOfCrashing) {
  Func("DEEP", "RETURN DEEP() + 1;");
  Run("INT d = DEEP();");
  EXPECT_GT(Int("D"), 10);
  EXPECT_LE(Int("D"), kMaxScriptCallDepth);
  EXPECT_EQ(ScriptCallDepth(), 0);
  // A branching recursion unwinds once the limit is hit instead of retrying at every level.
  Func("WIDE", "WIDE(); WIDE(); RETURN 1;");
  const auto start = std::chrono::steady_clock::now();
  Run("INT w = WIDE();");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(Int("W"), 1);
  // Afterwards calls work again.
  Func("ONE", "RETURN 1;");
  Run("INT again = ONE();");
  EXPECT_EQ(Int("AGAIN"), 1);
}

TEST_F(Statements, FormsSeeCurrentValuesAndSurviveArchives) {
  archive::RegisterClass(TOL_VarFuncForm::kClassInfo);
  auto form = Make<TOL_VarFuncForm>();
  ASSERT_TRUE(form->Compile("base * 2"));
  EXPECT_TRUE(form->IsExpressionCallable());
  Global("DOUBLED", form);
  Global("BASE", NewInt(4));
  Run("INT a = doubled(); base = 10; INT b = doubled();");
  EXPECT_EQ(Int("A"), 8);
  EXPECT_EQ(Int("B"), 20);

  archive::Archive out = archive::Archive::ForWriting();
  out.WriteObject(form.get());
  archive::Archive in = archive::Archive::ForReading(out.Bytes());
  auto loaded = Ref<TOL_VarFuncForm>::Adopt(in.ReadObjectAs<TOL_VarFuncForm>());
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->Expression().Source(), "base * 2");
  EXPECT_EQ(loaded->Call(frame_.get())->GetLong(), 20);
}

}  // namespace
}  // namespace tav::script
