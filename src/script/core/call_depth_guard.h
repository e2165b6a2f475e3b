// The admission of one script call: runaway recursion is refused (var_func.h).
//
// Inline, with its counters, so that the calls the evaluator makes directly (a FUNC whose body
// only returns, evaluator_stack.h) pay for it no more than TOL_VarFuncState::Call does.
#pragma once

#include <cstdint>
#include <string>

#include "script/base/stack_headroom.h"
#include "script/core/var_func.h"

namespace tav::script {

// How often script calls may run an interval-limited collection pass.
inline constexpr uint32_t kCallCollectionIntervalMs = 20;

namespace call_depth_detail {
inline thread_local int t_depth = 0;
// How deep calls may nest: kMaxScriptCallDepth, or 0 once a call was refused, so that every
// script call answers none until the outermost one returns. One comparison covers both.
inline thread_local int t_ceiling = kMaxScriptCallDepth;
// The lowest frame address at which a call still leaves kMinStackHeadroom of native stack (0 when
// the stack's extent is unknown; 1 until found out). Kept as an address so that each call makes
// one comparison instead of working out the headroom.
inline thread_local uintptr_t t_stackFloor = 1;

uintptr_t FindStackFloor();
// Tells of a refused call (once per runaway recursion) and makes every call answer none.
void Refuse(const char* kind, const std::string& name);
}  // namespace call_depth_detail

// One script call: admitted, or refused with a diagnostic (once per runaway recursion).
class ScriptCallGuard {
 public:
  [[gnu::always_inline]] ScriptCallGuard(const char* kind, const std::string& name) {
    using namespace call_depth_detail;
    uintptr_t floor = t_stackFloor;
    if (floor == 1) [[unlikely]] floor = t_stackFloor = FindStackFloor();
    // The frame address, not a local's: sanitizers may move locals to a separate stack.
    if (t_depth < t_ceiling && reinterpret_cast<uintptr_t>(__builtin_frame_address(0)) >= floor) [[likely]] {
      ++t_depth;
      admitted_ = true;
      return;
    }
    Refuse(kind, name);
  }
  ~ScriptCallGuard() {
    using namespace call_depth_detail;
    if (admitted_) --t_depth;
    if (t_depth == 0) t_ceiling = kMaxScriptCallDepth;
  }
  ScriptCallGuard(const ScriptCallGuard&) = delete;
  ScriptCallGuard& operator=(const ScriptCallGuard&) = delete;

  bool Admitted() const { return admitted_; }

 private:
  bool admitted_ = false;
};

}  // namespace tav::script
