// Timed remove events: scheduling rules, carrying out, cancelling and the archive form.
#include <gtest/gtest.h>

#include "archive/archive.h"
#include "builtin_call.h"
#include "engine/builtins/timed_events.h"
#include "screen/var_time.h"
#include "script/core/var_ref.h"

namespace tav::engine::testing {
namespace {

using script::NewArray;
using script::NewInt64;
using script::VarRef;

class TimedEvents : public BuiltinTest {
 protected:
  void SetUp() override {
    BuiltinTest::SetUp();
    RegisterTimedEventClasses();
    events_ = NewArray();
    clock_ = screen::NewTime(100);
    bag_ = NewArray();
    for (int i = 0; i < 3; ++i) {
      items_[i] = script::Make<script::TOL_VarObject>();
      bag_->Add(script::NewRef(items_[i].get()).get());
    }
  }

  // The arguments as a script passes them: references to the objects and the clock.
  script::Ref<script::TOL_VarObArray> Args(std::initializer_list<VarRef> values) {
    auto args = NewArray();
    for (const VarRef& value : values) args->Add(value.get());
    return args;
  }
  static VarRef RefTo(script::TOL_Var* v) { return script::NewRef(v); }

  bool Set(script::TOL_Var* target, int64_t time, script::TOL_Var* container = nullptr) {
    auto args = Args({RefTo(target), RefTo(clock_.get()), NewInt64(time)});
    if (container) args->Add(RefTo(container).get());
    return AddTimeRemoveEvent(*events_, args.get());
  }

  void SetClock(int64_t now) { clock_->Assign(NewInt64(now).get()); }

  script::Ref<script::TOL_VarObArray> events_;
  VarRef clock_;
  script::Ref<script::TOL_VarObArray> bag_;
  VarRef items_[3];
};

TEST_F(TimedEvents, SchedulingNeedsATargetA64BitClockAndAFutureTime) {
  EXPECT_TRUE(Set(items_[0].get(), 100, bag_.get()));  // due exactly now: accepted
  EXPECT_FALSE(Set(items_[0].get(), 99, bag_.get()));  // already past
  auto intClock = Args({RefTo(items_[0].get()), script::NewInt(5), NewInt64(10)});
  EXPECT_FALSE(AddTimeRemoveEvent(*events_, intClock.get()));
  auto twoArgs = Args({RefTo(items_[0].get()), RefTo(clock_.get())});
  EXPECT_FALSE(AddTimeRemoveEvent(*events_, twoArgs.get()));
  auto notArray = Args({RefTo(items_[0].get()), RefTo(clock_.get()), NewInt64(200),
                        RefTo(items_[1].get())});
  EXPECT_FALSE(AddTimeRemoveEvent(*events_, notArray.get()));
  auto emptyTarget = Args({script::NewRef(), RefTo(clock_.get()), NewInt64(200)});
  EXPECT_FALSE(AddTimeRemoveEvent(*events_, emptyTarget.get()));
  EXPECT_EQ(events_->GetCount(), 1);
}

TEST_F(TimedEvents, DueEventsTakeTheTargetOutOfTheContainerNewestFirst) {
  ASSERT_TRUE(Set(items_[0].get(), 100, bag_.get()));
  ASSERT_TRUE(Set(items_[1].get(), 150, bag_.get()));
  ASSERT_TRUE(Set(items_[2].get(), 120, bag_.get()));
  ExecuteDueTimeRemoveEvents(*events_);
  EXPECT_EQ(bag_->GetCount(), 2);
  EXPECT_EQ(bag_->IndexOf(items_[0].get()), -1);
  ASSERT_EQ(events_->GetCount(), 2);
  SetClock(130);  // the clock is read anew on every call
  ExecuteDueTimeRemoveEvents(*events_);
  ASSERT_EQ(bag_->GetCount(), 1);
  EXPECT_EQ(bag_->GetAt(0)->GetTarget(), items_[1].get());
  ASSERT_EQ(events_->GetCount(), 1);
  EXPECT_EQ(dynamic_cast<TAV_TimerRemoveInfo*>(events_->GetAt(0))->Time(), 150);
}

TEST_F(TimedEvents, WithoutAContainerTheTargetIsClearedNotRemoved) {
  auto variable = script::Make<script::TOL_VarRef>(items_[0].get());
  auto counter = script::NewInt(9);
  events_->Add(script::Make<TAV_TimerRemoveInfo>(nullptr, variable.get(), clock_.get(), 50).get());
  auto args = Args({counter, RefTo(clock_.get()), NewInt64(100)});
  ASSERT_TRUE(AddTimeRemoveEvent(*events_, args.get()));
  ExecuteDueTimeRemoveEvents(*events_);
  EXPECT_EQ(variable->Target(), nullptr);  // the reference variable is cleared
  EXPECT_EQ(counter->GetLong(), 0);
  EXPECT_EQ(bag_->GetCount(), 3);  // no array was touched
  EXPECT_EQ(events_->GetCount(), 0);
}

TEST_F(TimedEvents, CancelRemovesEveryMatchOfTargetAndContainer) {
  ASSERT_TRUE(Set(items_[0].get(), 200, bag_.get()));
  ASSERT_TRUE(Set(items_[0].get(), 300));
  ASSERT_TRUE(Set(items_[1].get(), 200, bag_.get()));
  ASSERT_TRUE(Set(items_[0].get(), 400, bag_.get()));
  auto withBag = Args({RefTo(items_[0].get()), RefTo(bag_.get())});
  EXPECT_TRUE(CancelTimeRemoveEvents(*events_, withBag.get()));
  ASSERT_EQ(events_->GetCount(), 2);
  EXPECT_EQ(dynamic_cast<TAV_TimerRemoveInfo*>(events_->GetAt(0))->Time(), 300);
  EXPECT_EQ(dynamic_cast<TAV_TimerRemoveInfo*>(events_->GetAt(1))->Target(), items_[1].get());
  // A container that is no array cancels nothing.
  auto badContainer = Args({RefTo(items_[0].get()), RefTo(items_[2].get())});
  EXPECT_FALSE(CancelTimeRemoveEvents(*events_, badContainer.get()));
  auto alone = Args({RefTo(items_[0].get())});
  EXPECT_TRUE(CancelTimeRemoveEvents(*events_, alone.get()));
  EXPECT_EQ(events_->GetCount(), 1);
  EXPECT_TRUE(CancelTimeRemoveEvents(*events_, nullptr));
  EXPECT_EQ(events_->GetCount(), 1);
}

TEST_F(TimedEvents, ArchiveFormRoundTripsAndRejectsDamage) {
  auto info = script::Make<TAV_TimerRemoveInfo>(bag_.get(), items_[1].get(), clock_.get(), -5000000000LL);
  archive::Archive out = archive::Archive::ForWriting();
  out.WriteObject(info.get());
  std::vector<uint8_t> bytes = out.Bytes();
  // The payload ends with the time as a little-endian 64-bit integer.
  ASSERT_GE(bytes.size(), 8u);
  int64_t stored = 0;
  for (int i = 7; i >= 0; --i) stored = stored << 8 | bytes[bytes.size() - 8 + i];
  EXPECT_EQ(stored, -5000000000LL);

  archive::Archive in = archive::Archive::ForReading(bytes);
  auto loaded = script::Ref<TAV_TimerRemoveInfo>::Adopt(in.ReadObjectAs<TAV_TimerRemoveInfo>());
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->Time(), -5000000000LL);
  ASSERT_NE(loaded->Container(), nullptr);
  EXPECT_EQ(loaded->Container()->GetCount(), 3);
  // The target is the very object the loaded container holds.
  EXPECT_EQ(loaded->Container()->GetAt(1)->GetTarget(), loaded->Target());
  EXPECT_EQ(std::string(loaded->Clock()->GetRuntimeClass().name), "TOL_VarTime");
  EXPECT_EQ(loaded->Clock()->GetInt64(), 100);
  archive::Archive again = archive::Archive::ForWriting();
  again.WriteObject(loaded.get());
  EXPECT_EQ(again.Bytes(), bytes);

  for (size_t cut = 1; cut < bytes.size(); ++cut) {
    archive::Archive damaged = archive::Archive::ForReading({bytes.begin(), bytes.begin() + cut});
    EXPECT_THROW(script::VarRef::Adopt(damaged.ReadObjectAs<script::TOL_Var>()), archive::ArchiveError)
        << cut;
  }
}

TEST_F(TimedEvents, ScriptFunctionsWorkOnTheGameSystemsListOnly) {
  // Without a running game there is no list: nothing is scheduled.
  auto args = Args({RefTo(items_[0].get()), RefTo(clock_.get()), NewInt64(100)});
  EXPECT_FALSE(CallWith("SetTimeRemoveEvent", args.get())->GetBool());
  EXPECT_EQ(CallWith("ExecTimeRemoveEvent", args.get()), nullptr);
}

}  // namespace
}  // namespace tav::engine::testing
