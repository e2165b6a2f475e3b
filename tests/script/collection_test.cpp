#include <gtest/gtest.h>

#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/core/var_array.h"
#include "script/core/var_ref.h"

namespace tav::script {
namespace {

// Counts destructions, so a test can tell exactly which pass freed what.
class Probe : public TOL_VarObject {
 public:
  explicit Probe(int* destroyed) : destroyed_(destroyed) {}
  ~Probe() override { ++*destroyed_; }

 private:
  int* destroyed_;
};

class Collection : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeRuntime();
    Registry::CollectGarbageAll();
    base_ = Registry::TrackedCount();
  }
  int Left() const { return Registry::TrackedCount() - base_; }
  int base_ = 0;
};

TEST_F(Collection, AValueAtZeroStaysReadableUntilAPass) {
  TOL_Var* raw;
  {
    VarRef value = NewInt(17);
    raw = value.get();
  }
  EXPECT_EQ(raw->RefCount(), 0);
  EXPECT_EQ(raw->GetLong(), 17);
  EXPECT_EQ(Left(), 1);
  EXPECT_EQ(Registry::CollectGarbage() - base_, 0);
}

TEST_F(Collection, ARecountedValueSurvives) {
  VarRef keep;
  {
    VarRef value = NewInt(1);
    TOL_Var* raw = value.get();
    value.reset();          // count 0: marked
    keep = VarRef(raw);     // counted again before the pass
  }
  Registry::CollectGarbage();
  EXPECT_EQ(keep->GetLong(), 1);
  EXPECT_EQ(Left(), 1);
}

TEST_F(Collection, OlderChildrenGoInTheSamePassNewerOnesInTheNext) {
  int destroyed = 0;
  {
    // The child is created before its holder: when the holder (newer) is destroyed, the walk
    // from newest to oldest still has the child ahead of it.
    auto child = Make<Probe>(&destroyed);
    auto holder = Make<Probe>(&destroyed);
    holder->SetMember(child.get(), "C");
  }
  EXPECT_EQ(Registry::CollectGarbage() - base_, 0);
  EXPECT_EQ(destroyed, 2);

  destroyed = 0;
  {
    auto holder = Make<Probe>(&destroyed);
    auto child = Make<Probe>(&destroyed);  // newer than its holder
    holder->SetMember(child.get(), "C");
  }
  EXPECT_EQ(Registry::CollectGarbage() - base_, 1);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(Registry::CollectGarbage() - base_, 0);
  EXPECT_EQ(destroyed, 2);
}

TEST_F(Collection, CollectAllRunsUntilNothingIsFreed) {
  int destroyed = 0;
  {
    auto first = Make<Probe>(&destroyed);
    TOL_VarObject* last = first.get();
    for (int i = 0; i < 5; ++i) {  // each link newer than its holder: one pass per link
      auto next = Make<Probe>(&destroyed);
      last->SetMember(next.get(), "NEXT");
      last = next.get();
    }
  }
  EXPECT_EQ(Registry::CollectGarbageAll() - base_, 0);
  EXPECT_EQ(destroyed, 6);
}

TEST_F(Collection, CyclesSurviveCollectionButNotTeardownCounting) {
  int destroyed = 0;
  {
    auto a = Make<Probe>(&destroyed);
    auto b = Make<Probe>(&destroyed);
    a->SetMember(b.get(), "B");
    b->SetMember(a.get(), "A");
  }
  Registry::CollectGarbageAll();
  EXPECT_EQ(destroyed, 0);  // counted cycles are never collected
  EXPECT_EQ(Left(), 2);
}

TEST_F(Collection, LargeNumbersOfValuesAreCollected) {
  {
    auto array = NewArray();
    for (int i = 0; i < 50000; ++i) array->Add(NewString(std::to_string(i)).get());
    array->SetSize(100, -1);
  }
  EXPECT_EQ(Registry::CollectGarbageAll() - base_, 0);
}

TEST_F(Collection, IntervalLimitedPassesWaitForTheClockOrForManyValues) {
  uint32_t now = 1000;
  Registry::SetTickSource([&] { return now; });
  Registry::CollectGarbage();  // records the time of this pass
  const int some = static_cast<int>(Registry::kFewPending);
  for (int i = 0; i < some; ++i) NewInt(i);  // each dropped at once
  EXPECT_EQ(Registry::CollectGarbage(20) - base_, some);
  now += 20;
  // The clock is looked at again once a few more values wait.
  for (int i = 0; i < some; ++i) NewInt(i);
  EXPECT_EQ(Registry::CollectGarbage(20) - base_, 0);
  // A handful of values waiting is not worth a pass, whatever the clock says.
  NewInt(1);
  now += 100;
  EXPECT_EQ(Registry::CollectGarbage(20) - base_, 1);
  // Many values waiting are collected even while the clock stands still.
  for (size_t i = 0; i < Registry::kPendingLimit; ++i) NewInt(2);
  EXPECT_EQ(Registry::CollectGarbage(20) - base_, 0);
  Registry::SetTickSource(nullptr);
}

}  // namespace
}  // namespace tav::script
