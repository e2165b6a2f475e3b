#include "script/core/var_func.h"

#include <cstdint>

#include "os/diagnostics.h"
#include "script/core/registry.h"
#include "script/base/stack_headroom.h"
#include "script/core/statement.h"

namespace tav::script {

TOL_IMPLEMENT_CLASS(TOL_VarFuncState)
TOL_IMPLEMENT_CLASS(TOL_VarFuncForm)

namespace {

constexpr uint32_t kCallCollectionIntervalMs = 20;
thread_local int t_depth = 0;
// How deep calls may nest: kMaxScriptCallDepth, or 0 once a call was refused, so that every
// script call answers none until the outermost one returns. One comparison covers both.
thread_local int t_ceiling = kMaxScriptCallDepth;
// The lowest frame address at which a call still leaves kMinStackHeadroom of native stack (0 when
// the stack's extent is unknown; 1 until found out). Kept as an address so that each call makes
// one comparison instead of working out the headroom.
thread_local uintptr_t t_stackFloor = 1;

[[gnu::noinline]] uintptr_t FindStackFloor() {
  StackHeadroom();  // finds this thread's stack limit
  const uintptr_t limit = stack_detail::t_stackLimit;
  return limit == 0 ? 0 : limit + kMinStackHeadroom;
}

// One script call: admitted, or refused with a diagnostic (once per runaway recursion).
class CallDepthGuard {
 public:
  [[gnu::always_inline]] CallDepthGuard(const char* kind, const std::string& name) {
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
  ~CallDepthGuard() {
    if (admitted_) --t_depth;
    if (t_depth == 0) t_ceiling = kMaxScriptCallDepth;
  }
  CallDepthGuard(const CallDepthGuard&) = delete;
  CallDepthGuard& operator=(const CallDepthGuard&) = delete;

  bool Admitted() const { return admitted_; }

 private:
  [[gnu::noinline]] static void Refuse(const char* kind, const std::string& name) {
    if (t_ceiling != 0) {
      t_ceiling = 0;
      std::string message = std::string("script calls nested too deeply in ") + kind;
      if (!name.empty()) message += " " + name;
      message += "; the call answers nothing and the calls in progress unwind";
      platform::Diagnose(platform::Severity::Error, "", message);
    }
  }

  bool admitted_ = false;
};

const std::string kNoName;

}  // namespace

int ScriptCallDepth() { return t_depth; }

TOL_VarFuncState::TOL_VarFuncState() = default;
TOL_VarFuncState::TOL_VarFuncState(std::unique_ptr<TOL_Statement> body) { SetBody(std::move(body)); }
TOL_VarFuncState::~TOL_VarFuncState() = default;

void TOL_VarFuncState::SetBody(std::unique_ptr<TOL_Statement> body) {
  body_ = std::move(body);
  list_ = dynamic_cast<TOL_StateMulti*>(body_.get());
  runsUnfilled_ = !body_ || body_->ReachesFrameOnlyThroughExpressions();
}

VarRef TOL_VarFuncState::Call(TOL_VarObArray* frame) {
  if (!body_) return nullptr;
  CallDepthGuard guard("FUNC", name_);
  if (!guard.Admitted()) return nullptr;
  VarRef out;
  const int status = list_ ? list_->Run(out, frame) : body_->Execute(out, frame);
  // Deep recursion without loops would otherwise never collect: calls take part in the same
  // interval-limited passes loops run (what the call answers is held, so it survives).
  Registry::CollectGarbage(kCallCollectionIntervalMs);
  if (status != kStatusReturn) return nullptr;
  return out;
}

VarRef TOL_VarFuncForm::Call(TOL_VarObArray* frame) {
  CallDepthGuard guard("FORM", kNoName);
  if (!guard.Admitted()) return nullptr;
  return expression_.Evaluate(frame);
}

void TOL_VarFuncForm::Serialize(archive::Archive& ar) {
  TOL_Var::Serialize(ar);
  expression_.Serialize(ar);
}

}  // namespace tav::script
