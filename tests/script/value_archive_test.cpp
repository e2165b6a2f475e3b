#include <gtest/gtest.h>

#include "archive/archive.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/core/var_array.h"
#include "script/core/var_ref.h"

namespace tav::script {
namespace {

class ValueArchive : public ::testing::Test {
 protected:
  void SetUp() override { InitializeRuntime(); }
  void TearDown() override {
    base_keys::Clear();
    Registry::CollectGarbageAll();
  }
};

std::vector<uint8_t> Store(TOL_Var* value) {
  archive::Archive out = archive::Archive::ForWriting();
  out.WriteObject(value);
  return out.Bytes();
}

VarRef Load(std::vector<uint8_t> bytes) {
  archive::Archive in = archive::Archive::ForReading(std::move(bytes));
  return VarRef::Adopt(in.ReadObjectAs<TOL_Var>());
}

TEST_F(ValueArchive, ScalarBytesAreExact) {
  std::vector<uint8_t> expected = {0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00};
  for (char c : std::string("TOL_VarInt")) expected.push_back(static_cast<uint8_t>(c));
  expected.insert(expected.end(), {0x01, 0x00, 0xFE, 0xFF, 0xFF, 0xFF});  // version 1, INT -2
  EXPECT_EQ(Store(NewInt(-2).get()), expected);

  std::vector<uint8_t> text = Store(NewString("ab").get());
  std::vector<uint8_t> tail(text.end() - 5, text.end());
  EXPECT_EQ(tail, (std::vector<uint8_t>{0x01, 0x00, 0x02, 'a', 'b'}));
}

TEST_F(ValueArchive, EveryClassRoundTrips) {
  auto array = NewArray();
  array->Add(NewBool(true).get());
  array->Add(NewInt(-7).get());
  array->Add(NewDouble(0.25).get());
  array->Add(NewInt64(1LL << 40).get());
  array->Add(NewString(std::string(300, 'x')).get());
  auto object = Make<TOL_VarObject>();
  object->SetMember(NewInt(3).get(), "hp");
  array->Add(NewRef(object.get()).get());
  array->Add(NewRef(object.get()).get());  // the same object twice: a back-reference
  array->Add(NewRef().get());
  array->SetMember(NewString("named").get(), "NAME");

  VarRef loaded = Load(Store(array.get()));
  ASSERT_EQ(loaded->GetType(), kTypeArray);
  ASSERT_EQ(loaded->GetCount(), 8);
  EXPECT_EQ(loaded->GetAt(0)->GetType(), kTypeBool);
  EXPECT_TRUE(loaded->GetAt(0)->GetBool());
  EXPECT_EQ(loaded->GetAt(1)->GetLong(), -7);
  EXPECT_EQ(loaded->GetAt(2)->GetDouble(), 0.25);
  EXPECT_EQ(loaded->GetAt(3)->GetInt64(), 1LL << 40);
  EXPECT_EQ(loaded->GetAt(4)->GetString(), std::string(300, 'x'));
  TOL_Var* first = loaded->GetAt(5)->GetTarget();
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, object.get());
  EXPECT_EQ(first->FindMember(Atom::Intern("HP"))->GetLong(), 3);
  EXPECT_EQ(loaded->GetAt(6)->GetTarget(), first);
  EXPECT_EQ(loaded->GetAt(7)->GetType(), kTypeNone);
  EXPECT_EQ(loaded->FindMember(Atom::Intern("NAME"))->GetString(), "named");
  // Written again, the bytes are the same.
  EXPECT_EQ(Store(loaded.get()), Store(array.get()));
}

TEST_F(ValueArchive, BoolReadsAnyNonZeroByteAsTrue) {
  std::vector<uint8_t> bytes = Store(NewBool(true).get());
  bytes.back() = 0x7F;
  VarRef loaded = Load(bytes);
  EXPECT_TRUE(loaded->GetBool());
  EXPECT_EQ(loaded->GetLong(), 1);
}

TEST_F(ValueArchive, BaseKeysNameTheBaseObject) {
  auto base = Make<TOL_VarObject>();
  base->SetMember(NewInt(8).get(), "FROM_BASE");
  auto object = Make<TOL_VarObject>();
  std::vector<uint8_t> noKey = Store(object.get());
  base_keys::Set(77, base.get());
  std::vector<uint8_t> withKey = Store(object.get());
  VarRef loaded = Load(withKey);
  EXPECT_EQ(loaded->GetBase(), base.get());
  EXPECT_EQ(loaded->FindMember(Atom::Intern("FROM_BASE"))->GetLong(), 8);
  // Stored with an empty table the key is 0x80000000, which names no base.
  EXPECT_EQ(Load(noKey)->GetBase(), nullptr);
}

TEST_F(ValueArchive, TruncatedValuesFailCleanly) {
  auto array = NewArray();
  array->Add(NewString("hello").get());
  array->Add(Make<TOL_VarObject>().get());
  std::vector<uint8_t> bytes = Store(array.get());
  int before = Registry::CollectGarbageAll();
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    std::vector<uint8_t> part(bytes.begin(), bytes.begin() + cut);
    EXPECT_THROW(Load(part), archive::ArchiveError) << "cut at " << cut;
  }
  EXPECT_EQ(Registry::CollectGarbageAll(), before);  // nothing half-read is kept
}

TEST_F(ValueArchive, CopyElementsMakesDeepCopies) {
  auto object = Make<TOL_VarObject>();
  object->SetMember(NewInt(1).get(), "X");
  auto source = NewArray();
  source->Add(object.get());
  source->Add(NewInt(5).get());
  auto copy = NewArray();
  copy->Add(NewInt(0).get());
  EXPECT_EQ(copy->CopyElements(source.get()), 2);
  ASSERT_EQ(copy->GetCount(), 2);
  EXPECT_NE(copy->GetAt(0), object.get());
  copy->GetAt(0)->FindMember(Atom::Intern("X"))->Assign(NewInt(9).get());
  EXPECT_EQ(object->FindMember(Atom::Intern("X"))->GetLong(), 1);
  EXPECT_EQ(copy->GetAt(1)->GetLong(), 5);
  EXPECT_EQ(copy->CopyElements(NewInt(1).get()), 0);
}

}  // namespace
}  // namespace tav::script
