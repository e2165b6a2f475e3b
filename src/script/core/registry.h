// The object registry and the collection passes.
//
// Every value is recorded in creation order. A pass walks the registry from the newest value to
// the oldest and destroys each value whose count is zero or less; a value dropped by a destructor
// during the pass is destroyed in the same pass when it is older than the one being destroyed,
// otherwise in the next. Only values whose count actually fell to zero are visited, so a pass
// costs in proportion to what it frees, not to everything alive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace tav::script {

class TOL_Var;

namespace registry_detail {
// The counts every value creation touches, kept where inline code reaches them directly.
struct Counters {
  uint64_t nextOrder = 1;
  int tracked = 0;
  // Unmade values (see Registry::ReserveUnmade) that were dropped since the last pass.
  size_t unmadeDropped = 0;
  // Values in the list of those waiting for a pass.
  size_t pendingCount = 0;
  // Interval-limited passes look at the clock once this many values wait.
  size_t nextClockReading = 0;
  // Unmade values that leave the count at the next pass without waiting for it themselves: the
  // parts a frame's destruction would drop in the same pass (see Registry::DropBorrowed).
  size_t unmadeCascade = 0;
  // Unmade values that start waiting when the next pass ends (dropped by it, destroyed by the
  // one after).
  size_t unmadeLater = 0;
  // Non-zero: the next value linked takes this creation order and is already tracked
  // (kBorrowOrder: it is made on loan, outside the list and the count).
  uint64_t adoptOrder = 0;
  // The registry is a list of the values from the newest back to the oldest.
  TOL_Var* newest = nullptr;
  TOL_Var* oldest = nullptr;
};
inline Counters g_counters;
inline constexpr uint64_t kBorrowOrder = ~uint64_t{0};
}  // namespace registry_detail

class Registry {
 public:
  // One pass; answers the number of values still tracked.
  static int CollectGarbage();
  // One pass unless fewer than `intervalMs` passed since the last pass that ran — or, whatever
  // the clock says, when many values wait: headless the clock is virtual and stands still inside
  // a loop, and memory must stay bounded there too; and values freed while they are still in
  // the processor's caches cost a fraction of those freed long after.
  // Loops and calls ask after every iteration and call; the clock is read only when a few more
  // values wait than at the last reading.
  static int CollectGarbage(uint32_t intervalMs) {
    auto& c = registry_detail::g_counters;
    if (c.pendingCount + c.unmadeDropped < c.nextClockReading) return c.tracked;
    return CollectGarbageWhenDue(intervalMs);
  }
  static constexpr size_t kPendingLimit = 1u << 10;
  static constexpr size_t kFewPending = 256;
  // Passes until one frees nothing.
  static int CollectGarbageAll();
  static int TrackedCount();
  static void SetGrowStep(int step);
  // The clock that paces interval-limited passes (the host's tick count).
  static void SetTickSource(std::function<uint32_t()> ticks);
  // Destroys every value still tracked, cycles included, without counting. Used once at exit.
  static void DestroyEverything();

  // Unmade values. The evaluator keeps the numbers its operators answer on its own stack
  // instead of making a value for each; such a number is still counted as the value it stands
  // for, so that what passes answer, when they run and what they free stay exactly as if it had
  // been made: it is tracked from its creation (under the creation order it reserves here), and
  // once dropped it waits for the next pass like a value whose count fell to zero. A number that
  // must become a value after all (stored, passed, returned) is made with MakeUnmade, under its
  // reserved order, without being counted twice.
  static uint64_t ReserveUnmade() {
    auto& c = registry_detail::g_counters;
    ++c.tracked;
    return c.nextOrder++;
  }
  static void DropUnmade() { ++registry_detail::g_counters.unmadeDropped; }
  // `count` values made and dropped at once.
  static void CountUnmade(int count) {
    auto& c = registry_detail::g_counters;
    c.tracked += count;
    c.nextOrder += static_cast<uint64_t>(count);
    c.unmadeDropped += static_cast<size_t>(count);
  }
  // The value constructed by `make` takes over the unmade value of creation order `order`.
  template <class Make>
  static auto MakeUnmade(uint64_t order, Make make) {
    registry_detail::g_counters.adoptOrder = order;
    return make();
  }

  // Borrowed values: the parts of a call frame that the frame pool lends out again and again
  // (frame_pool.h). One is made outside the list and the count; each loan gives it a creation
  // order reserved with ReserveUnmade, so it is counted as the value it stands for. When the
  // call ends the pool either hands its parts back, counting them as dropped as the frame's
  // destruction would drop them (DropBorrowed), or promotes them: they become ordinary values
  // under their reserved orders. A borrowed value whose count falls to zero during a loan is
  // promoted on the spot, so nothing borrowed ever waits in the list.
  template <class Make>
  static auto MakeBorrowed(Make make) {
    registry_detail::g_counters.adoptOrder = registry_detail::kBorrowOrder;
    return make();
  }
  static inline void Promote(TOL_Var* var);  // var.h
  // A borrowed frame given back: `waiting` values wait for the next pass as a dropped value
  // does, `cascade` leave the count in that pass too, `later` are dropped by it and leave the
  // count in the pass after.
  static void DropBorrowed(size_t waiting, size_t cascade, size_t later) {
    auto& c = registry_detail::g_counters;
    c.unmadeDropped += waiting;
    c.unmadeCascade += cascade;
    c.unmadeLater += later;
  }

 private:
  static int CollectGarbageWhenDue(uint32_t intervalMs);
  friend class TOL_Var;
  friend void NoteUnreferenced(TOL_Var* var);
  // Defined in var.h: every value's construction and destruction runs them.
  static void Link(TOL_Var* var);
  static void Unlink(TOL_Var* var);
  static void Note(TOL_Var* var);
};

}  // namespace tav::script
