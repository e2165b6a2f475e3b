// STRING methods, with Shift-JIS text whose second bytes look like ASCII.
#include <gtest/gtest.h>

#include "method_call_helper.h"
#include "script/core/registry.h"
#include "script/runtime.h"

namespace tav::script {
namespace {

using testing::CallMethod;

// Double-byte characters whose second byte is an ASCII letter, a backslash or a space-like
// byte a naive byte loop would touch.
const std::string kA_Katakana = "\x83\x41";  // ア: second byte 'A'
const std::string kHyo = "\x95\x5C";         // 表: second byte '\'
const std::string kDi = "\x83\x61";         // ヂ: second byte 'a'
const std::string kFullB = "\x82\x61";       // Ｂ, whose lower case is ｂ (0x8282)
const std::string kFullA = "\x82\x60", kFullSmallA = "\x82\x81";
const std::string kAlpha = "\x83\x9F", kSmallAlpha = "\x83\xBF";
const std::string kCyrO = "\x84\x4F", kCyrSmallO = "\x84\x80";  // either side of the gap at 0x7F
const std::string kCyrA = "\x84\x40", kCyrSmallA = "\x84\x70";
const std::string kIdeoSpace = "\x81\x40";
const std::string kHalfA = "\xB1";  // half-width katakana, a single byte

class StringMethods : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeRuntime();
    RegisterBuiltinMethods();
  }
  void TearDown() override { Registry::CollectGarbageAll(); }

  static std::string Call(const std::string& text, std::string_view name,
                          std::initializer_list<VarRef> args = {}) {
    VarRef result = CallMethod(NewString(text).get(), name, args);
    return result ? result->GetString() : "<none>";
  }
  static int32_t CallLong(const std::string& text, std::string_view name,
                          std::initializer_list<VarRef> args = {}) {
    VarRef result = CallMethod(NewString(text).get(), name, args);
    return result ? result->GetLong() : INT32_MIN;
  }
};

TEST_F(StringMethods, PiecesClampPositions) {
  EXPECT_EQ(CallLong("abc", "LENGTH"), 3);
  EXPECT_EQ(Call("abc", "GETAT", {NewInt(1)}), "b");
  EXPECT_EQ(Call("abc", "GETAT", {NewInt(5)}), "");
  EXPECT_EQ(Call("abc", "GETAT", {NewInt(-1)}), "");
  EXPECT_EQ(CallLong("abc", "GETATVALUE", {NewInt(0)}), 97);
  EXPECT_EQ(CallLong(kHyo, "GETATVALUE", {NewInt(0)}), static_cast<signed char>(0x95));
  EXPECT_EQ(CallLong("abc", "GETATVALUE", {NewInt(3)}), 0);
  EXPECT_EQ(Call("abc", "MID", {NewInt(1)}), "bc");
  EXPECT_EQ(Call("abc", "MID", {NewInt(0), NewInt(2)}), "ab");
  EXPECT_EQ(Call("abc", "MID", {NewInt(-2), NewInt(2)}), "ab");
  EXPECT_EQ(Call("abc", "MID", {NewInt(2), NewInt(INT32_MAX)}), "c");
  EXPECT_EQ(Call("abc", "MID", {NewInt(9)}), "");
  EXPECT_EQ(Call("abc", "MID", {NewInt(1), NewInt(-1)}), "");
  EXPECT_EQ(Call("abc", "LEFT", {NewInt(2)}), "ab");
  EXPECT_EQ(Call("abc", "LEFT", {NewInt(-2)}), "");
  EXPECT_EQ(Call("abc", "RIGHT", {NewInt(2)}), "bc");
  EXPECT_EQ(Call("abc", "RIGHT", {NewInt(7)}), "abc");
  EXPECT_TRUE(CallMethod(NewString("").get(), "ISEMPTY")->GetBool());
}

TEST_F(StringMethods, MissingArgumentsAnswerNothingAndChangeNothing) {
  auto s = NewString("abc");
  EXPECT_EQ(CallMethod(s.get(), "MID"), nullptr);
  EXPECT_EQ(CallMethod(s.get(), "INSERT", {NewInt(0)}), nullptr);
  EXPECT_EQ(CallMethod(s.get(), "REPLACESTR", {NewString("a")}), nullptr);
  EXPECT_EQ(CallMethod(s.get(), "DELETE"), nullptr);
  EXPECT_EQ(s->GetString(), "abc");
}

TEST_F(StringMethods, CaseChangesLettersAndLeavesSecondBytesAlone) {
  std::string mixed = "ab" + kA_Katakana + kDi + "Z" + kFullSmallA + kSmallAlpha + kCyrSmallO;
  EXPECT_EQ(Call(mixed, "UPPER"), "AB" + kA_Katakana + kDi + "Z" + kFullA + kAlpha + kCyrO);
  EXPECT_EQ(Call(mixed, "LOWER"), "ab" + kA_Katakana + kDi + "z" + kFullSmallA + kSmallAlpha + kCyrSmallO);
  EXPECT_EQ(Call(kCyrA + kCyrO + kFullB, "LOWER"), kCyrSmallA + kCyrSmallO + "\x82\x82");
  // A lead byte at the very end is a character of its own.
  EXPECT_EQ(Call("a\x83", "UPPER"), "A\x83");

  auto s = NewString("abc");
  EXPECT_EQ(CallMethod(s.get(), "UPPER")->GetString(), "ABC");
  EXPECT_EQ(s->GetString(), "abc");
  EXPECT_EQ(CallMethod(s.get(), "MAKEUPPER"), nullptr);
  EXPECT_EQ(s->GetString(), "ABC");
  CallMethod(s.get(), "MAKELOWER");
  EXPECT_EQ(s->GetString(), "abc");
}

TEST_F(StringMethods, ComparisonIsByCharacterCodes) {
  EXPECT_LT(CallLong("abc", "COMPARE", {NewString("abd")}), 0);
  EXPECT_GT(CallLong("abd", "COMPARE", {NewString("abc")}), 0);
  EXPECT_EQ(CallLong("abc", "COMPARE", {NewString("abc")}), 0);
  EXPECT_LT(CallLong("ab", "COMPARE", {NewString("abc")}), 0);
  EXPECT_GT(CallLong("a", "COMPARE", {NewString("B")}), 0);  // case-sensitive
  // A half-width katakana (one byte, 0xB1) sorts before any double-byte character (0x8140 up),
  // though its byte is larger than their first byte.
  EXPECT_LT(CallLong(kHalfA, "COMPARE", {NewString(kIdeoSpace)}), 0);
  EXPECT_EQ(CallLong("aBc", "CMPNOCASE", {NewString("AbC")}), 0);
  EXPECT_EQ(CallLong(kFullSmallA + kSmallAlpha, "CMPNOCASE", {NewString(kFullA + kAlpha)}), 0);
  EXPECT_NE(CallLong(kA_Katakana, "CMPNOCASE", {NewString("\x83" "a")}), 0);
  // Single bytes fold to lower case, so '_' (0x5F) sorts before letters.
  EXPECT_LT(CallLong("_", "CMPNOCASE", {NewString("A")}), 0);
}

TEST_F(StringMethods, ReverseKeepsDoubleByteCharactersWhole) {
  EXPECT_EQ(Call("ab" + kHyo + "c", "REVERSE"), "c" + kHyo + "ba");
  auto s = NewString(kA_Katakana + "x" + kFullB);
  EXPECT_EQ(CallMethod(s.get(), "MAKEREVERSE"), nullptr);
  EXPECT_EQ(s->GetString(), kFullB + "x" + kA_Katakana);
  EXPECT_EQ(Call("", "REVERSE"), "");
}

TEST_F(StringMethods, TrimmingInPlaceAndAsCopies) {
  const std::string padded = " \t" + kHyo + " x\r\n ";
  EXPECT_EQ(Call(padded, "AFTERTRIMLEFT"), kHyo + " x\r\n ");
  EXPECT_EQ(Call(padded, "AFTERTRIMRIGHT"), " \t" + kHyo + " x");
  EXPECT_EQ(Call(padded, "AFTERTRIM"), kHyo + " x");
  auto s = NewString(padded);
  EXPECT_EQ(CallMethod(s.get(), "TRIM"), nullptr);
  EXPECT_EQ(s->GetString(), kHyo + " x");
  auto blank = NewString("   ");
  CallMethod(blank.get(), "TRIMLEFT");
  EXPECT_EQ(blank->GetString(), "");
}

TEST_F(StringMethods, GetLineHonoursEveryLineEnd) {
  EXPECT_EQ(Call("one\r\ntwo\r\nthree", "GETLINE", {NewInt(2)}), "two");
  EXPECT_EQ(Call("one\r\ntwo\r\nthree", "GETLINE", {NewInt(4)}), "");
  EXPECT_EQ(Call("one\rtwo\nthree", "GETLINE", {NewInt(3)}), "three");
  EXPECT_EQ(Call("one\rtwo\nthree", "GETLINE"), "one");
  // LF CR is two line ends, CR LF one.
  EXPECT_EQ(Call("a\n\rb", "GETLINE", {NewInt(3)}), "b");
  EXPECT_EQ(Call("a\r\n\r\nb", "GETLINE", {NewInt(2)}), "");
  EXPECT_EQ(Call("a\r\n\r\nb", "GETLINE", {NewInt(3)}), "b");
  EXPECT_EQ(Call("a", "GETLINE", {NewInt(0)}), "");
  EXPECT_EQ(Call("a", "GETLINE", {NewInt(-1)}), "");
  EXPECT_EQ(Call(kHyo + "\n" + kA_Katakana, "GETLINE", {NewInt(2)}), kA_Katakana);
}

TEST_F(StringMethods, ReplaceMatchesOnlyAtCharacterStarts) {
  // The backslash inside 表 is not a backslash.
  const std::string path = kHyo + "\\" + kHyo;
  EXPECT_EQ(Call(path, "REPLACE", {NewString("\\"), NewString("/")}), kHyo + "/" + kHyo);
  EXPECT_EQ(Call(kA_Katakana + "A", "REPLACE", {NewString("A"), NewString("b")}), kA_Katakana + "b");
  auto s = NewString("aaa");
  EXPECT_EQ(CallMethod(s.get(), "REPLACESTR", {NewString("a"), NewString("aa")})->GetLong(), 3);
  EXPECT_EQ(s->GetString(), "aaaaaa");
  EXPECT_EQ(CallMethod(s.get(), "REPLACESTR", {NewString(""), NewString("x")})->GetLong(), 0);
  EXPECT_EQ(CallMethod(s.get(), "REPLACESTR", {NewString("aaaa"), NewString("")})->GetLong(), 1);
  EXPECT_EQ(s->GetString(), "aa");
  EXPECT_EQ(Call("abc", "REPLACE", {NewString("x"), NewString("y")}), "abc");
}

TEST_F(StringMethods, InsertAndDeleteClampToTheText) {
  auto s = NewString("abc");
  EXPECT_EQ(CallMethod(s.get(), "INSERT", {NewInt(1), NewString("XY")})->GetLong(), 5);
  EXPECT_EQ(s->GetString(), "aXYbc");
  CallMethod(s.get(), "INSERT", {NewInt(-5), NewString("<")});
  CallMethod(s.get(), "INSERT", {NewInt(999), NewString(">")});
  EXPECT_EQ(s->GetString(), "<aXYbc>");

  EXPECT_EQ(CallMethod(s.get(), "DELETE", {NewInt(1)})->GetLong(), 6);
  EXPECT_EQ(s->GetString(), "<XYbc>");
  // A count reaching past the end removes to the end and no further.
  EXPECT_EQ(CallMethod(s.get(), "DELETE", {NewInt(4), NewInt(INT32_MAX)})->GetLong(), 4);
  EXPECT_EQ(s->GetString(), "<XYb");
  EXPECT_EQ(CallMethod(s.get(), "DELETE", {NewInt(-3), NewInt(2)})->GetLong(), 2);
  EXPECT_EQ(s->GetString(), "Yb");
  EXPECT_EQ(CallMethod(s.get(), "DELETE", {NewInt(2)})->GetLong(), 2);
  EXPECT_EQ(CallMethod(s.get(), "DELETE", {NewInt(0), NewInt(-1)})->GetLong(), 2);
  EXPECT_EQ(CallMethod(s.get(), "DELETE", {NewInt(INT32_MAX), NewInt(INT32_MAX)})->GetLong(), 2);
  EXPECT_EQ(s->GetString(), "Yb");
}

TEST_F(StringMethods, PaddingPlacesTheText) {
  EXPECT_EQ(Call("ab", "PADRIGHT", {NewInt(5)}), "   ab");
  EXPECT_EQ(Call("ab", "PADLEFT", {NewInt(5), NewString("*")}), "ab***");
  EXPECT_EQ(Call("ab", "PAD", {NewInt(6)}), "  ab  ");
  EXPECT_EQ(Call("ab", "PAD", {NewInt(5), NewString("-=")}), "-ab--");
  EXPECT_EQ(Call("ab", "PADRIGHT", {NewInt(1)}), "ab");
  EXPECT_EQ(Call("ab", "PADRIGHT", {NewInt(-4)}), "ab");
  EXPECT_EQ(Call("ab", "PADLEFT", {NewInt(3), NewString("")}), "ab ");
  // A width no text could have is not met.
  EXPECT_EQ(Call("ab", "PADRIGHT", {NewInt(INT32_MAX)}), "<none>");
}

TEST_F(StringMethods, EmptyClearsTheVariable) {
  auto s = NewString("abc");
  EXPECT_EQ(CallMethod(s.get(), "EMPTY"), nullptr);
  EXPECT_EQ(s->GetString(), "");
  EXPECT_TRUE(CallMethod(s.get(), "ISEMPTY")->GetBool());
}

}  // namespace
}  // namespace tav::script
