// Integer-keyed maps and their methods; the stored form of places.
#include <gtest/gtest.h>

#include "archive/archive.h"
#include "method_call_helper.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/objects/var_int_ob_map.h"
#include "script/objects/var_place.h"

namespace tav::script {
namespace {

using testing::CallMethod;

class Maps : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeRuntime();
    RegisterBuiltinMethods();
    archive::RegisterClass(TOL_VarIntObMap::kClassInfo);
    archive::RegisterClass(TOL_VarPlace::kClassInfo);
  }
  void TearDown() override { Registry::CollectGarbageAll(); }
};

TEST_F(Maps, SetAtStoresAReferenceOfItsOwn) {
  auto m = NewIntObMap();
  auto x = Make<TOL_VarObject>();
  auto variable = NewRef(x.get());
  EXPECT_EQ(CallMethod(m.get(), "SETAT", {NewInt(7), variable}), nullptr);
  VarRef got = CallMethod(m.get(), "GETAT", {NewInt(7)});
  EXPECT_EQ(got->GetTarget(), x.get());
  EXPECT_NE(got.get(), m->GetAt(7));  // a new reference each time
  variable->Assign(NewInt(1).get());  // re-targeting the variable leaves the map alone
  EXPECT_EQ(m->GetAt(7)->GetTarget(), x.get());
  EXPECT_EQ(CallMethod(m.get(), "GETAT", {NewInt(8)})->GetType(), kTypeNone);
  EXPECT_EQ(CallMethod(m.get(), "COUNT")->GetLong(), 1);
  EXPECT_EQ(CallMethod(m.get(), "SETAT", {NewInt(9)}), nullptr);
  EXPECT_EQ(m->GetCount(), 1);
}

TEST_F(Maps, RemoveAnswersWhetherTheKeyWasThere) {
  auto m = NewIntObMap();
  CallMethod(m.get(), "SETAT", {NewInt(7), NewInt(70)});
  EXPECT_TRUE(CallMethod(m.get(), "REMOVE", {NewInt(7)})->GetBool());
  EXPECT_FALSE(CallMethod(m.get(), "REMOVE", {NewInt(7)})->GetBool());
  EXPECT_EQ(CallMethod(m.get(), "REMOVE", {NewInt(7)})->GetType(), kTypeBool);
  EXPECT_EQ(m->GetCount(), 0);
}

TEST_F(Maps, RemoveObLooksThroughTheStoredReferences) {
  auto m = NewIntObMap();
  auto x = Make<TOL_VarObject>();
  auto y = Make<TOL_VarObject>();
  for (int key : {1, -2, 300}) CallMethod(m.get(), "SETAT", {NewInt(key), NewRef(x.get())});
  CallMethod(m.get(), "SETAT", {NewInt(4), NewRef(y.get())});
  EXPECT_EQ(CallMethod(m.get(), "REMOVEOB", {NewRef(x.get())})->GetLong(), 3);
  EXPECT_EQ(m->GetCount(), 1);
  EXPECT_EQ(m->GetAt(4)->GetTarget(), y.get());
  EXPECT_EQ(CallMethod(m.get(), "REMOVEALL"), nullptr);
  EXPECT_EQ(m->GetCount(), 0);
}

TEST_F(Maps, LookupGoesMethodsThenMembersThenBase) {
  auto base = Make<TOL_VarObject>();
  base->SetMember(NewInt(5).get(), "LIMIT");
  auto m = NewIntObMap();
  m->SetBase(base.get());
  m->SetMember(NewInt(1).get(), "count");  // hidden behind the method of the same name
  EXPECT_EQ(m->FindMember("COUNT")->GetType(), kTypeFunction);
  EXPECT_EQ(m->FindMember("LIMIT")->GetLong(), 5);
  EXPECT_EQ(m->FindMember("SORT"), nullptr);  // the array methods are not a map's
  EXPECT_EQ(m->GetType(), kTypeArray);
}

TEST_F(Maps, ElementOperationsMeetEntriesInHashOrder) {
  auto m = NewIntObMap();
  auto x = NewInt(1);
  // 16 falls in bucket 1, 0 and 272 in bucket 0 (key >> 4, modulo 17), the later first.
  m->SetAt(16, x.get());
  m->SetAt(0, x.get());
  EXPECT_EQ(m->IndexOf(x.get()), 0);
  m->SetAt(272, x.get());
  EXPECT_EQ(m->IndexOf(x.get()), 272);
  m->SetAt(0, x.get());  // replacing keeps the place
  EXPECT_EQ(m->IndexOf(x.get()), 272);
  EXPECT_TRUE(m->RemoveElement(x.get()));
  EXPECT_EQ(m->GetAt(272), nullptr);
  EXPECT_EQ(m->IndexOf(NewInt(1).get()), -1);
  // Negative keys hash as their unsigned pattern.
  m->SetAt(-1, NewInt(2).get());
  EXPECT_EQ(m->EntriesInHashOrder().front().first, 0);
}

TEST_F(Maps, CloneIsAMapWithTheEntries) {
  auto m = NewIntObMap();
  auto x = Make<TOL_VarObject>();
  CallMethod(m.get(), "SETAT", {NewInt(3), NewRef(x.get())});
  m->SetAt(4, NewInt(40).get());
  VarRef copy = m->Clone(nullptr);
  auto* map = dynamic_cast<TOL_VarIntObMap*>(copy.get());
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->GetBase(), m.get());
  EXPECT_EQ(map->GetAt(3)->GetTarget(), x.get());
  EXPECT_NE(map->GetAt(4), m->GetAt(4));
  EXPECT_EQ(map->GetAt(4)->GetLong(), 40);
}

TEST_F(Maps, PlaceStoresTheObjectThenAVersionWord) {
  auto place = Make<TOL_VarPlace>();
  place->SetMember(NewInt(12).get(), "FLOOR");
  auto out = archive::Archive::ForWriting();
  out.WriteObject(place.get());
  std::vector<uint8_t> bytes = out.Bytes();

  auto object = Make<TOL_VarObject>();
  object->SetMember(NewInt(12).get(), "FLOOR");
  auto plain = archive::Archive::ForWriting();
  plain.WriteObject(object.get());
  // The object's payload and the trailing word 1; the class name is one byte shorter.
  ASSERT_EQ(bytes.size(), plain.Bytes().size() - 1 + 2);
  EXPECT_EQ(bytes[bytes.size() - 2], 1);
  EXPECT_EQ(bytes[bytes.size() - 1], 0);

  auto in = archive::Archive::ForReading(bytes);
  VarRef loaded = VarRef::Adopt(in.ReadObjectAs<TOL_Var>());
  ASSERT_NE(dynamic_cast<TOL_VarPlace*>(loaded.get()), nullptr);
  EXPECT_EQ(loaded->FindMember("FLOOR")->GetLong(), 12);
  EXPECT_EQ(loaded->GetType(), kTypeObject);

  bytes.pop_back();  // without its last byte the place is refused, not half-read
  auto truncated = archive::Archive::ForReading(bytes);
  EXPECT_THROW(truncated.ReadObject(), archive::ArchiveError);
}

}  // namespace
}  // namespace tav::script
