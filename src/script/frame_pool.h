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

#include "script/number_value.h"

namespace tav::script {

class TOL_Var;
class TOL_VarObArray;
struct LentFrame;

struct LentArgument {
  Number number;
  uint64_t order = 0;  // the creation order reserved for the argument's copy
};

// A lent frame can start unfilled: its parts keep what the last loan left in them, and the call
// keeps the arguments, the receiver and the global object here instead. Most small functions
// only ever read their arguments as numbers and look up the functions they call, which this
// record answers as the filled frame would. Anything else fills the frame first (FramePool::
// FillNow), in place, so the frame is the same object either way; filling counts nothing, so
// when it happens is never seen. Only the innermost call can have an unfilled frame: the code of
// a call runs only while no call it made is in progress.
namespace frame_pool_detail {
inline Atom g_argsName;
inline Atom g_thisName;
}  // namespace frame_pool_detail

struct UnfilledFrame {
  static constexpr size_t kMaxArguments = 8;
  TOL_VarObArray* frame = nullptr;
  size_t count = 0;
  uint64_t argsOrder = 0;
  TOL_Var* self = nullptr;     // what the THIS slot and member will hold
  TOL_Var* globals = nullptr;  // what the global slot will hold
  LentArgument arguments[kMaxArguments];

  // The names of the frame's two members, known by the time any frame is lent.
  static Atom ArgsName() { return frame_pool_detail::g_argsName; }
  static Atom ThisName() { return frame_pool_detail::g_thisName; }
};

namespace frame_pool_detail {
// The innermost call's record while its frame is unfilled; null otherwise.
inline UnfilledFrame* g_unfilled = nullptr;
inline TOL_VarObArray* g_unfilledFrame = nullptr;
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

    TOL_VarObArray* Frame() const;

   private:
    LentFrame* unit_;
    UnfilledFrame* outerUnfilled_;  // the record published before this loan began
  };

  // Where the caller writes the arguments of the next loan before opening it (nothing may run
  // in between): they go straight to the unit that loan takes.
  static LentArgument* NextArguments();

  // Fills `frame` if it is the unfilled one; anything that reads a frame other than through
  // UnfilledRecord calls this first.
  static void FillNow(const TOL_VarObArray* frame) {
    if (frame == frame_pool_detail::g_unfilledFrame && frame) [[unlikely]] FillUnfilled();
  }

  // A lent argument copy whose count fell to zero during its call was promoted (the registry
  // calls this): the loan no longer answers for it.
  static void Forget(TOL_Var* var);
  // At exit, after the registry destroyed every value: frees the parts no loan holds.
  static void DestroyAll();

 private:
  static void FillUnfilled();
  static LentFrame* Next();
  static LentFrame* Build();
  static void Fill(LentFrame& unit);
  static void Bind(LentFrame& unit, TOL_Var* self, TOL_Var* globals);
  static void Unbind(LentFrame& unit);
  static bool Untouched(const LentFrame& unit);
  static void GiveBack(LentFrame& unit);
  static void Promote(LentFrame& unit);
  static void DestroyParts(LentFrame& unit);
};

}  // namespace tav::script
