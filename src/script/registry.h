// The object registry and the collection passes.
//
// Every value is recorded in creation order. A pass walks the registry from the newest value to
// the oldest and destroys each value whose count is zero or less; a value dropped by a destructor
// during the pass is destroyed in the same pass when it is older than the one being destroyed,
// otherwise in the next. Only values whose count actually fell to zero are visited, so a pass
// costs in proportion to what it frees, not to everything alive.
#pragma once

#include <cstdint>
#include <functional>

namespace tav::script {

class TOL_Var;

class Registry {
 public:
  // One pass; answers the number of values still tracked.
  static int CollectGarbage();
  // One pass unless fewer than `intervalMs` passed since the last pass that ran — or, whatever
  // the clock says, when many values wait: headless the clock is virtual and stands still inside
  // a loop, and memory must stay bounded there too; and values freed while they are still in
  // the processor's caches cost a fraction of those freed long after.
  static int CollectGarbage(uint32_t intervalMs);
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

 private:
  friend class TOL_Var;
  friend void NoteUnreferenced(TOL_Var* var);
  static void Link(TOL_Var* var);
  static void Unlink(TOL_Var* var);
  static void Note(TOL_Var* var);
};

}  // namespace tav::script
