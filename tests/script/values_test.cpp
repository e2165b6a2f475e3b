#include <gtest/gtest.h>

#include "archive/archive.h"
#include "script/objects/apply_model.h"
#include "script/compile/constants.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/core/var_array.h"
#include "script/core/var_function.h"
#include "script/core/var_ref.h"

namespace tav::script {
namespace {

class Values : public ::testing::Test {
 protected:
  void SetUp() override { InitializeRuntime(); }
  void TearDown() override { Registry::CollectGarbageAll(); }
};

TEST_F(Values, StringsConvertByTheirPrefix) {
  auto s = NewString("12abc");
  EXPECT_EQ(s->GetLong(), 12);
  EXPECT_DOUBLE_EQ(s->GetDouble(), 12.0);
  EXPECT_TRUE(s->GetBool());
  auto abc = NewString("abc");
  EXPECT_EQ(abc->GetLong(), 0);
  EXPECT_EQ(abc->GetDouble(), 0.0);
  EXPECT_FALSE(abc->GetBool());
  // 0.5 is false: truth is the integer prefix.
  EXPECT_FALSE(NewString("0.5")->GetBool());
  EXPECT_DOUBLE_EQ(NewString("  -1.5e2x")->GetDouble(), -150.0);
  EXPECT_DOUBLE_EQ(NewString("3e")->GetDouble(), 3.0);
  EXPECT_EQ(NewString(" \t-42 7")->GetLong(), -42);
  EXPECT_EQ(NewString("99999999999")->GetLong(), 2147483647);
  EXPECT_EQ(NewString("-2147483648")->GetLong(), -2147483647 - 1);
  EXPECT_EQ(NewString("-99999999999999999999")->GetInt64(), INT64_MIN);
  EXPECT_EQ(NewString("9223372036854775807")->GetInt64(), INT64_MAX);
}

TEST_F(Values, NumbersConvertAndFormat) {
  EXPECT_EQ(NewDouble(2.9)->GetLong(), 2);
  EXPECT_EQ(NewDouble(-2.9)->GetLong(), -2);
  EXPECT_EQ(NewDouble(1e300)->GetLong(), INT32_MIN);  // the hardware's "indefinite" answer
  EXPECT_EQ(NewBool(true)->GetString(), "1");
  EXPECT_EQ(NewInt(-5)->GetString(), "-5");
  EXPECT_EQ(NewDouble(0.1)->GetString(), "0.10000000000000000555");
  EXPECT_EQ(NewDouble(1e300)->GetString(), "1.0000000000000000525e+300");
  EXPECT_EQ(NewInt64(-9000000000LL)->GetString(), "-9000000000");
  EXPECT_EQ(NewInt64(0x100000005LL)->GetLong(), 5);  // the low 32 bits
  EXPECT_EQ(NewInt(-1)->GetInt64(), -1);             // sign-extended
}

TEST_F(Values, TypedVariablesKeepTheirType) {
  auto i = NewInt(0);
  i->Assign(NewString("7").get());
  EXPECT_EQ(i->GetType(), kTypeInt);
  EXPECT_EQ(i->GetLong(), 7);
  i->Assign(NewDouble(3.7).get());
  EXPECT_EQ(i->GetLong(), 3);
  auto s = NewString("x");
  s->Assign(NewDouble(0.5).get());
  EXPECT_EQ(s->GetString(), "0.5");
  s->Assign(s.get());
  EXPECT_EQ(s->GetString(), "0.5");
  auto b = NewBool(false);
  b->Assign(NewString("2").get());
  EXPECT_TRUE(b->GetBool());
  // Objects, arrays and callables ignore assignment.
  auto array = NewArray();
  array->Assign(NewInt(3).get());
  EXPECT_EQ(array->GetType(), kTypeArray);
}

TEST_F(Values, EmptyReferenceAnswersNothing) {
  auto ref = NewRef();
  EXPECT_EQ(ref->GetType(), kTypeNone);
  EXPECT_FALSE(ref->GetBool());
  EXPECT_EQ(ref->GetLong(), 0);
  EXPECT_EQ(ref->GetString(), "");
  EXPECT_EQ(ref->GetTarget(), nullptr);
  EXPECT_TRUE(ref->IsValue());
  EXPECT_EQ(ref->FindMember(Atom::Intern("X")), nullptr);
  EXPECT_EQ(ref->Add(NewInt(1).get()), -1);
}

TEST_F(Values, ReferencesForwardAndNeverChain) {
  auto array = NewArray();
  auto a = NewRef(array.get());
  auto b = NewRef(a.get());  // pointed at a reference: keeps the final target
  EXPECT_EQ(b->GetTarget(), array.get());
  EXPECT_EQ(b->GetType(), kTypeArray);
  EXPECT_FALSE(dynamic_cast<TOL_VarRef*>(static_cast<TOL_VarRef*>(b.get())->Target()));
  b->Add(NewInt(4).get());
  EXPECT_EQ(array->GetCount(), 1);
  // Assign re-targets; a copy shares the target.
  auto other = NewArray();
  a->Assign(other.get());
  EXPECT_EQ(a->GetTarget(), other.get());
  VarRef copy = a->Clone(nullptr);
  EXPECT_EQ(copy->GetTarget(), other.get());
  // A reference clone given an INT target converts through the INT's Assign.
  auto n = NewInt(0);
  auto refToNumber = NewRef(NewInt(9).get());
  refToNumber->Clone(n.get());
  EXPECT_EQ(n->GetLong(), 9);
}

TEST_F(Values, ScalarCloneCopiesOrAssigns) {
  auto d = NewDouble(2.5);
  VarRef copy = d->Clone(nullptr);
  EXPECT_NE(copy.get(), d.get());
  EXPECT_EQ(copy->GetType(), kTypeDouble);
  EXPECT_EQ(copy->GetDouble(), 2.5);
  auto target = NewInt(0);
  VarRef same = d->Clone(target.get());
  EXPECT_EQ(same.get(), target.get());
  EXPECT_EQ(target->GetLong(), 2);
}

TEST_F(Values, MembersAreUpperCaseAndFallBackToTheBase) {
  auto base = Make<TOL_VarObject>();
  base->SetMember(NewInt(1).get(), "abc");
  EXPECT_NE(base->FindMember(Atom::Intern("ABC")), nullptr);
  EXPECT_EQ(base->FindMember(std::string_view("aBc")), base->FindMember(Atom::Intern("ABC")));
  auto derived = Make<TOL_VarObject>();
  derived->SetBase(base.get());
  EXPECT_EQ(derived->FindMember(Atom::Intern("ABC"))->GetLong(), 1);
  // A base chain can never close into a loop.
  base->SetBase(derived.get());
  EXPECT_EQ(base->GetBase(), nullptr);
  EXPECT_EQ(derived->FindMember(Atom::Intern("MISSING")), nullptr);
  // Replacing and removing.
  derived->SetMember(NewInt(2).get(), "ABC");
  EXPECT_EQ(derived->FindMember(Atom::Intern("ABC"))->GetLong(), 2);
  VarRef removed = derived->RemoveMember(Atom::Intern("abc"));
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->GetLong(), 2);
  EXPECT_EQ(derived->FindMember(Atom::Intern("ABC"))->GetLong(), 1);
}

TEST_F(Values, ManyMembersStayInInsertionOrder) {
  auto object = Make<TOL_VarObject>();
  for (int i = 0; i < 40; ++i) object->SetMember(NewInt(i).get(), "M" + std::to_string(i));
  object->RemoveMember(Atom::Intern("M3"));
  object->SetMember(NewInt(100).get(), "M5");
  ASSERT_EQ(object->Members().Size(), 39u);
  EXPECT_EQ(object->Members().Entries()[3].name.Text(), "M4");
  EXPECT_EQ(object->FindMember(Atom::Intern("M5"))->GetLong(), 100);
  EXPECT_EQ(object->FindMember(Atom::Intern("M39"))->GetLong(), 39);
  EXPECT_EQ(object->FindMember(Atom::Intern("M3")), nullptr);
}

TEST_F(Values, ShiftJisNamesUpperCaseOnlyAscii) {
  // 0x83 0x61 is a katakana character whose trail byte looks like 'a'.
  EXPECT_EQ(UpperCaseSjis("\x83\x61" "b"), "\x83\x61" "B");
  EXPECT_EQ(Atom::Intern("\x83\x61x"), Atom::Intern("\x83\x61X"));
}

TEST_F(Values, ArraySlotsAndElementOperations) {
  auto array = NewArray();
  array->SetSize(3, -1);
  ASSERT_EQ(array->GetCount(), 3);
  EXPECT_NE(array->GetAt(0), array->GetAt(1));  // each slot its own empty reference
  EXPECT_EQ(array->GetAt(0)->GetType(), kTypeNone);
  EXPECT_EQ(array->GetAt(3), nullptr);
  EXPECT_EQ(array->GetAt(-1), nullptr);
  array->SetAt(5, NewInt(1).get());  // ignored
  array->SetAt(1, NewInt(7).get());
  EXPECT_EQ(array->GetAt(1)->GetLong(), 7);
  EXPECT_FALSE(array->RemoveAt(3));
  array->InsertAt(4, NewInt(0).get());  // beyond count: ignored
  EXPECT_EQ(array->GetCount(), 3);
  array->InsertAt(3, NewInt(9).get());  // at count: appends
  EXPECT_EQ(array->GetAt(3)->GetLong(), 9);
  EXPECT_EQ(array->Add(NewInt(5).get()), 4);
  array->SetSize(2, -1);
  EXPECT_EQ(array->GetCount(), 2);
  array->SetSize(-1, -1);
  array->SetSize(TOL_VarObArray::kMaxElements + 1, -1);  // refused, not attempted
  EXPECT_EQ(array->GetCount(), 2);
}

TEST_F(Values, IdentityLookupsTakeAndAppend) {
  auto object = Make<TOL_VarObject>();
  auto a = NewArray();
  a->Add(NewInt(1).get());
  a->Add(NewRef(object.get()).get());  // held through a reference: IndexOf looks through it
  EXPECT_EQ(a->IndexOf(object.get()), 1);
  auto b = NewArray();
  EXPECT_EQ(b->TakeElement(a.get(), object.get()), 0);
  EXPECT_EQ(a->GetCount(), 1);
  EXPECT_EQ(b->TakeAt(a.get(), 5), -1);
  EXPECT_EQ(b->TakeAt(a.get(), 0), 1);
  EXPECT_EQ(a->GetCount(), 0);
  EXPECT_EQ(b->AppendArray(b.get()), 2);  // appending itself copies its elements once
  EXPECT_EQ(b->GetCount(), 4);
  EXPECT_EQ(b->AppendArray(NewInt(3).get()), -1);
  EXPECT_TRUE(b->RemoveElement(object.get()));
  EXPECT_EQ(b->GetCount(), 3);
  EXPECT_EQ(b->FindContainer(b->GetAt(0), 1), b.get());
  EXPECT_EQ(b->FindContainer(b->GetAt(0), 0), nullptr);
  EXPECT_EQ(b->FindContainer(object.get(), 1), nullptr);
}

TEST_F(Values, FindMemberDeepSearchesElementsToADepth) {
  auto inner = Make<TOL_VarObject>();
  inner->SetMember(NewInt(3).get(), "HP");
  auto middle = NewArray();
  middle->Add(inner.get());
  auto outer = NewArray();
  outer->Add(middle.get());
  EXPECT_EQ(outer->FindMemberDeep(Atom::Intern("HP"), 1), nullptr);
  ASSERT_NE(outer->FindMemberDeep(Atom::Intern("HP"), 2), nullptr);
  EXPECT_EQ(outer->FindMemberDeep(Atom::Intern("HP"), 2)->GetLong(), 3);
}

TEST_F(Values, ObjectCloneCopiesValuesSharesCallablesAndCopiesArrays) {
  auto type = Make<TOL_VarObject>();
  auto function = Make<TOL_VarFunction>();
  auto items = NewArray();
  items->Add(NewInt(1).get());
  auto partner = Make<TOL_VarObject>();
  type->SetMember(NewInt(10).get(), "HP");
  type->SetMember(function.get(), "ACT");
  type->SetMember(items.get(), "ITEMS");
  type->SetMember(NewRef(partner.get()).get(), "PARTNER");
  VarRef instance = type->Clone(nullptr);
  EXPECT_EQ(instance->GetBase(), type.get());
  EXPECT_EQ(instance->GetType(), kTypeObject);
  TOL_Var* hp = static_cast<TOL_VarObject*>(instance.get())->FindOwnMember(Atom::Intern("HP"));
  ASSERT_NE(hp, nullptr);
  EXPECT_NE(hp, type->FindOwnMember(Atom::Intern("HP")));
  hp->Assign(NewInt(3).get());
  EXPECT_EQ(type->FindMember(Atom::Intern("HP"))->GetLong(), 10);
  EXPECT_EQ(instance->FindMember(Atom::Intern("ACT")), function.get());
  TOL_Var* copiedItems = instance->FindMember(Atom::Intern("ITEMS"));
  EXPECT_NE(copiedItems, items.get());
  EXPECT_EQ(copiedItems->GetCount(), 1);
  EXPECT_EQ(instance->FindMember(Atom::Intern("PARTNER"))->GetTarget(), partner.get());
}

TEST_F(Values, ArrayCloneWrapsCopiedObjectsInReferences) {
  auto source = NewArray();
  auto object = Make<TOL_VarObject>();
  object->SetMember(NewInt(5).get(), "V");
  source->Add(NewRef(object.get()).get());
  source->Add(NewString("s").get());
  auto function = Make<TOL_VarFunction>();
  source->Add(function.get());
  source->Add(source.get());  // contains itself: copying must end
  VarRef copy = source->Clone(nullptr);
  ASSERT_EQ(copy->GetType(), kTypeArray);
  ASSERT_EQ(copy->GetCount(), 4);
  EXPECT_EQ(copy->GetBase(), source.get());
  TOL_Var* first = copy->GetAt(0);
  EXPECT_NE(dynamic_cast<TOL_VarRef*>(first), nullptr);
  EXPECT_NE(first->GetTarget(), object.get());
  EXPECT_EQ(first->FindMember(Atom::Intern("V"))->GetLong(), 5);
  EXPECT_NE(copy->GetAt(1), source->GetAt(1));
  EXPECT_EQ(copy->GetAt(2), function.get());
}

TEST_F(Values, ConstantsHoldNullTrueFalse) {
  EXPECT_EQ(constants::Find(Atom::Intern("NULL"))->GetType(), kTypeNone);
  EXPECT_TRUE(constants::Find(Atom::Intern("TRUE"))->GetBool());
  EXPECT_EQ(constants::Find(Atom::Intern("FALSE"))->GetType(), kTypeBool);
  EXPECT_FALSE(constants::Find(Atom::Intern("FALSE"))->GetBool());
  constants::Define("limit", NewInt(99).get());
  EXPECT_EQ(constants::Find("LIMIT")->GetLong(), 99);
}

class CountingFunction : public TOL_VarFunction {
 public:
  int calls = 0;
  VarRef Call(TOL_VarObArray*) override {
    ++calls;
    return NewInt(42);
  }
};

TEST_F(Values, ApplyModelCallsAssignsAndFillsArrays) {
  auto base = Make<TOL_VarObject>();
  base->SetMember(NewInt(1).get(), "A");
  auto model = Make<TOL_VarObject>();
  model->SetBase(base.get());
  auto formula = Make<CountingFunction>();
  model->SetMember(formula.get(), "B");
  auto list = NewArray();
  list->Add(NewString("7").get());
  list->Add(formula.get());
  model->SetMember(list.get(), "C");
  model->SetMember(NewInt(5).get(), "NOT_IN_TARGET");

  auto target = Make<TOL_VarObject>();
  target->SetMember(NewInt(0).get(), "A");
  target->SetMember(NewString("").get(), "B");
  target->SetMember(NewRef().get(), "C");
  ApplyModel(model.get(), target.get(), nullptr);
  EXPECT_EQ(target->FindMember(Atom::Intern("A"))->GetLong(), 1);
  EXPECT_EQ(target->FindMember(Atom::Intern("B"))->GetString(), "42");
  TOL_Var* c = target->FindMember(Atom::Intern("C"));
  ASSERT_EQ(c->GetType(), kTypeArray);
  ASSERT_EQ(c->GetCount(), 2);
  EXPECT_EQ(c->GetAt(0)->GetString(), "7");
  EXPECT_EQ(c->GetAt(1)->GetLong(), 42);
  EXPECT_EQ(formula->calls, 2);
  EXPECT_EQ(target->FindMember(Atom::Intern("NOT_IN_TARGET")), nullptr);
}

}  // namespace
}  // namespace tav::script

namespace tav::script {
namespace {

TEST_F(Values, CopiesOfSharedStructureAreMadeOnceAndFinish) {
  // Each object holds the next one twice: copying path by path would take 2^40 steps.
  auto first = Make<TOL_VarObject>();
  TOL_VarObject* last = first.get();
  for (int i = 0; i < 40; ++i) {
    auto next = Make<TOL_VarObject>();
    last->SetMember(next.get(), "A");
    last->SetMember(next.get(), "B");
    last = next.get();
  }
  last->SetMember(first.get(), "BACK");  // and a cycle
  VarRef copy = first->Clone(nullptr);
  TOL_Var* a = copy->FindMember(Atom::Intern("A"));
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a, first->FindMember(Atom::Intern("A")));
  EXPECT_EQ(a, copy->FindMember(Atom::Intern("B")));  // the sharing is kept
}

}  // namespace
}  // namespace tav::script
