// Conversion, number and math methods of BOOL, INT, INT64 and DOUBLE.
#include <gtest/gtest.h>

#include <climits>

#include "method_call_helper.h"
#include "script/core/registry.h"
#include "script/runtime.h"

namespace tav::script {
namespace {

using testing::CallMethod;

class ScalarMethods : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeRuntime();
    RegisterBuiltinMethods();
  }
  void TearDown() override { Registry::CollectGarbageAll(); }

  static std::string Text(const VarRef& v) { return v ? v->GetString() : "<none>"; }
};

TEST_F(ScalarMethods, EveryScalarConvertsToEveryClass) {
  VarRef values[] = {NewBool(true), NewInt(-7), NewDouble(2.75), NewInt64(1LL << 40), NewString("12abc")};
  for (const VarRef& v : values) {
    SCOPED_TRACE(v->GetString());
    EXPECT_EQ(CallMethod(v.get(), "INT")->GetType(), kTypeInt);
    EXPECT_EQ(CallMethod(v.get(), "int")->GetLong(), v->GetLong());  // names are case-insensitive
    EXPECT_EQ(CallMethod(v.get(), "LONG")->GetType(), kTypeInt64);
    EXPECT_EQ(CallMethod(v.get(), "LONG")->GetInt64(), v->GetInt64());
    EXPECT_EQ(CallMethod(v.get(), "BOOL")->GetType(), kTypeBool);
    EXPECT_EQ(CallMethod(v.get(), "DOUBLE")->GetDouble(), v->GetDouble());
    EXPECT_EQ(CallMethod(v.get(), "STRING")->GetString(), v->GetString());
    VarRef ref = CallMethod(v.get(), "REF");
    EXPECT_EQ(ref->GetTarget(), v.get());
    EXPECT_EQ(CallMethod(v.get(), "ADDR")->GetLong(), CallMethod(v.get(), "ADDR")->GetLong());
  }
  EXPECT_NE(CallMethod(values[0].get(), "ADDR")->GetLong(), CallMethod(values[1].get(), "ADDR")->GetLong());
  EXPECT_EQ(CallMethod(values[4].get(), "INT")->GetLong(), 12);
}

TEST_F(ScalarMethods, TablesHoldOnlyTheirOwnMethods) {
  EXPECT_EQ(NewBool(true)->FindMember("HEX"), nullptr);  // BOOL has only conversions
  EXPECT_EQ(NewString("s")->FindMember("FIND"), nullptr);
  EXPECT_EQ(NewDouble(1.0)->FindMember("HEX"), nullptr);
  EXPECT_EQ(NewInt64(1)->FindMember("MAKERGB"), nullptr);
  EXPECT_NE(NewInt(1)->FindMember("MAKERGB"), nullptr);
}

TEST_F(ScalarMethods, BaseDigitsShowTheWholePatternOfNegatives) {
  EXPECT_EQ(Text(CallMethod(NewInt(255).get(), "HEX")), "ff");
  EXPECT_EQ(Text(CallMethod(NewInt(-1).get(), "HEX")), "ffffffff");
  EXPECT_EQ(Text(CallMethod(NewInt(10).get(), "BIN")), "1010");
  EXPECT_EQ(Text(CallMethod(NewInt(8).get(), "OCT")), "10");
  EXPECT_EQ(Text(CallMethod(NewInt(0).get(), "HEX")), "0");
  EXPECT_EQ(Text(CallMethod(NewInt(INT_MIN).get(), "OCT")), "20000000000");
  EXPECT_EQ(Text(CallMethod(NewInt64(-1).get(), "HEX")), "ffffffffffffffff");
  EXPECT_EQ(Text(CallMethod(NewInt64(1LL << 40).get(), "HEX")), "10000000000");
  EXPECT_EQ(CallMethod(NewInt(-1).get(), "UINT")->GetInt64(), 4294967295LL);
  EXPECT_EQ(CallMethod(NewInt(-1).get(), "UINT")->GetType(), kTypeInt64);
}

TEST_F(ScalarMethods, AbsoluteValuesIncludingTheMostNegative) {
  EXPECT_EQ(CallMethod(NewInt(-5).get(), "ABS")->GetLong(), 5);
  EXPECT_EQ(CallMethod(NewInt(INT_MIN).get(), "ABS")->GetLong(), INT_MIN);
  EXPECT_EQ(CallMethod(NewInt64(-5).get(), "ABS")->GetType(), kTypeInt64);
  EXPECT_EQ(CallMethod(NewInt64(INT64_MIN).get(), "ABS")->GetInt64(), INT64_MIN);
  EXPECT_EQ(CallMethod(NewDouble(-2.5).get(), "ABS")->GetDouble(), 2.5);
  EXPECT_DOUBLE_EQ(CallMethod(NewDouble(1000).get(), "LOG10")->GetDouble(), 3.0);
}

TEST_F(ScalarMethods, CommaStringGroupsDigits) {
  auto n = NewInt(1234567);
  EXPECT_EQ(Text(CallMethod(n.get(), "COMMASTRING")), "1,234,567");
  EXPECT_EQ(Text(CallMethod(n.get(), "COMMASTRING", {NewInt(4), NewString(".")})), "123.4567");
  EXPECT_EQ(Text(CallMethod(n.get(), "COMMASTRING", {NewInt(1)})), "1,2,3,4,5,6,7");
  // Group sizes outside 1-9 fall back to 3; only the first byte of the separator counts.
  EXPECT_EQ(Text(CallMethod(n.get(), "COMMASTRING", {NewInt(10)})), "1,234,567");
  EXPECT_EQ(Text(CallMethod(n.get(), "COMMASTRING", {NewInt(0), NewString("_x")})), "1_234_567");
  // An empty separator text cannot lend a byte: the digits run together.
  EXPECT_EQ(Text(CallMethod(n.get(), "COMMASTRING", {NewInt(3), NewString("")})), "1234567");
  EXPECT_EQ(Text(CallMethod(NewInt(-1234).get(), "COMMASTRING")), "-1,234");
  EXPECT_EQ(Text(CallMethod(NewInt(-123).get(), "COMMASTRING")), "-123");
  EXPECT_EQ(Text(CallMethod(NewInt(0).get(), "COMMASTRING")), "0");
  EXPECT_EQ(Text(CallMethod(NewInt(INT_MIN).get(), "COMMASTRING")), "-2,147,483,648");
  auto big = NewInt64(INT64_MIN);
  EXPECT_EQ(Text(CallMethod(big.get(), "COMMASTRING")), "-9,223,372,036,854,775,808");
  // INT64 accepts groups up to 18.
  EXPECT_EQ(Text(CallMethod(big.get(), "COMMASTRING", {NewInt(18)})), "-9,223372036854775808");
  EXPECT_EQ(Text(CallMethod(big.get(), "COMMASTRING", {NewInt(19)})), "-9,223,372,036,854,775,808");
}

TEST_F(ScalarMethods, MakeRgbChangesTheVariableAndAnswersNothing) {
  auto n = NewInt(7);
  EXPECT_EQ(CallMethod(n.get(), "MAKERGB", {NewInt(255), NewInt(0), NewInt(0)}), nullptr);
  EXPECT_EQ(n->GetLong(), 255);
  CallMethod(n.get(), "MAKERGB", {NewInt(0), NewInt(0), NewInt(255)});
  EXPECT_EQ(n->GetLong(), 16711680);
  EXPECT_EQ(CallMethod(n.get(), "BLUE")->GetLong(), 255);
  // Only the low 8 bits of each component count.
  CallMethod(n.get(), "MAKERGB", {NewInt(0x112), NewInt(-1), NewString("3")});
  EXPECT_EQ(CallMethod(n.get(), "RED")->GetLong(), 0x12);
  EXPECT_EQ(CallMethod(n.get(), "GREEN")->GetLong(), 0xFF);
  EXPECT_EQ(CallMethod(n.get(), "BLUE")->GetLong(), 3);
  // Too few arguments: nothing happens and the call answers nothing.
  EXPECT_EQ(CallMethod(n.get(), "MAKERGB", {NewInt(1), NewInt(2)}), nullptr);
  EXPECT_EQ(CallMethod(n.get(), "RED")->GetLong(), 0x12);
}

TEST_F(ScalarMethods, RoundStringClampsItsDecimals) {
  auto d = NewDouble(3.14159);
  EXPECT_EQ(Text(CallMethod(d.get(), "ROUNDSTRING", {NewInt(2)})), "3.14");
  EXPECT_EQ(Text(CallMethod(d.get(), "ROUNDSTRING", {NewInt(-1)})), "3");
  std::string twenty = Text(CallMethod(d.get(), "ROUNDSTRING", {NewInt(25)}));
  EXPECT_EQ(twenty.size(), 22u);  // "3." and 20 decimals
  EXPECT_EQ(CallMethod(d.get(), "ROUNDSTRING"), nullptr);
  // The largest doubles print hundreds of digits; the whole text comes back.
  std::string huge = Text(CallMethod(NewDouble(1.7976931348623157e308).get(), "ROUNDSTRING", {NewInt(20)}));
  EXPECT_EQ(huge.size(), 309u + 1 + 20);
  EXPECT_EQ(huge.substr(0, 5), "17976");
}

}  // namespace
}  // namespace tav::script
