// Frames on loan for calls with number arguments.
//
// Every script call builds a frame, an argument array and a copy of each argument, and drops
// them when it returns; a later collection pass destroys them. For a call whose arguments are
// all numbers, the pool lends out parts built once and used again and again instead: they are
// real values that the callee uses as it would use new ones, but they stay out of the
// registry's list (Registry::MakeBorrowed). Each loan reserves the creation orders the new
// values would have taken, in the same sequence, so they are counted exactly as those would be.
//
// When the call ends, the pool looks at what the callee did with them. If nothing but the frame
// holds them (no local was declared, nothing kept ARGS or an argument, the arguments are still
// the array's elements), they are handed back and counted as dropped the way the frame's
// destruction would have dropped them: the frame waits for the next pass; the argument array,
// older than the frame, goes in the same pass; an argument copy goes in the same pass when it
// is older than the array (a number an operator made before the call), in the one after when
// newer. Otherwise they are promoted to ordinary values under their reserved orders and the
// frame is released as any other, so whatever a script kept, passes and answers stay the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "script/core/number_value.h"
#include "script/core/registry.h"

namespace tav::script {

class TOL_Var;
class TOL_VarObArray;
struct LentFrame;

struct LentArgument {
  Number number;
  uint64_t order = 0;  // the creation order reserved for the argument's copy
};

namespace frame_pool_detail {
// The names of a lent frame's two members (set when the first unit is built).
inline Atom g_argsName;
inline Atom g_thisName;
}  // namespace frame_pool_detail

// A lent frame can start unfilled: its parts keep what the last loan left in them, and the call
// keeps the arguments, the receiver and the global object here instead. Most small functions
// only ever read their arguments as numbers and look up the functions they call, which this
// record answers as the filled frame would. Anything else fills the frame first (FramePool::
// FillNow), in place, so the frame is the same object either way; filling counts nothing, so
// when it happens is never seen. Only the innermost call can have an unfilled frame: the code of
// a call runs only while no call it made is in progress.
struct UnfilledFrame {
  static constexpr size_t kMaxArguments = 8;
  TOL_VarObArray* frame = nullptr;
  size_t count = 0;
  uint64_t argsOrder = 0;
  uint64_t frameOrder = 0;
  TOL_Var* self = nullptr;     // what the THIS slot and member will hold
  TOL_Var* globals = nullptr;  // what the global slot will hold
  LentArgument arguments[kMaxArguments];

  // The names of the frame's two members.
  static Atom ArgsName() { return frame_pool_detail::g_argsName; }
  static Atom ThisName() { return frame_pool_detail::g_thisName; }
};

// A frame with its argument array and argument copies. The frame's count is the unit's; the
// array is held by the frame's slot 0 and its ARGS member, each copy by the array. Between
// loans the THIS and global slots and the THIS member hold the shared empty reference, so an
// idle unit keeps nothing of a script's alive. What every call touches comes first, so that a
// call with few arguments stays in one or two cache lines of its unit.
struct LentFrame {
  TOL_VarObArray* frame = nullptr;  // null: not built yet, or its parts were promoted
  // While the frame is unfilled: what the call lent it, kept here instead of in its parts.
  bool unfilled = false;
  UnfilledFrame record;  // also where the arguments of every loan are written
  TOL_VarObArray* args = nullptr;
  // The copies lent for the current call; an entry is cleared when its copy is promoted
  // during the call (its count fell to zero), as it may be destroyed before the call ends.
  TOL_Var* lent[UnfilledFrame::kMaxArguments] = {};
  size_t count = 0;
  // Handed to code that may change the frame's slots (FramePool::Expose): its empty slots are
  // counted, and the loan ends by promoting the parts.
  bool exposed = false;
};

namespace frame_pool_detail {
// The innermost call's record while its frame is unfilled; null otherwise. Its frame is kept
// beside it so that the check every plan leaf and lookup makes is one load.
inline UnfilledFrame* g_unfilled = nullptr;
inline TOL_VarObArray* g_unfilledFrame = nullptr;
// Scripts run on one thread (as the registry), so the pool is process-wide. Loans nest (each
// lasts for a call), so the units on loan are always the first g_onLoan ones. The list outlives
// static destructors, as the registry does: the units stay reachable until DestroyAll.
inline std::vector<std::unique_ptr<LentFrame>>& g_units = *new std::vector<std::unique_ptr<LentFrame>>;
inline size_t g_onLoan = 0;
}  // namespace frame_pool_detail

// The record of `frame` when it is unfilled, else null.
inline const UnfilledFrame* UnfilledRecord(const TOL_VarObArray* frame) {
  return frame == frame_pool_detail::g_unfilledFrame ? frame_pool_detail::g_unfilled : nullptr;
}

class FramePool {
 public:
  static constexpr size_t kMaxArguments = UnfilledFrame::kMaxArguments;

  // One loan, for the length of a call.
  class Loan {
   public:
    // A frame whose ARGS holds copies of the first `count` numbers written to NextArguments
    // (at most kMaxArguments), made under `argsOrder` for the array and each argument's own
    // order, and whose THIS and global slots hold `self` and `globals` (both ordinary values,
    // never null, held by the caller for the length of the call). Reserves the frame's order.
    // With `unfilled`, the frame starts unfilled (UnfilledFrame).
    Loan(uint64_t argsOrder, size_t count, TOL_Var* self, TOL_Var* globals, bool unfilled);
    ~Loan();  // hands the parts back, or promotes them and releases the frame
    Loan(const Loan&) = delete;
    Loan& operator=(const Loan&) = delete;

    TOL_VarObArray* Frame() const { return unit_->frame; }

   private:
    LentFrame* unit_;
    UnfilledFrame* outerUnfilled_;  // the record published before this loan began
  };

  // Where the caller writes the arguments of the next loan before opening it (nothing may run
  // in between): they go straight to the unit that loan takes.
  static LentArgument* NextArguments() { return Next()->record.arguments; }

  // Fills `frame` if it is the unfilled one; anything that reads a frame other than through
  // UnfilledRecord calls this first.
  static void FillNow(const TOL_VarObArray* frame) {
    if (frame == frame_pool_detail::g_unfilledFrame && frame) [[unlikely]] FillUnfilled();
  }

  // A built-in is about to work in `frame` as in a frame a call built (set its WITH slot, add
  // members): if it is a filled frame on loan, its WITH and reserved slots start counting the
  // shared empty reference they hold, as a built frame's do, so that replacing them releases a
  // count that was taken; at the end of the loan its parts are promoted.
  static void Expose(TOL_VarObArray* frame);
  // A lent argument copy whose count fell to zero during its call was promoted (the registry
  // calls this): the loan no longer answers for it.
  static void Forget(TOL_Var* var);
  // At exit, after the registry destroyed every value: frees the parts no loan holds.
  static void DestroyAll();

 private:
  static void FillUnfilled();
  // The unit the next loan takes, built if need be.
  static LentFrame* Next() {
    using namespace frame_pool_detail;
    if (g_onLoan < g_units.size()) [[likely]] {
      LentFrame* unit = g_units[g_onLoan].get();
      if (unit->frame) [[likely]] return unit;
    }
    return Build();
  }
  static LentFrame* Build();
  static void OpenFilled(LentFrame& unit);
  static void CloseFilled(LentFrame& unit);
  static void Fill(LentFrame& unit);
  static void Bind(LentFrame& unit, TOL_Var* self, TOL_Var* globals);
  static void Unbind(LentFrame& unit);
  static bool Untouched(const LentFrame& unit);
  static void GiveBack(LentFrame& unit);
  static void Promote(LentFrame& unit);
  static void DestroyParts(LentFrame& unit);
};

// Inline: every script call with number arguments opens and closes one.
inline FramePool::Loan::Loan(uint64_t argsOrder, size_t count, TOL_Var* self, TOL_Var* globals, bool unfilled)
    : unit_(Next()), outerUnfilled_(frame_pool_detail::g_unfilled) {
  ++frame_pool_detail::g_onLoan;
  LentFrame& unit = *unit_;
  UnfilledFrame& record = unit.record;  // the arguments are there already
  record.count = count;
  record.argsOrder = argsOrder;
  record.frameOrder = Registry::ReserveUnmade();
  record.self = self;
  record.globals = globals;
  if (!unfilled) [[unlikely]] {
    OpenFilled(unit);
    return;
  }
  unit.unfilled = true;
  unit.count = 0;  // no copy is lent until the frame is filled
  frame_pool_detail::g_unfilled = &record;
  frame_pool_detail::g_unfilledFrame = unit.frame;
}

inline FramePool::Loan::~Loan() {
  --frame_pool_detail::g_onLoan;
  LentFrame& unit = *unit_;
  if (unit.unfilled) [[likely]] {
    // Never filled, so nothing but the frame ever held its parts: handed back as an untouched
    // frame is.
    unit.unfilled = false;
    const UnfilledFrame& record = unit.record;
    size_t cascade = 1, later = 0;
    for (size_t i = 0; i < record.count; ++i) ++(record.arguments[i].order < record.argsOrder ? cascade : later);
    Registry::DropBorrowed(1, cascade, later);
  } else {
    CloseFilled(unit);
  }
  // The caller's frame, if unfilled, is unfilled still: its code did not run meanwhile.
  frame_pool_detail::g_unfilled = outerUnfilled_;
  frame_pool_detail::g_unfilledFrame = outerUnfilled_ ? outerUnfilled_->frame : nullptr;
}

}  // namespace tav::script
