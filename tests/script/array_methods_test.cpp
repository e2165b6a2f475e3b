// Array methods: element operations, the callback methods, sorting and shuffling.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "method_call_helper.h"
#include "script/methods/array_sort.h"
#include "script/methods/random_source.h"
#include "script/core/registry.h"
#include "script/runtime.h"

namespace tav::script {
namespace {

using testing::CallMethod;
using testing::CallWith;
using testing::MakeCallable;

Ref<TOL_VarObArray> Ints(std::initializer_list<int> values) {
  auto array = NewArray();
  for (int v : values) array->Add(NewInt(v).get());
  return array;
}

std::vector<int> Values(TOL_Var* array) {
  std::vector<int> out;
  for (int i = 0; i < array->GetCount(); ++i) out.push_back(array->GetAt(i)->GetLong());
  return out;
}

// A callback reading THIS, as a FORM like THIS.HP <= 0 would.
VarRef ThisCallable(std::function<VarRef(TOL_Var* self)> body) {
  return MakeCallable([body = std::move(body)](TOL_VarObArray* frame) { return body(FrameThis(frame)); });
}

VarRef IsArray() {
  return ThisCallable([](TOL_Var* self) { return NewBool(self->GetType() == kTypeArray); });
}

// A comparison reading its two arguments from ARGS.
VarRef Ascending() {
  return MakeCallable([](TOL_VarObArray* frame) {
    TOL_VarObArray* args = FrameArgs(frame);
    return NewInt(Arg(args, 0)->GetLong() - Arg(args, 1)->GetLong());
  });
}

class ArrayMethods : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeRuntime();
    RegisterBuiltinMethods();
  }
  void TearDown() override {
    SetDefaultRandomSource(nullptr);
    SetRandomSourceLookup(nullptr);
    Registry::CollectGarbageAll();
  }
};

TEST_F(ArrayMethods, CountIsVisibleInEveryFunctionBody) {
  auto a = Ints({1, 2, 3});
  EXPECT_EQ(CallMethod(a.get(), "Count")->GetLong(), 3);
  // A frame is an array, so a bare Count() in a body finds the method and counts THIS.
  auto frame = NewFrame(NewArray().get(), a.get(), nullptr);
  TOL_Var* count = frame->FindMember("COUNT");
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(CallWith(count, a.get(), {})->GetLong(), 3);
  EXPECT_EQ(CallWith(count, nullptr, {})->GetLong(), -1);
  EXPECT_EQ(CallWith(count, NewInt(5).get(), {})->GetLong(), 0);
}

TEST_F(ArrayMethods, ElementOperations) {
  auto a = Ints({1, 2, 3});
  EXPECT_EQ(CallMethod(a.get(), "GetAt", {NewInt(1)})->GetLong(), 2);
  VarRef outside = CallMethod(a.get(), "GetAt", {NewInt(5)});
  ASSERT_NE(outside, nullptr);
  EXPECT_EQ(outside->GetType(), kTypeNone);

  CallMethod(a.get(), "SetAt", {NewInt(0), NewString("x")});
  EXPECT_EQ(a->GetAt(0)->GetString(), "x");
  CallMethod(a.get(), "SetAt", {NewInt(3), NewInt(9)});  // out of range: ignored
  EXPECT_EQ(a->GetCount(), 3);

  CallMethod(a.get(), "Insert", {NewInt(10), NewInt(0)});
  CallMethod(a.get(), "Insert", {NewInt(30), NewInt(a->GetCount())});
  CallMethod(a.get(), "Insert", {NewInt(99), NewInt(-1)});
  EXPECT_EQ(a->GetAt(0)->GetLong(), 10);
  EXPECT_EQ(a->GetAt(4)->GetLong(), 30);
  EXPECT_EQ(a->GetCount(), 5);

  CallMethod(a.get(), "Remove", {NewInt(0)});
  CallMethod(a.get(), "Remove", {NewInt(17)});
  EXPECT_EQ(a->GetCount(), 4);

  auto b = Ints({7, 8});
  EXPECT_EQ(CallMethod(a.get(), "Append", {b})->GetLong(), 4);
  EXPECT_EQ(a->GetCount(), 6);
  EXPECT_EQ(CallMethod(a.get(), "Append", {NewInt(1)})->GetLong(), -1);

  CallMethod(a.get(), "SetSize", {NewInt(8)});
  EXPECT_EQ(a->GetCount(), 8);
  CallMethod(a.get(), "RemoveAll");
  EXPECT_EQ(a->GetCount(), 0);
}

TEST_F(ArrayMethods, AddCopiesValuesAndSharesWhatReferencesReach) {
  auto a = NewArray();
  auto n = Make<TOL_VarInt>(4);
  EXPECT_EQ(CallMethod(a.get(), "Add", {n})->GetLong(), 0);
  n->SetValue(5);
  EXPECT_EQ(a->GetAt(0)->GetLong(), 4);

  auto object = Make<TOL_VarObject>();
  auto variable = NewRef(object.get());  // an OBJECT variable
  EXPECT_EQ(CallMethod(a.get(), "Add", {variable})->GetLong(), 1);
  EXPECT_EQ(a->GetAt(1)->GetTarget(), object.get());
  EXPECT_EQ(CallMethod(a.get(), "Add"), nullptr);
}

TEST_F(ArrayMethods, RemoveObRemovesEveryReferenceToTheTarget) {
  auto x = Make<TOL_VarObject>();
  auto y = Make<TOL_VarObject>();
  auto a = NewArray();
  for (TOL_Var* target : {x.get(), y.get(), x.get(), x.get()}) a->Add(NewRef(target).get());
  a->Add(x.get());  // the object itself, not through a reference
  EXPECT_EQ(CallMethod(a.get(), "RemoveOb", {NewRef(x.get())})->GetLong(), 4);
  ASSERT_EQ(a->GetCount(), 1);
  EXPECT_EQ(a->GetAt(0)->GetTarget(), y.get());
  EXPECT_EQ(CallMethod(a.get(), "RemoveOb", {NewRef(x.get())})->GetLong(), 0);
}

TEST_F(ArrayMethods, CallbacksSeeTheElementAsThisAndTheCallersGlobals) {
  auto globals = Make<TOL_VarObject>();
  auto a = Ints({4, 5});
  std::vector<int> seen;
  VarRef probe = MakeCallable([&](TOL_VarObArray* frame) {
    EXPECT_EQ(FrameGlobals(frame), globals.get());
    EXPECT_EQ(frame->FindOwnMember(Atom::Intern("THIS")), frame->GetAt(kThisSlot));
    EXPECT_EQ(FrameArgs(frame), nullptr);
    seen.push_back(FrameThis(frame)->GetLong());
    return VarRef();
  });
  EXPECT_EQ(CallMethod(a.get(), "Find", {probe}, globals.get()), nullptr);
  EXPECT_EQ(seen, (std::vector<int>{4, 5}));
}

// [1, [2, [3]], 4]: a nested structure for the descent tests.
Ref<TOL_VarObArray> Nested() {
  auto inner = Ints({3});
  auto middle = Ints({2});
  middle->Add(inner.get());
  auto outer = Ints({1});
  outer->Add(middle.get());
  outer->Add(NewInt(4).get());
  return outer;
}

TEST_F(ArrayMethods, FindAnswersTheFirstMatchSearchingNestedArraysInPlace) {
  auto a = Nested();
  VarRef overTwo = ThisCallable([](TOL_Var* e) { return NewBool(e->GetType() == kTypeInt && e->GetLong() > 2); });
  EXPECT_EQ(CallMethod(a.get(), "Find", {overTwo})->GetLong(), 4);
  // With descent, the 3 inside comes before the 4 after it.
  EXPECT_EQ(CallMethod(a.get(), "Find", {overTwo, IsArray()})->GetLong(), 3);
  VarRef never = ThisCallable([](TOL_Var*) { return NewBool(false); });
  EXPECT_EQ(CallMethod(a.get(), "Find", {never, IsArray()}), nullptr);
  EXPECT_EQ(CallMethod(a.get(), "Find"), nullptr);
}

TEST_F(ArrayMethods, EnumCollectsAtEveryDepthInVisitingOrder) {
  auto a = Nested();
  VarRef isInt = ThisCallable([](TOL_Var* e) { return NewBool(e->GetType() == kTypeInt); });
  VarRef flat = CallMethod(a.get(), "Enum", {isInt});
  EXPECT_EQ(Values(flat.get()), (std::vector<int>{1, 4}));
  VarRef deep = CallMethod(a.get(), "Enum", {isInt, IsArray()});
  EXPECT_EQ(Values(deep.get()), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(deep->GetAt(0), a->GetAt(0));  // shared, not copied
  // Without arguments or receiver: still an array, empty.
  VarRef none = CallMethod(a.get(), "Enum");
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->GetType(), kTypeArray);
  EXPECT_EQ(none->GetCount(), 0);
  EXPECT_EQ(CallWith(a->FindMember("ENUM"), nullptr, {isInt})->GetCount(), 0);
}

TEST_F(ArrayMethods, DescentIntoAnArrayThatContainsItselfEnds) {
  auto a = Ints({1});
  a->Add(a.get());
  int visits = 0;
  VarRef counter = ThisCallable([&](TOL_Var*) {
    ++visits;
    return NewBool(false);
  });
  EXPECT_EQ(CallMethod(a.get(), "Enum", {counter, IsArray()})->GetCount(), 0);
  EXPECT_EQ(visits, 2);
  a->RemoveAll();  // break the cycle so the array can be collected
}

TEST_F(ArrayMethods, CallbacksMayChangeTheArrayTheyVisit) {
  auto a = Ints({1, 2, 3, 4});
  VarRef shrinker = ThisCallable([&](TOL_Var*) {
    a->RemoveAt(0);
    return NewBool(true);
  });
  VarRef found = CallMethod(a.get(), "Enum", {shrinker});
  EXPECT_EQ(found->GetCount(), 2);  // positions 0 and 1 of what was left
  EXPECT_EQ(a->GetCount(), 2);
}

VarRef ValueOfThis() {
  return ThisCallable([](TOL_Var* e) { return e->GetType() == kTypeArray ? NewInt(0) : VarRef(e); });
}

TEST_F(ArrayMethods, FindValueAnswersTheFirstLargest) {
  EXPECT_EQ(CallMethod(Ints({3, 7, 7, 1}).get(), "FindValue", {ValueOfThis()})->GetLong(), 1);
  EXPECT_EQ(CallMethod(Ints({}).get(), "FindValue", {ValueOfThis()})->GetLong(), -1);
  EXPECT_EQ(CallMethod(Ints({-5, -2}).get(), "FindValue", {ValueOfThis()})->GetLong(), 1);
  // With descent the position counts every visited element: 1, [..], 2, [..], 3, 4.
  EXPECT_EQ(CallMethod(Nested().get(), "FindValue", {ValueOfThis(), IsArray()})->GetLong(), 5);
}

TEST_F(ArrayMethods, EnumValueAnswersTheLargestFirstWithTiesInVisitingOrder) {
  auto a = NewArray();
  for (int v : {5, 9, 5, 1, 9}) a->Add(NewInt(v).get());
  VarRef top = CallMethod(a.get(), "EnumValue", {ValueOfThis(), NewInt(3)});
  ASSERT_EQ(top->GetCount(), 3);
  EXPECT_EQ(top->GetAt(0), a->GetAt(1));
  EXPECT_EQ(top->GetAt(1), a->GetAt(4));
  EXPECT_EQ(top->GetAt(2), a->GetAt(0));
  EXPECT_EQ(CallMethod(a.get(), "EnumValue", {ValueOfThis(), NewInt(99)})->GetCount(), 5);
  EXPECT_EQ(CallMethod(a.get(), "EnumValue", {ValueOfThis(), NewInt(-1)})->GetCount(), 0);
  EXPECT_EQ(CallMethod(a.get(), "EnumValue", {ValueOfThis()}), nullptr);
}

TEST_F(ArrayMethods, CalcTotalKeepsTheClassOfTheFirstAnswer) {
  auto a = Ints({0, 1, 2});
  auto answer = [](std::vector<VarRef> answers) {
    return ThisCallable([answers](TOL_Var* e) { return answers[e->GetLong()]; });
  };
  // 1 + 2.5 = 3.5 stored into the INT is 3; 3 + 3 = 6.
  VarRef total = CallMethod(a.get(), "CalcTotal", {answer({NewInt(1), NewDouble(2.5), NewInt(3)}), NewInt(0)});
  EXPECT_EQ(total->GetType(), kTypeInt);
  EXPECT_EQ(total->GetLong(), 6);
  total = CallMethod(a.get(), "CalcTotal", {answer({NewDouble(0.5), NewInt(1), NewInt(2)}), NewInt(0)});
  EXPECT_EQ(total->GetType(), kTypeDouble);
  EXPECT_DOUBLE_EQ(total->GetDouble(), 3.5);
  total = CallMethod(a.get(), "CalcTotal", {answer({NewString("a"), NewInt(1), NewString("b")}), NewInt(0)});
  EXPECT_EQ(total->GetString(), "a1b");
  // Answers of nothing are skipped; a total that never started is nothing.
  total = CallMethod(a.get(), "CalcTotal", {answer({VarRef(), NewInt(2), VarRef()}), NewInt(0)});
  EXPECT_EQ(total->GetLong(), 2);
  EXPECT_EQ(CallMethod(a.get(), "CalcTotal", {answer({VarRef(), VarRef(), VarRef()}), NewInt(0)}), nullptr);
  EXPECT_EQ(CallMethod(a.get(), "CalcTotal", {answer({NewInt(1), NewInt(1), NewInt(1)})}), nullptr);
}

TEST_F(ArrayMethods, CalcTotalDoesNotChangeTheValuesItWasAnswered) {
  auto a = Ints({1, 2});
  auto shared = NewInt(10);
  VarRef total = CallMethod(a.get(), "CalcTotal", {ThisCallable([&](TOL_Var*) { return shared; }), NewInt(0)});
  EXPECT_EQ(total->GetLong(), 20);
  EXPECT_EQ(shared->GetLong(), 10);
}

TEST_F(ArrayMethods, SortOrdersByTheComparisonAndNeedsTwoArguments) {
  auto a = Ints({5, 3, 9, 1, 3});
  CallMethod(a.get(), "Sort", {Ascending()});
  EXPECT_EQ(Values(a.get()), (std::vector<int>{5, 3, 9, 1, 3}));
  CallMethod(a.get(), "Sort", {Ascending(), NewInt(0)});
  EXPECT_EQ(Values(a.get()), (std::vector<int>{1, 3, 3, 5, 9}));
  // The comparison sees both elements in ARGS and no THIS.
  VarRef descending = MakeCallable([](TOL_VarObArray* frame) {
    EXPECT_EQ(FrameThis(frame), nullptr);
    TOL_VarObArray* args = FrameArgs(frame);
    EXPECT_EQ(frame->FindOwnMember(Atom::Intern("ARGS")), args);
    return NewInt(Arg(args, 1)->GetLong() - Arg(args, 0)->GetLong());
  });
  CallMethod(a.get(), "Sort", {descending, NewInt(0)});
  EXPECT_EQ(Values(a.get()), (std::vector<int>{9, 5, 3, 3, 1}));
}

TEST_F(ArrayMethods, AContradictoryComparisonNeverLosesAnElement) {
  std::mt19937 noise(1234);
  for (int round = 0; round < 20; ++round) {
    auto a = NewArray();
    std::multiset<int> before;
    for (int i = 0; i < 200; ++i) {
      int v = static_cast<int>(noise() % 50);
      a->Add(NewInt(v).get());
      before.insert(v);
    }
    VarRef coinFlip = MakeCallable([&](TOL_VarObArray*) { return NewInt(static_cast<int>(noise() % 3) - 1); });
    CallMethod(a.get(), "Sort", {coinFlip, NewInt(0)});
    std::vector<int> after = Values(a.get());
    EXPECT_EQ(std::multiset<int>(after.begin(), after.end()), before);
  }
}

TEST_F(ArrayMethods, AComparisonThatEmptiesTheArrayLeavesItsChangeStanding) {
  auto a = Ints({3, 2, 1});
  VarRef vandal = MakeCallable([&](TOL_VarObArray* frame) {
    a->RemoveAll();
    TOL_VarObArray* args = FrameArgs(frame);
    args->RemoveAll();  // the next comparison gets its two arguments back
    return NewInt(1);
  });
  CallMethod(a.get(), "Sort", {vandal, NewInt(0)});
  EXPECT_EQ(a->GetCount(), 0);
}

TEST_F(ArrayMethods, SortOrderIsAPermutationWithinNLogNComparisons) {
  for (int n : {0, 1, 17, 1000}) {
    int comparisons = 0;
    std::vector<int> order = SortOrder(n, [&](int a, int b) {
      ++comparisons;
      return (n - a) - (n - b);  // reverses the positions
    });
    ASSERT_EQ(order.size(), static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) EXPECT_EQ(order[i], n - 1 - i);
    int log = 0;
    while ((1 << log) < n) ++log;
    EXPECT_LE(comparisons, n * log);
  }
}

// Answers a fixed list of draws.
struct ScriptedSource : RandomSource {
  std::vector<int> draws;
  std::vector<int> asked;
  size_t next = 0;
  int NextInt(int n) override {
    asked.push_back(n);
    return next < draws.size() ? draws[next++] : 0;
  }
};

TEST_F(ArrayMethods, ShuffleTakesTheKthRemainingPositionForEachDraw) {
  ScriptedSource source;
  source.draws = {2, 0, 1, 0};
  SetDefaultRandomSource(&source);
  auto a = Ints({10, 11, 12, 13});
  EXPECT_EQ(CallMethod(a.get(), "Shuffle"), nullptr);
  // Positions left [0 1 2 3] take 2; [0 1 3] take 0; [1 3] take 3; then 1.
  EXPECT_EQ(Values(a.get()), (std::vector<int>{12, 10, 13, 11}));
  EXPECT_EQ(source.asked, (std::vector<int>{4, 3, 2, 1}));

  source.asked.clear();
  CallMethod(Ints({}).get(), "Shuffle");
  EXPECT_TRUE(source.asked.empty());
}

TEST_F(ArrayMethods, ShuffleUsesTheGeneratorOfARandomArgument) {
  static ScriptedSource own;
  own.draws = {1, 0};
  own.next = 0;
  static TOL_Var* marker = nullptr;
  auto randomValue = NewString("a generator");
  marker = randomValue.get();
  SetRandomSourceLookup([](TOL_Var* v) -> RandomSource* { return v == marker ? &own : nullptr; });
  auto a = Ints({1, 2});
  // Passed through a reference, the argument's target is the marker the lookup recognises.
  CallMethod(a.get(), "Shuffle", {NewRef(marker)});
  EXPECT_EQ(Values(a.get()), (std::vector<int>{2, 1}));
  EXPECT_EQ(own.next, 2u);
}

TEST_F(ArrayMethods, ShuffleIsAlwaysAPermutation) {
  struct Wild : RandomSource {
    std::mt19937 noise{99};
    int NextInt(int) override { return static_cast<int>(noise()) - 1000000; }  // ignores n
  } wild;
  for (RandomSource* source : {static_cast<RandomSource*>(&wild), static_cast<RandomSource*>(nullptr)}) {
    SetDefaultRandomSource(source);
    auto a = NewArray();
    for (int i = 0; i < 500; ++i) a->Add(NewInt(i).get());
    CallMethod(a.get(), "Shuffle");
    std::vector<int> after = Values(a.get());
    std::sort(after.begin(), after.end());
    for (int i = 0; i < 500; ++i) ASSERT_EQ(after[i], i);
  }
}

}  // namespace
}  // namespace tav::script
