#include "engine/builtins/timed_events.h"

#include "archive/archive.h"
#include "engine/builtins/builtin_bodies.h"
#include "engine/engine_services.h"
#include "engine/game_system.h"
#include "os/diagnostics.h"
#include "os/running_position.h"
#include "script/methods/method_args.h"
#include "script/core/scalars.h"
#include "script/core/var_ref.h"

namespace tav::engine {

using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

TOL_IMPLEMENT_CLASS(TAV_TimerRemoveInfo)

TAV_TimerRemoveInfo::TAV_TimerRemoveInfo(TOL_Var* container, TOL_Var* target, TOL_Var* clock,
                                         int64_t time)
    : container_(container), target_(target), clock_(clock), time_(time) {}

bool TAV_TimerRemoveInfo::IsDue() const { return clock_ && clock_->GetInt64() >= time_; }

void TAV_TimerRemoveInfo::Carry() {
  if (!target_) return;
  if (container_) {
    container_->RemoveElement(target_.get());
  } else {
    target_->Assign(script::NewRef().get());
  }
}

void TAV_TimerRemoveInfo::Serialize(archive::Archive& ar) {
  if (ar.IsStoring()) {
    ar.WriteObject(container_.get());
    ar.WriteObject(target_.get());
    ar.WriteObject(clock_.get());
    ar.WriteInt64(time_);
    return;
  }
  // Everything is read before anything changes, so a broken archive leaves the event as it was.
  auto container = VarRef::Adopt(ar.ReadObjectAs<TOL_Var>());
  if (container && container->GetType() != script::kTypeArray) {
    throw archive::ArchiveError(std::string("a timed remove event's container is a ") +
                                container->GetRuntimeClass().name + ", not an array");
  }
  auto target = VarRef::Adopt(ar.ReadObjectAs<TOL_Var>());
  auto clock = VarRef::Adopt(ar.ReadObjectAs<TOL_Var>());
  int64_t time = ar.ReadInt64();
  container_ = std::move(container);
  target_ = std::move(target);
  clock_ = std::move(clock);
  time_ = time;
}

void RegisterTimedEventClasses() { archive::RegisterClass(TAV_TimerRemoveInfo::kClassInfo); }

bool AddTimeRemoveEvent(TOL_VarObArray& events, TOL_VarObArray* args) {
  MethodArgs a(args);
  if (a.Count() < 3) return false;
  TOL_Var* target = a.Value(0);
  TOL_Var* clock = a.Value(1);
  if (!target || !clock || clock->GetType() != script::kTypeInt64) return false;
  const int64_t time = a.Int64(2);
  // An event that is already due is not added; one due exactly now is.
  if (time < clock->GetInt64()) return false;
  TOL_Var* container = a.Has(3) ? a.Value(3) : nullptr;
  if (container && container->GetType() != script::kTypeArray) return false;
  auto info = script::Make<TAV_TimerRemoveInfo>(container, target, clock, time);
  return events.Add(info.get()) >= 0;
}

bool CancelTimeRemoveEvents(TOL_VarObArray& events, TOL_VarObArray* args) {
  MethodArgs a(args);
  TOL_Var* target = a.Value(0);
  TOL_Var* container = a.Has(1) ? a.Value(1) : nullptr;
  if (container && container->GetType() != script::kTypeArray) return false;
  // An event without a container matches only a call without one.
  for (int i = events.GetCount() - 1; i >= 0; --i) {
    auto* info = dynamic_cast<TAV_TimerRemoveInfo*>(events.GetAt(i));
    if (info && info->Target() == target && info->Container() == container) events.RemoveAt(i);
  }
  return true;
}

void ExecuteDueTimeRemoveEvents(TOL_VarObArray& events) {
  // Each clock is read anew for every event: one clock may serve many events.
  for (int i = events.GetCount() - 1; i >= 0; --i) {
    if (i >= events.GetCount()) continue;
    auto* info = dynamic_cast<TAV_TimerRemoveInfo*>(events.GetAt(i));
    if (!info) continue;
    // Only a damaged archive makes an event without target or clock: it can never be carried
    // out, so it goes without effect.
    if (info->Target() && info->Clock() && !info->IsDue()) continue;
    VarRef keep(info);  // the removal below must not end the event while it still works
    info->Carry();
    if (i < events.GetCount() && events.GetAt(i) == info) events.RemoveAt(i);
    else events.RemoveElement(info);
  }
}

namespace builtins {

namespace {

TOL_VarObArray* GameEvents() {
  TAV_GameSystem* game = Services().game;
  return game ? game->TimedRemoveEvents() : nullptr;
}

}  // namespace

VarRef SetTimeRemoveEvent(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  TOL_VarObArray* events = GameEvents();
  // A full list refuses the event as it refuses a bad one, with an error the first time since
  // an event was last added (a loop would repeat it at every pass).
  static bool refused = false;
  if (events && events->GetCount() >= kMaxTimedEvents) {
    if (!refused) {
      platform::Diagnose(platform::Severity::Error, platform::DescribePosition(platform::RunningPosition()),
                         "no timed remove event is added: " + std::to_string(kMaxTimedEvents) +
                             " are waiting already (ExecTimeRemoveEvent carries out those that are due)");
    }
    refused = true;
    return script::NewBool(false);
  }
  const bool added = events && AddTimeRemoveEvent(*events, args);
  if (added) refused = false;
  return script::NewBool(added);
}

VarRef CancelTimeRemoveEvent(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  TOL_VarObArray* events = GameEvents();
  return script::NewBool(!events || CancelTimeRemoveEvents(*events, args));
}

VarRef ExecTimeRemoveEvent(TOL_Var*, TOL_VarObArray*, TOL_VarObArray*) {
  if (TOL_VarObArray* events = GameEvents()) ExecuteDueTimeRemoveEvents(*events);
  return nullptr;
}

}  // namespace builtins
}  // namespace tav::engine
