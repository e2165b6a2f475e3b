#include "script/core/var_func.h"

#include <cstdint>

#include "os/diagnostics.h"
#include "script/core/registry.h"
#include "script/core/call_depth_guard.h"
#include "script/core/statement.h"

namespace tav::script {

TOL_IMPLEMENT_CLASS(TOL_VarFuncState)
TOL_IMPLEMENT_CLASS(TOL_VarFuncForm)

namespace {

const std::string kNoName;

}  // namespace

namespace call_depth_detail {

[[gnu::noinline]] uintptr_t FindStackFloor() {
  StackHeadroom();  // finds this thread's stack limit
  const uintptr_t limit = stack_detail::t_stackLimit;
  return limit == 0 ? 0 : limit + kMinStackHeadroom;
}

[[gnu::noinline]] void Refuse(const char* kind, const std::string& name) {
  if (t_ceiling != 0) {
    t_ceiling = 0;
    std::string message = std::string("script calls nested too deeply in ") + kind;
    if (!name.empty()) message += " " + name;
    message += "; the call answers nothing and the calls in progress unwind";
    platform::Diagnose(platform::Severity::Error, "", message);
  }
}

}  // namespace call_depth_detail

int ScriptCallDepth() { return call_depth_detail::t_depth; }

TOL_VarFuncState::TOL_VarFuncState() = default;
TOL_VarFuncState::TOL_VarFuncState(std::unique_ptr<TOL_Statement> body) { SetBody(std::move(body)); }
TOL_VarFuncState::~TOL_VarFuncState() = default;

void TOL_VarFuncState::SetBody(std::unique_ptr<TOL_Statement> body) {
  body_ = std::move(body);
  list_ = dynamic_cast<TOL_StateMulti*>(body_.get());
  if (!list_ || !list_->AsReturningSteps(steps_)) steps_.clear();
  runsUnfilled_ = !body_ || body_->ReachesFrameOnlyThroughExpressions();
}

VarRef TOL_VarFuncState::Call(TOL_VarObArray* frame) {
  if (!body_) return nullptr;
  ScriptCallGuard guard("FUNC", name_);
  if (!guard.Admitted()) return nullptr;
  if (!steps_.empty()) {
    VarRef out = RunReturningBody(steps_, frame);
    Registry::CollectGarbage(kCallCollectionIntervalMs);  // as below
    return out;
  }
  VarRef out;
  const int status = list_ ? list_->Run(out, frame) : body_->Execute(out, frame);
  // Deep recursion without loops would otherwise never collect: calls take part in the same
  // interval-limited passes loops run (what the call answers is held, so it survives).
  Registry::CollectGarbage(kCallCollectionIntervalMs);
  if (status != kStatusReturn) return nullptr;
  return out;
}

VarRef TOL_VarFuncForm::Call(TOL_VarObArray* frame) {
  ScriptCallGuard guard("FORM", kNoName);
  if (!guard.Admitted()) return nullptr;
  return expression_.Evaluate(frame);
}

void TOL_VarFuncForm::Serialize(archive::Archive& ar) {
  TOL_Var::Serialize(ar);
  expression_.Serialize(ar);
}

}  // namespace tav::script
