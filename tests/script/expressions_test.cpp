#include <gtest/gtest.h>

#include <cfloat>

#include "script/text/compile_error.h"
#include "script/core/formulate.h"
#include "script/core/frame.h"
#include "script/methods/native_function.h"
#include "script/core/operators.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/text/string_text.h"
#include "script/core/var_ref.h"

namespace tav::script {
namespace {

// The postfix item list of a text, one word per item: names and literals by their text,
// operators by their code ("op7"), calls as "call<count>".
std::string Postfix(std::string_view text) {
  TOL_Formulate f;
  if (!f.Compile(text)) return "FAIL";
  std::string out;
  for (const FormulaItem& item : f.Items()) {
    if (!out.empty()) out += ' ';
    if (item.kind == kItemName) out += item.name.Text();
    else if (item.kind == kItemLiteral) out += item.value->GetString() + ":" + std::to_string(item.value->GetType());
    else if (item.kind == kItemCall) out += "call" + std::to_string(item.count);
    else out += "op" + std::to_string(item.kind);
  }
  return out;
}

class Expressions : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeRuntime();
    globals_ = Make<TOL_VarObject>();
    frame_ = NewFrame(NewArray().get(), nullptr, globals_.get());
  }
  void TearDown() override {
    frame_.reset();
    globals_.reset();
    Registry::CollectGarbageAll();
  }
  VarRef Eval(std::string_view text) {
    TOL_Formulate f;
    EXPECT_TRUE(f.Compile(text)) << text << ": " << LastCompileError().reason;
    return f.Evaluate(frame_.get());
  }
  void Global(std::string_view name, VarRef value) { globals_->SetMember(value.get(), name); }
  Ref<TOL_VarObject> globals_;
  Ref<TOL_VarObArray> frame_;
};

TEST_F(Expressions, PostfixOrderAndCalls) {
  EXPECT_EQ(Postfix(""), "");
  EXPECT_EQ(Postfix("a-b"), "A B op8");
  EXPECT_EQ(Postfix("-a"), "A op10");
  EXPECT_EQ(Postfix("(-a)"), "A op10");
  EXPECT_EQ(Postfix("b*-a"), "B A op10 op11");
  EXPECT_EQ(Postfix("a!b"), "FAIL");
  EXPECT_EQ(Postfix("f()"), "F call1");
  EXPECT_EQ(Postfix("f(a,b+c)"), "F A B C op7 call3");
  EXPECT_EQ(Postfix("a.B(1)"), "A B op17 1:2 call2");
  EXPECT_EQ(Postfix("x[1][2]"), "X 1:2 op42 2:2 op42");
  EXPECT_EQ(Postfix("a*b+c"), "A B op11 C op7");
  EXPECT_EQ(Postfix("a ^ b * c"), "A B op13 C op11");  // ^ binds tighter than *
  EXPECT_EQ(Postfix("x = y = 3"), "X Y op32 3:2 op32");  // assignments associate to the left
  EXPECT_EQ(Postfix("a <<= 2"), "A 2:2 op37");
  EXPECT_EQ(Postfix("f(g(1), h())"), "F G 1:2 call2 H call1 call3");
}

TEST_F(Expressions, DoublePrefixOperatorsAndGroupedArguments) {
  EXPECT_EQ(Postfix("!!x"), "X op28 op28");
  EXPECT_EQ(Postfix("- -x"), "X op10 op10");
  EXPECT_EQ(Postfix("~-1"), "1:2 op10 op29");
  EXPECT_EQ(Postfix("a ^ -b"), "A B op10 op13");
  EXPECT_EQ(Postfix("f((a))"), "F A call2");
  EXPECT_EQ(Postfix("f((a)[0], (b))"), "F A 0:2 op42 B call3");
  EXPECT_EQ(Eval("!!5")->GetType(), kTypeBool);
  EXPECT_TRUE(Eval("!!5")->GetBool());
  EXPECT_EQ(Eval("- -7")->GetLong(), 7);
  EXPECT_EQ(Eval("~-1")->GetLong(), 0);
}

TEST_F(Expressions, NumberForms) {
  auto typeAndText = [&](std::string_view text) {
    VarRef v = Eval(text);
    return std::to_string(v->GetType()) + ":" + v->GetString();
  };
  EXPECT_EQ(typeAndText("1.5"), "3:1.5");
  EXPECT_EQ(typeAndText("1.5F"), "3:1.5");
  EXPECT_EQ(typeAndText("2F"), "3:2");
  EXPECT_EQ(typeAndText(".5"), "2:0");  // a name, not found
  EXPECT_EQ(typeAndText("10L"), "4:10");
  EXPECT_EQ(typeAndText("0x1F"), "2:31");
  EXPECT_EQ(typeAndText("0b101"), "2:5");
  EXPECT_EQ(typeAndText("0o17"), "2:15");
  EXPECT_EQ(typeAndText("012"), "2:12");
  EXPECT_EQ(typeAndText("07"), "2:7");
  EXPECT_EQ(typeAndText("0xFFFFFFFF"), "2:2147483647");
  EXPECT_EQ(typeAndText("0xFFFFFFFFL"), "4:4294967295");
  EXPECT_EQ(typeAndText("99999999999"), "2:2147483647");
  EXPECT_EQ(typeAndText("'A'"), "2:65");
  EXPECT_EQ(typeAndText("'\x82\xA0'"), "2:-126");
  EXPECT_EQ(Postfix("0x"), "FAIL");
  EXPECT_EQ(Postfix("0b12"), "FAIL");
  EXPECT_EQ(Postfix("12abc"), "FAIL");
  EXPECT_EQ(Postfix("0x1.5"), "FAIL");
  EXPECT_EQ(Postfix("''"), "FAIL");
}

TEST_F(Expressions, QuotesEscapesAndShiftJis) {
  EXPECT_EQ(Eval("\"a + b\"")->GetString(), "a + b");
  EXPECT_EQ(Eval("\"say \\\"hi\\\"\"")->GetString(), "say \\\"hi\\\"");  // backslashes stay
  // 表 is 0x95 0x5C: its trail byte is not an escape of the closing quote.
  EXPECT_EQ(Eval("\"\x95\x5C\" + 1")->GetString(), "\x95\x5C" "1");
  EXPECT_EQ(Postfix("\"open"), "FAIL");
  EXPECT_EQ(Postfix("a;b"), "FAIL");
  EXPECT_EQ(Postfix("a ? b : c"), "FAIL");
  EXPECT_EQ(Postfix("$x"), "FAIL");
  EXPECT_EQ(Postfix("count"), Postfix("COUNT"));
  EXPECT_EQ(Postfix("true"), "1:1");  // the constant, fixed at compile time
}

TEST_F(Expressions, LengthLimits) {
  std::string ok(2046, '1');
  ok[0] = 'a';
  std::string spaced = ok.substr(0, 1000) + "   " + ok.substr(1000);
  TOL_Formulate f;
  EXPECT_FALSE(f.Compile(ok));  // a single 2046-character token is too long
  std::string sum;
  while (sum.size() < 2044) sum += "1+";
  sum += "12";
  ASSERT_EQ(sum.size(), 2046u);
  EXPECT_TRUE(f.Compile(sum));
  EXPECT_TRUE(f.Compile(sum + "   "));
  EXPECT_FALSE(f.Compile(sum + "3"));
  EXPECT_EQ(LastCompileError().reason, "expression longer than 2046 characters");
  EXPECT_TRUE(f.Source().empty());
  EXPECT_TRUE(f.IsEmpty());
}

TEST_F(Expressions, ArithmeticPromotion) {
  VarRef v = Eval("1 + 2.5");
  EXPECT_EQ(v->GetType(), kTypeDouble);
  EXPECT_EQ(v->GetDouble(), 3.5);
  Global("S", NewString("2"));
  EXPECT_EQ(Eval("1 + s")->GetString(), "12");
  EXPECT_EQ(Eval("7 / 2")->GetLong(), 3);
  EXPECT_EQ(Eval("7 / 0")->GetLong(), 2147483647);
  EXPECT_EQ(Eval("7.0 / 0")->GetDouble(), DBL_MAX);
  EXPECT_EQ(Eval("7L / 0")->GetInt64(), INT64_MAX);
  EXPECT_EQ(Eval("7 % 0")->GetLong(), 2147483647);
  EXPECT_EQ(Eval("-2147483647 - 1 - 1")->GetLong(), 2147483647);  // wraps
  EXPECT_EQ(Eval("(-2147483647 - 1) / -1")->GetLong(), INT32_MIN);
  EXPECT_EQ(Eval("(-2147483647 - 1) % -1")->GetLong(), 0);
  EXPECT_EQ(Eval("(-9223372036854775807L - 1) / -1")->GetInt64(), INT64_MIN);
  VarRef power = Eval("2 ** 10");
  EXPECT_EQ(power->GetType(), kTypeDouble);
  EXPECT_EQ(power->GetDouble(), 1024.0);
  EXPECT_EQ(Eval("16 // 2")->GetDouble(), 2.0);
  EXPECT_EQ(Eval("16 // 0")->GetDouble(), 16.0);
  EXPECT_EQ(Eval("16 // 2000000000")->GetDouble(), 1.0);  // ends at the fixed point
  EXPECT_EQ(Eval("2L ** 3")->GetType(), kTypeInt64);
  EXPECT_EQ(Eval("2L ** 3")->GetInt64(), 0);
  VarRef mod = Eval("5 % 3.0");
  EXPECT_EQ(mod->GetType(), kTypeInt64);
  EXPECT_EQ(mod->GetInt64(), 2);
  EXPECT_EQ(Eval("-7 % 3")->GetLong(), -1);
  EXPECT_EQ(Eval("1 << 33")->GetLong(), 2);       // INT shifts count modulo 32
  EXPECT_EQ(Eval("-8 >> 1")->GetLong(), -4);      // keeps the sign
  EXPECT_EQ(Eval("1L << 64")->GetInt64(), 0);
  EXPECT_EQ(Eval("-8L >> 70")->GetInt64(), -1);
  EXPECT_EQ(Eval("6 ^ 3")->GetLong(), 5);
  EXPECT_EQ(Eval("6.0 & 3")->GetType(), kTypeInt64);
}

TEST_F(Expressions, StringTimesBoolAndComparisons) {
  Global("T", NewString("abc"));
  EXPECT_EQ(Eval("t * TRUE")->GetString(), "abc");
  EXPECT_EQ(Eval("t * FALSE")->GetString(), "");
  EXPECT_EQ(Eval("TRUE * t")->GetString(), "abc");
  EXPECT_TRUE(Eval("t == \"abc\"")->GetBool());
  EXPECT_TRUE(Eval("\"abc\" < \"abd\"")->GetBool());
  EXPECT_TRUE(Eval("\"ab\" < \"abc\"")->GetBool());
  EXPECT_TRUE(Eval("\"10\" < \"9\"")->GetBool());  // text order
  EXPECT_TRUE(Eval("1 == 1.0")->GetBool());
  EXPECT_TRUE(Eval("TRUE == 5")->GetBool() == false);  // INT comparison: 1 != 5
  EXPECT_TRUE(Eval("2 >= 2 && 3 > 2")->GetBool());
}

TEST_F(Expressions, IdentityComparisonOfObjects) {
  auto a = NewArray();
  auto b = NewArray();
  Global("A", a);
  Global("B", b);
  Global("O", NewRef());
  EXPECT_TRUE(Eval("o == NULL")->GetBool());
  EXPECT_FALSE(Eval("a == b")->GetBool());
  EXPECT_TRUE(Eval("a == a")->GetBool());
}

TEST_F(Expressions, AssignmentsChainToTheLeft) {
  Global("X", NewInt(0));
  Global("Y", NewInt(0));
  Eval("x = y = 3");
  EXPECT_EQ(globals_->FindMember("X")->GetLong(), 3);
  EXPECT_EQ(globals_->FindMember("Y")->GetLong(), 0);
  // An undeclared name is a temporary 0: assigning to it changes nothing.
  EXPECT_EQ(Eval("z = 5")->GetLong(), 5);
  EXPECT_EQ(Eval("z")->GetLong(), 0);
  Global("D", NewDouble(1.5));
  Eval("x = d");
  EXPECT_EQ(globals_->FindMember("X")->GetType(), kTypeInt);
  EXPECT_EQ(globals_->FindMember("X")->GetLong(), 1);
  Eval("x += 10");
  Eval("x *= 2");
  Eval("x -= 1");
  Eval("x /= 0");
  EXPECT_EQ(globals_->FindMember("X")->GetLong(), 2147483647);
  Eval("x &= 0xF0");
  Eval("x |= 1");
  Eval("x ^= 3");
  Eval("x <<= 1");
  Eval("x >>= 2");
  EXPECT_EQ(globals_->FindMember("X")->GetLong(), ((0xF0 | 1) ^ 3) << 1 >> 2);
}

TEST_F(Expressions, CompoundAssignmentsWrapAndConvertLikeTheirOperators) {
  Global("X", NewInt(2147483647));
  Eval("x += 1");
  EXPECT_EQ(globals_->FindMember("X")->GetLong(), INT32_MIN);
  Eval("x -= 1");
  EXPECT_EQ(globals_->FindMember("X")->GetLong(), INT32_MAX);
  Eval("x *= 2");
  EXPECT_EQ(globals_->FindMember("X")->GetLong(), -2);
  Eval("x += 2.9");  // a DOUBLE sum, stored into the INT by truncation
  EXPECT_EQ(globals_->FindMember("X")->GetLong(), 0);
  EXPECT_EQ(globals_->FindMember("X")->GetType(), kTypeInt);
}

TEST_F(Expressions, ConditionsAnswerAsTheirValueWould) {
  Global("N", NewInt(3));
  Global("S", NewString("abc"));
  for (const char* text : {"n < 4", "n >= 3", "n == 3.0", "s == \"abc\"", "s != \"abd\"", "n > 3", "s",
                           "\"12\" < 2", "NULL == NULL", "n = 0", "n < 1"}) {
    TOL_Formulate f;
    ASSERT_TRUE(f.Compile(text)) << text;
    TOL_Formulate g = f;
    bool viaValue = g.Evaluate(frame_.get())->GetBool();
    Global("N", NewInt(3));
    EXPECT_EQ(f.EvaluateBool(frame_.get()), viaValue) << text;
    Global("N", NewInt(3));
  }
}

TEST_F(Expressions, StringAppendInPlace) {
  Global("S", NewString(""));
  for (int i = 0; i < 5; ++i) Eval("s += " + std::to_string(i));
  EXPECT_EQ(globals_->FindMember("S")->GetString(), "01234");
  Eval("s += s");
  EXPECT_EQ(globals_->FindMember("S")->GetString(), "0123401234");
  Global("N", NewInt(1));
  Eval("n += \"2\"");  // computed as a STRING "12", then assigned into the INT
  EXPECT_EQ(globals_->FindMember("N")->GetLong(), 12);
}

TEST_F(Expressions, ConcatenationStopsAtTheTextCap) {
  Global("S", NewString(std::string(kMaxTextBytes - 1, 'x')));
  Eval("s += \"ab\"");  // one byte too many: not done
  EXPECT_EQ(globals_->FindMember("S")->GetString().size(), kMaxTextBytes - 1);
  Eval("s += 7");
  EXPECT_EQ(globals_->FindMember("S")->GetString().size(), kMaxTextBytes);
  Global("T", NewString("t"));
  Eval("t = s + s");
  EXPECT_EQ(globals_->FindMember("T")->GetString().size(), kMaxTextBytes);  // the left text
  EXPECT_EQ(Eval("\"ab\" + 1")->GetString(), "ab1");
}

TEST_F(Expressions, IndexingAndMembers) {
  auto array = NewArray();
  array->Add(NewInt(10).get());
  array->Add(NewInt(20).get());
  array->Add(NewInt(30).get());
  Global("A", array);
  EXPECT_EQ(Eval("a[1]")->GetLong(), 20);
  EXPECT_EQ(Eval("a[10]")->GetLong(), 0);
  Eval("a[10] = 5");
  EXPECT_EQ(array->GetCount(), 3);
  Eval("a[2] = 7");
  EXPECT_EQ(array->GetAt(2)->GetLong(), 7);
  auto object = Make<TOL_VarObject>();
  object->SetMember(NewInt(4).get(), "HP");
  Global("O", NewRef(object.get()));
  EXPECT_EQ(Eval("o.hp")->GetLong(), 4);
  Eval("o.hp = o.hp + 1");
  EXPECT_EQ(object->FindMember("HP")->GetLong(), 5);
  EXPECT_EQ(Eval("o.missing")->GetLong(), 0);
}

TEST_F(Expressions, ResultsCopyValuesAndShareObjects) {
  auto array = NewArray();
  Global("A", array);
  Global("N", NewInt(3));
  VarRef a = Eval("a");
  EXPECT_EQ(a->GetTarget(), array.get());
  VarRef n = Eval("n");
  EXPECT_NE(n.get(), globals_->FindMember("N"));
  EXPECT_EQ(n->GetLong(), 3);
  // A literal is copied on every evaluation: changing the result leaves the formula intact.
  TOL_Formulate f;
  ASSERT_TRUE(f.Compile("41"));
  f.Evaluate(frame_.get())->Assign(NewInt(0).get());
  EXPECT_EQ(f.Evaluate(frame_.get())->GetLong(), 41);
  EXPECT_EQ(Eval("")->GetType(), kTypeNone);
}

class Recorder : public TOL_VarFunction {
 public:
  std::vector<VarRef>* calls;
  explicit Recorder(std::vector<VarRef>* c) : calls(c) {}
  VarRef Call(TOL_VarObArray* frame) override {
    calls->push_back(VarRef(frame));
    return NewBool(false);
  }
};

TEST_F(Expressions, CallsBuildFramesAndEvaluateEveryOperand) {
  std::vector<VarRef> calls;
  Global("F", Make<Recorder>(&calls));
  Global("G", Make<Recorder>(&calls));
  EXPECT_FALSE(Eval("f() && g()")->GetBool());
  EXPECT_EQ(calls.size(), 2u);  // no short circuit

  calls.clear();
  auto object = Make<TOL_VarObject>();
  object->SetMember(Make<Recorder>(&calls).get(), "M");
  Global("O", NewRef(object.get()));
  Global("N", NewInt(5));
  Eval("o.m(n, o, \"t\")");
  ASSERT_EQ(calls.size(), 1u);
  auto* frame = static_cast<TOL_VarObArray*>(calls[0].get());
  EXPECT_EQ(frame->GetCount(), 5);
  EXPECT_EQ(FrameThis(frame), object.get());
  EXPECT_EQ(FrameGlobals(frame), globals_.get());
  TOL_VarObArray* args = FrameArgs(frame);
  ASSERT_EQ(args->GetCount(), 3);
  EXPECT_NE(args->GetAt(0), globals_->FindMember("N"));  // values are copied
  EXPECT_EQ(args->GetAt(0)->GetLong(), 5);
  EXPECT_EQ(args->GetAt(1)->GetTarget(), object.get());  // objects shared
  EXPECT_EQ(frame->FindMember("ARGS"), args);
  EXPECT_EQ(Eval("n(1)")->GetLong(), 0);  // not callable: INT 0
}

TEST_F(Expressions, NamesOnThisAreFoundAndKeepThis) {
  std::vector<VarRef> calls;
  auto self = Make<TOL_VarObject>();
  self->SetMember(NewInt(9).get(), "LEVEL");
  self->SetMember(Make<Recorder>(&calls).get(), "ACT");
  Ref<TOL_VarObArray> frame = NewFrame(NewArray().get(), self.get(), globals_.get());
  TOL_Formulate f;
  ASSERT_TRUE(f.Compile("level"));
  EXPECT_EQ(f.Evaluate(frame.get())->GetLong(), 9);
  ASSERT_TRUE(f.Compile("act()"));
  f.Evaluate(frame.get());
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(FrameThis(static_cast<TOL_VarObArray*>(calls[0].get())), self.get());
}

}  // namespace
}  // namespace tav::script
