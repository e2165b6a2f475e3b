// Timed remove events: "take this object out of that array (or clear this variable) once that
// clock reaches that time". Scripts schedule them with SetTimeRemoveEvent and carry out the due
// ones themselves with ExecTimeRemoveEvent; the engine has no timer of its own. The game system
// keeps the scheduled events, in order, in its timed remove events array.
#pragma once

#include <cstdint>

#include "script/core/var.h"
#include "script/core/var_array.h"

namespace tav::engine {

// One scheduled removal. It holds a count on each value it names. Its archive form is the
// container, target and clock as object references, then the time as a little-endian 64-bit
// integer (no version word: it is not a script value in the stored form).
class TAV_TimerRemoveInfo : public script::TOL_Var {
  TOL_DECLARE_CLASS(TAV_TimerRemoveInfo)
 public:
  TAV_TimerRemoveInfo() = default;
  // `container` is null or an array (type 6: an array or an integer-keyed map).
  TAV_TimerRemoveInfo(script::TOL_Var* container, script::TOL_Var* target, script::TOL_Var* clock,
                      int64_t time);

  script::TOL_Var* Container() const { return container_.get(); }
  script::TOL_Var* Target() const { return target_.get(); }
  script::TOL_Var* Clock() const { return clock_.get(); }
  int64_t Time() const { return time_; }

  // Due once the clock's current value has reached the time.
  bool IsDue() const;
  // The removal: out of the container when there is one, otherwise the target is given an
  // empty reference (a reference variable is cleared).
  void Carry();

  void Serialize(archive::Archive& ar) override;

 private:
  script::VarRef container_;
  script::VarRef target_;
  script::VarRef clock_;
  int64_t time_ = 0;
};

// Makes TAV_TimerRemoveInfo creatable by its class name for archives. Safe to call again.
void RegisterTimedEventClasses();

// The script functions' work on a given list, argument conventions as theirs.
// SetTimeRemoveEvent(target, clock, time, [container]): false unless added.
// Events a game may have waiting. Each takes about 165 bytes, so a script that schedules one at
// every pass of a loop and never carries them out would take the machine's memory; a real game
// keeps a handful. Past this many, no event is added.
constexpr int kMaxTimedEvents = 1000000;

bool AddTimeRemoveEvent(script::TOL_VarObArray& events, script::TOL_VarObArray* args);
// CancelTimeRemoveEvent(target, [container]): false only for a container that is no array.
bool CancelTimeRemoveEvents(script::TOL_VarObArray& events, script::TOL_VarObArray* args);
// ExecTimeRemoveEvent(): carries out and drops every due event, newest first.
void ExecuteDueTimeRemoveEvents(script::TOL_VarObArray& events);

}  // namespace tav::engine
