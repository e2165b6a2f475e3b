#include "script/core/var_func.h"

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
// Set when a call was refused for depth; every script call answers none until the outermost
// one returns.
thread_local bool t_unwinding = false;

// One script call: admitted, or refused with a diagnostic (once per runaway recursion).
class CallDepthGuard {
 public:
  CallDepthGuard(const char* kind, const std::string& name) {
    if (!t_unwinding && t_depth < kMaxScriptCallDepth && StackHeadroom() >= kMinStackHeadroom) [[likely]] {
      ++t_depth;
      admitted_ = true;
      return;
    }
    Refuse(kind, name);
  }
  ~CallDepthGuard() {
    if (admitted_) --t_depth;
    if (t_depth == 0) t_unwinding = false;
  }
  CallDepthGuard(const CallDepthGuard&) = delete;
  CallDepthGuard& operator=(const CallDepthGuard&) = delete;

  bool Admitted() const { return admitted_; }

 private:
  [[gnu::noinline]] static void Refuse(const char* kind, const std::string& name) {
    if (!t_unwinding) {
      t_unwinding = true;
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
