#include "script/core/frame_pool.h"

#include <memory>
#include <vector>

#include "script/core/frame.h"
#include "script/core/var_array.h"

namespace tav::script {

namespace {

using frame_pool_detail::g_onLoan;
using frame_pool_detail::g_units;

// A unit without parts (they were promoted or freed): the next loan builds new ones.
void Clear(LentFrame& unit) {
  unit.frame = nullptr;
  unit.args = nullptr;
  unit.count = 0;
  unit.unfilled = false;
  unit.exposed = false;
}

TOL_Var::Exact ExactOf(int type) {
  switch (type) {
    case kTypeBool: return TOL_Var::Exact::kBool;
    case kTypeInt: return TOL_Var::Exact::kInt;
    case kTypeDouble: return TOL_Var::Exact::kDouble;
    default: return TOL_Var::Exact::kInt64;
  }
}

}  // namespace

void FramePool::Forget(TOL_Var* var) {
  for (size_t u = 0; u < g_onLoan; ++u) {
    LentFrame* unit = g_units[u].get();
    for (size_t i = 0; i < unit->count; ++i) {
      if (unit->lent[i] == var) unit->lent[i] = nullptr;
    }
  }
}

void FramePool::Expose(TOL_VarObArray* frame) {
  for (size_t u = 0; u < g_onLoan; ++u) {
    LentFrame& unit = *g_units[u];
    if (unit.frame != frame || unit.unfilled || unit.exposed) continue;
    unit.exposed = true;
    for (int slot = kWithSlot; slot < kFrameSlots; slot += 2) SharedEmptySlot()->AddRef();
  }
}

// The unit at the top of the list, made and built if need be.
LentFrame* FramePool::Build() {
  if (g_onLoan == g_units.size()) g_units.push_back(std::make_unique<LentFrame>());
  LentFrame* unit = g_units[g_onLoan].get();
  if (!unit->frame) {
    Ref<TOL_VarObArray> args = Registry::MakeBorrowed([] { return NewArray(); });
    Ref<TOL_VarObArray> frame = Registry::MakeBorrowed([] { return NewArray(); });
    TOL_VarObArray* array = args.get();
    frame->elements_.push_back(std::move(args));
    for (int slot = kThisSlot; slot < kFrameSlots; ++slot) {
      frame->elements_.push_back(VarRef::Adopt(SharedEmptySlot()));
    }
    frame_pool_detail::g_argsName = Names::Args();
    frame_pool_detail::g_thisName = Names::This();
    frame->members_.Append(Names::Args(), array);
    frame->members_.Append(Names::This(), nullptr);
    frame->members_.ValueAt(1) = VarRef::Adopt(SharedEmptySlot());
    unit->frame = frame.Leak();
    unit->args = array;
    unit->record.frame = unit->frame;
  }
  return unit;
}

void FramePool::Fill(LentFrame& unit) {
  const LentArgument* arguments = unit.record.arguments;
  const size_t count = unit.record.count;
  ElementList& elements = unit.args->elements_;
  if (elements.size() > count) {
    for (size_t i = count; i < elements.size(); ++i) delete elements[i].Leak();
    elements.resize(count);
  }
  for (size_t i = 0; i < count; ++i) {
    const Number& number = arguments[i].number;
    TOL_Var* value = i < elements.size() ? elements[i].get() : nullptr;
    if (value && value->ExactClass() == ExactOf(number.type)) {
      AssignNumber(value, number);
    } else {
      VarRef made = Registry::MakeBorrowed([&] { return number.MakeValue(); });
      if (value) {
        delete elements[i].Leak();
        elements[i] = std::move(made);
      } else {
        elements.push_back(std::move(made));
      }
      value = elements[i].get();
    }
    value->order_ = arguments[i].order;
    unit.lent[i] = value;
  }
  unit.count = count;
  unit.args->order_ = unit.record.argsOrder;
}

// An idle unit's slots hold the shared empty reference without counting it (it lives as long as
// the process): binding and unbinding count only what a call binds.
void FramePool::Bind(LentFrame& unit, TOL_Var* self, TOL_Var* globals) {
  ElementList& slots = unit.frame->elements_;
  slots[kThisSlot].Leak();
  slots[kThisSlot] = VarRef(self);
  slots[kGlobalSlot].Leak();
  slots[kGlobalSlot] = VarRef(globals);
  VarRef& member = unit.frame->members_.ValueAt(1);
  member.Leak();
  member = VarRef(self);
}

void FramePool::Unbind(LentFrame& unit) {
  ElementList& slots = unit.frame->elements_;
  slots[kThisSlot] = VarRef::Adopt(SharedEmptySlot());
  slots[kGlobalSlot] = VarRef::Adopt(SharedEmptySlot());
  unit.frame->members_.ValueAt(1) = VarRef::Adopt(SharedEmptySlot());
}

// Nothing but the frame holds the parts, and they are as lent: no local was declared (a member
// of the frame), ARGS and THIS still name what they named, nothing else counts the array or a
// copy, and the copies are still the array's elements.
bool FramePool::Untouched(const LentFrame& unit) {
  const TOL_VarObArray& frame = *unit.frame;
  const TOL_VarObArray& args = *unit.args;
  if (!frame.borrowed_ || frame.refs_ != 1 || !args.borrowed_ || args.refs_ != 2) return false;
  const auto& members = frame.members_.Entries();
  // The slots are out of scripts' reach: slot 1 still holds the receiver bound to THIS.
  if (members.size() != 2 || members[0].value.get() != &args ||
      members[1].value.get() != frame.elements_[kThisSlot].get()) {
    return false;
  }
  if (!args.members_.Empty() || args.base_ || frame.base_) return false;
  if (args.elements_.size() != unit.count) return false;
  for (size_t i = 0; i < unit.count; ++i) {
    const TOL_Var* value = args.elements_[i].get();
    if (value != unit.lent[i] || !value->borrowed_ || value->refs_ != 1) return false;
  }
  return true;
}

// Counted as the frame's destruction in the next pass would drop them (frame_pool.h).
void FramePool::GiveBack(LentFrame& unit) {
  size_t cascade = 1, later = 0;
  for (size_t i = 0; i < unit.count; ++i) ++(unit.lent[i]->order_ < unit.args->order_ ? cascade : later);
  Registry::DropBorrowed(1, cascade, later);
  Unbind(unit);
}

// The parts become ordinary values and the frame is released like one a call built itself.
void FramePool::Promote(LentFrame& unit) {
  for (size_t i = 0; i < unit.count; ++i) {
    if (unit.lent[i]) Registry::Promote(unit.lent[i]);
  }
  Registry::Promote(unit.args);
  Registry::Promote(unit.frame);
  // The frame's own destruction releases what its slots hold: the empty ones count from now
  // (an exposed frame's count already).
  if (!unit.exposed) {
    for (int slot = kWithSlot; slot < kFrameSlots; slot += 2) SharedEmptySlot()->AddRef();
  }
  unit.frame->Release();
  Clear(unit);
}

// Fills the unit's frame from its record: at once for a call whose function needs it, or when an
// unfilled one is first needed.
void FramePool::OpenFilled(LentFrame& unit) {
  unit.unfilled = false;
  frame_pool_detail::g_unfilled = nullptr;
  frame_pool_detail::g_unfilledFrame = nullptr;
  Fill(unit);
  unit.frame->order_ = unit.record.frameOrder;
  Bind(unit, unit.record.self, unit.record.globals);
}

void FramePool::CloseFilled(LentFrame& unit) {
  if (!unit.exposed && Untouched(unit)) GiveBack(unit);
  else FramePool::Promote(unit);
}

void FramePool::FillUnfilled() {
  // The innermost loan's, as only the innermost call's code runs (frame_pool.h).
  size_t top = g_onLoan;
  while (top > 0 && &g_units[top - 1]->record != frame_pool_detail::g_unfilled) --top;
  if (top > 0) OpenFilled(*g_units[top - 1]);
}

// Counting is off by now (every ordinary value is gone), so the parts are simply freed.
void FramePool::DestroyParts(LentFrame& unit) {
  if (!unit.frame) return;
  std::vector<TOL_Var*> copies;
  for (VarRef& element : unit.args->elements_) copies.push_back(element.Leak());
  delete unit.frame;
  delete unit.args;
  for (TOL_Var* copy : copies) delete copy;
  Clear(unit);
}

void FramePool::DestroyAll() {
  for (auto& unit : g_units) DestroyParts(*unit);
}

}  // namespace tav::script
