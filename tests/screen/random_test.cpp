#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <vector>

#include "archive/archive.h"
#include "screen/random.h"
#include "screen/screen_classes.h"
#include "screen/var_random.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/core/var_ref.h"
#include "script_call.h"

namespace tav::screen {
namespace {

using script::NewInt;
using script::NewInt64;
using script::VarRef;
using testing::CallMethod;

class RandomValues : public ::testing::Test {
 protected:
  void SetUp() override {
    script::InitializeRuntime();
    RegisterScreenValueClasses();
  }
  void TearDown() override {
    SetTickSource(nullptr);
    script::Registry::CollectGarbageAll();
  }

  static VarRef Seeded(int64_t seed) {
    auto args = script::NewArray();
    args->Add(NewInt64(seed).get());
    return CreateRandom(args.get());
  }
};

// Answers a fixed list of draws, to drive the shared operations exactly.
class ScriptedRandom : public TOL_Random {
 public:
  explicit ScriptedRandom(std::vector<int32_t> draws) : draws_(std::move(draws)) {}
  void SetSeed(int64_t) override {}
  int32_t Next(int) override { return draws_.at(next_++); }
  double NextGaussian() override { return 0.0; }
  size_t used() const { return next_; }

 private:
  std::vector<int32_t> draws_;
  size_t next_ = 0;
};

TEST_F(RandomValues, FirstDrawAfterSeedZeroIsTheTopOfTheSecondState) {
  const uint64_t multiplier = 0x5DEECE66DULL;
  const uint64_t mask = (1ULL << 48) - 1;
  uint64_t state = (0 ^ multiplier) & mask;
  state = (state * multiplier + 11) & mask;
  const int32_t expected = static_cast<int32_t>(static_cast<uint32_t>(state >> 16));
  EXPECT_EQ(expected, -1155484576);  // the generator's well-known first draw for seed 0

  VarRef random = Seeded(999);
  CallMethod(random.get(), "SETSEED", {NewInt(0)});
  VarRef wide = CallMethod(random.get(), "RANDLONG");
  EXPECT_EQ(static_cast<int32_t>(wide->GetInt64() >> 32), expected);
  // The second draw is the low word, taken unsigned.
  state = (state * multiplier + 11) & mask;
  EXPECT_EQ(static_cast<uint64_t>(wide->GetInt64()),
            (static_cast<uint64_t>(static_cast<uint32_t>(expected)) << 32) + (state >> 16));

  CallMethod(random.get(), "SETSEED", {NewInt(0)});
  EXPECT_DOUBLE_EQ(CallMethod(random.get(), "RANDDOUBLE")->GetDouble(), 0.730967787376657);
  CallMethod(random.get(), "SETSEED", {NewInt(0)});
  EXPECT_NEAR(CallMethod(random.get(), "RANDGAUSSIAN")->GetDouble(), 0.8025330637390305, 1e-15);
}

TEST_F(RandomValues, EqualSeedsGiveEqualSequencesForEveryMethod) {
  VarRef a = Seeded(0x123456789LL);
  VarRef b = script::Make<TOL_VarRandom>();
  CallMethod(b.get(), "SETSEED", {NewInt64(0x123456789LL)});
  for (int round = 0; round < 20; ++round) {
    EXPECT_EQ(CallMethod(a.get(), "RAND", {NewInt(1000)})->GetLong(),
              CallMethod(b.get(), "RAND", {NewInt(1000)})->GetLong());
    EXPECT_EQ(CallMethod(a.get(), "RAND")->GetLong(), CallMethod(b.get(), "RAND")->GetLong());
    EXPECT_EQ(CallMethod(a.get(), "DICE", {NewInt(7), NewInt(3)})->GetLong(),
              CallMethod(b.get(), "DICE", {NewInt(7), NewInt(3)})->GetLong());
    EXPECT_EQ(CallMethod(a.get(), "RANDBOOL")->GetBool(), CallMethod(b.get(), "RANDBOOL")->GetBool());
    EXPECT_EQ(CallMethod(a.get(), "RANDDOUBLE")->GetDouble(),
              CallMethod(b.get(), "RANDDOUBLE")->GetDouble());
    EXPECT_EQ(CallMethod(a.get(), "RANDLONG")->GetInt64(), CallMethod(b.get(), "RANDLONG")->GetInt64());
    EXPECT_EQ(CallMethod(a.get(), "RANDGAUSSIAN")->GetDouble(),
              CallMethod(b.get(), "RANDGAUSSIAN")->GetDouble());
  }
  // Only the random methods answer: no conversions, no members.
  EXPECT_EQ(a->FindMember(script::Atom::Intern("STRING")), nullptr);
  EXPECT_EQ(a->GetType(), script::kTypeNone);
}

TEST_F(RandomValues, RandLimits) {
  VarRef random = Seeded(42);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(CallMethod(random.get(), "RAND", {NewInt(1)})->GetLong(), 0);

  // RAND(), RAND(0) and RAND(-5) are |Next32()| mod 2147483647.
  TOL_AdvancedRandom shadow;
  shadow.SetSeed(42);
  for (int i = 0; i < 50; ++i) shadow.Next32();
  auto nextExpected = [&shadow] {
    return static_cast<int32_t>(std::llabs(static_cast<int64_t>(shadow.Next32())) % 2147483647);
  };
  VarRef none = CallMethod(random.get(), "RAND");
  EXPECT_EQ(none->GetType(), script::kTypeInt);
  EXPECT_EQ(none->GetLong(), nextExpected());
  EXPECT_EQ(CallMethod(random.get(), "RAND", {NewInt(0)})->GetLong(), nextExpected());
  EXPECT_EQ(CallMethod(random.get(), "RAND", {NewInt(-5)})->GetLong(), nextExpected());
  // The one draw whose absolute value does not fit 32 bits still lands in range.
  ScriptedRandom extreme({INT32_MIN, INT32_MIN});
  EXPECT_EQ(RandomBelow(extreme, 0), 1);
  EXPECT_EQ(RandomBelow(extreme, 10), 8);
}

TEST_F(RandomValues, DiceRanges) {
  VarRef random = Seeded(5);
  std::vector<int> seen(7, 0);
  for (int i = 0; i < 600; ++i) {
    int32_t roll = CallMethod(random.get(), "DICE", {NewInt(6)})->GetLong();
    ASSERT_GE(roll, 1);
    ASSERT_LE(roll, 6);
    ++seen[roll];
    int32_t sum = CallMethod(random.get(), "DICE", {NewInt(6), NewInt(3), NewInt(10)})->GetLong();
    ASSERT_GE(sum, 13);
    ASSERT_LE(sum, 28);
  }
  for (int face = 1; face <= 6; ++face) EXPECT_GT(seen[face], 0) << face;
  EXPECT_EQ(CallMethod(random.get(), "DICE", {NewInt(0), NewInt(4)})->GetLong(), 4);
  EXPECT_EQ(CallMethod(random.get(), "DICE", {NewInt(6), NewInt(0), NewInt(7)})->GetLong(), 7);
  EXPECT_EQ(CallMethod(random.get(), "DICE"), nullptr);  // the faces are required
}

TEST_F(RandomValues, BoundedDrawsRejectThePartialTopBlock) {
  // 2147483647 mod 3 = 1, and 2147483647 - 1 + 2 leaves the 32-bit range: drawn again.
  ScriptedRandom rejecting({2147483647, 5});
  EXPECT_EQ(rejecting.NextInt(3), 2);
  EXPECT_EQ(rejecting.used(), 2u);
  ScriptedRandom powerOfTwo({0x40000000});
  EXPECT_EQ(powerOfTwo.NextInt(4), 2);
  ScriptedRandom none({});
  EXPECT_EQ(none.NextInt(0), 0);
  EXPECT_EQ(none.NextInt(-3), 0);
  ScriptedRandom wide({-2, 3});  // the second draw is the low word, unsigned
  EXPECT_EQ(wide.NextLong(), static_cast<int64_t>(0xFFFFFFFE00000003ULL));
}

TEST_F(RandomValues, GaussiansComeInPairs) {
  VarRef random = Seeded(7);
  TOL_AdvancedRandom shadow;
  shadow.SetSeed(7);
  double p, q, s;
  do {
    p = 2 * shadow.NextDouble() - 1;
    q = 2 * shadow.NextDouble() - 1;
    s = p * p + q * q;
  } while (s >= 1 || s == 0);
  double m = std::sqrt(-2 * std::log(s) / s);

  double first = CallMethod(random.get(), "RANDGAUSSIAN")->GetDouble();
  double second = CallMethod(random.get(), "RANDGAUSSIAN")->GetDouble();
  EXPECT_DOUBLE_EQ(first, p * m);
  EXPECT_DOUBLE_EQ(second, q * m);
  // The second call drew nothing.
  EXPECT_EQ(CallMethod(random.get(), "RANDDOUBLE")->GetDouble(), shadow.NextDouble());

  // A new seed forgets the cached half of the pair.
  CallMethod(random.get(), "SETSEED", {NewInt(7)});
  EXPECT_EQ(CallMethod(random.get(), "RANDGAUSSIAN")->GetDouble(), first);
  CallMethod(random.get(), "SETSEED", {NewInt(7)});
  EXPECT_EQ(CallMethod(random.get(), "RANDGAUSSIAN")->GetDouble(), first);
}

TEST_F(RandomValues, SeedWithoutArgumentUsesTimeAndTicks) {
  SetTickSource([] { return 1234u; });
  int64_t before = static_cast<int64_t>(std::time(nullptr));
  VarRef scripted = script::Make<TOL_VarRandom>();
  CallMethod(scripted.get(), "SETSEED");
  VarRef created = CreateRandom(nullptr);
  int64_t after = static_cast<int64_t>(std::time(nullptr));

  int64_t a = CallMethod(scripted.get(), "RANDLONG")->GetInt64();
  int64_t b = CallMethod(created.get(), "RANDLONG")->GetInt64();
  auto matchesSomeSecond = [&](int64_t draw) {
    for (int64_t second = before; second <= after; ++second) {
      TOL_AdvancedRandom expected;
      expected.SetSeed((second << 32) + 1234);
      if (expected.NextLong() == draw) return true;
    }
    return false;
  };
  EXPECT_TRUE(matchesSomeSecond(a));
  EXPECT_TRUE(matchesSomeSecond(b));
}

TEST_F(RandomValues, StoredGeneratorContinuesItsSequence) {
  VarRef random = Seeded(0x7FFFFFFFFFFFLL);
  CallMethod(random.get(), "RANDLONG");
  CallMethod(random.get(), "RANDGAUSSIAN");  // leaves the second half of a pair pending

  archive::Archive out = archive::Archive::ForWriting();
  out.WriteObject(random.get());
  std::vector<uint8_t> bytes = out.Bytes();
  // Version word, seed low dword, seed high 16 bits as a dword, cached double, flag byte.
  ASSERT_GE(bytes.size(), 19u);
  size_t payload = bytes.size() - 19;
  EXPECT_EQ(std::string(bytes.begin() + 6, bytes.begin() + payload), "TOL_VarRandom");
  EXPECT_EQ(bytes[payload], 1);
  EXPECT_EQ(bytes[payload + 1], 0);
  EXPECT_EQ(bytes[payload + 8] | bytes[payload + 9] << 8, 0);  // above 48 bits: nothing
  EXPECT_EQ(bytes.back(), 1);

  archive::Archive in = archive::Archive::ForReading(bytes);
  VarRef loaded = VarRef::Adopt(in.ReadObjectAs<script::TOL_Var>());
  ASSERT_NE(dynamic_cast<TOL_VarRandom*>(loaded.get()), nullptr);
  for (const char* method : {"RANDGAUSSIAN", "RANDGAUSSIAN", "RANDLONG", "RANDDOUBLE"}) {
    EXPECT_EQ(CallMethod(loaded.get(), method)->GetString(),
              CallMethod(random.get(), method)->GetString())
        << method;
  }

  bytes.resize(bytes.size() - 3);
  archive::Archive truncated = archive::Archive::ForReading(bytes);
  EXPECT_THROW(truncated.ReadObject(), archive::ArchiveError);
}

TEST_F(RandomValues, CopiesCarryTheGeneratorState) {
  // RANDOM r = CreateRandom(5); assigns a seeded generator to a declared, unseeded one.
  VarRef declared = script::Make<TOL_VarRandom>();
  declared->Assign(Seeded(5).get());
  VarRef fresh = Seeded(5);
  EXPECT_EQ(CallMethod(declared.get(), "RANDLONG")->GetInt64(),
            CallMethod(fresh.get(), "RANDLONG")->GetInt64());

  // Through a reference too; other values leave the state alone.
  declared->Assign(script::NewRef(Seeded(9).get()).get());
  declared->Assign(NewInt(3).get());
  EXPECT_EQ(CallMethod(declared.get(), "RANDLONG")->GetInt64(),
            CallMethod(Seeded(9).get(), "RANDLONG")->GetInt64());

  // A copy (an argument, an array element) continues independently from the same point.
  CallMethod(fresh.get(), "RANDGAUSSIAN");
  VarRef copy = fresh->Clone(nullptr);
  ASSERT_NE(dynamic_cast<TOL_VarRandom*>(copy.get()), nullptr);
  EXPECT_EQ(CallMethod(copy.get(), "RANDGAUSSIAN")->GetDouble(),
            CallMethod(fresh.get(), "RANDGAUSSIAN")->GetDouble());
  int64_t first = CallMethod(copy.get(), "RANDLONG")->GetInt64();
  int64_t second = CallMethod(copy.get(), "RANDLONG")->GetInt64();
  EXPECT_EQ(CallMethod(fresh.get(), "RANDLONG")->GetInt64(), first);
  EXPECT_EQ(CallMethod(fresh.get(), "RANDLONG")->GetInt64(), second);
  VarRef target = script::Make<TOL_VarRandom>();
  EXPECT_EQ(fresh->Clone(target.get()).get(), target.get());
  EXPECT_EQ(CallMethod(target.get(), "RANDLONG")->GetInt64(),
            CallMethod(fresh.get(), "RANDLONG")->GetInt64());
}

TEST_F(RandomValues, SystemGeneratorIsTheClassicRuntimeSequence) {
  RuntimeRand state;
  TOL_SystemRandom system(state);
  system.SetSeed(1);
  EXPECT_EQ(system.Next(15), 41);
  EXPECT_EQ(system.Next(15), 18467);
  EXPECT_EQ(system.Next(15), 6334);

  system.SetSeed(1);
  EXPECT_EQ(system.Next(3), 41);  // below 16 bits nothing is masked
  system.SetSeed(1);
  EXPECT_EQ(system.Next(16), 41 | (18467 & 1) << 15);
  system.SetSeed(1);
  EXPECT_EQ(system.Next(30), 41 | 18467 << 15);
  system.SetSeed(1);
  EXPECT_EQ(static_cast<uint32_t>(system.Next(31)), 41u | 18467u << 15 | (6334u & 1u) << 30);
  system.SetSeed(1);
  EXPECT_EQ(static_cast<uint32_t>(system.Next(32)), 41u | 18467u << 15 | 6334u << 30);
  EXPECT_EQ(system.NextGaussian(), 0.0);

  // Every system generator draws from the one process state, like the runtime's rand.
  SystemRandom().SetSeed(1);
  TOL_SystemRandom other;
  EXPECT_EQ(other.Next(15), 41);
  EXPECT_EQ(SystemRandom().Next(15), 18467);
  SystemRandom().SetSeed(0x100000001LL);  // only the low 32 bits count
  EXPECT_EQ(SystemRandom().Next(15), 41);
}

}  // namespace
}  // namespace tav::screen
