#include "debug/stopping.h"

#include <signal.h>

#include <chrono>
#include <memory>
#include <vector>

#include "debug/engine_side.h"
#include "debug/source_files.h"
#include "encoding/sjis.h"
#include "os/signals.h"
#include "os/stop_watchdog.h"
#include "script/run/evaluator.h"

namespace tav::debug {
namespace {

using script::TOL_Var;
using script::TOL_VarObArray;

// Rebuilds the engine's index of the table when it changed or a new source appeared.
void Reindex(EngineSide& e, DebuggerState& d) {
  const uint64_t generation = d.breakpoints.Generation();
  const size_t sources = platform::SourceNames().size() + 1;
  if (generation != e.seenGeneration) {
    e.seenGeneration = generation;
    // Hit counts survive for breakpoints that stay where they were.
    std::vector<std::unique_ptr<ArmedBreakpoint>> old = std::move(e.armed);
    e.armed.clear();
    for (auto& [key, list] : d.breakpoints.Lines()) {
      for (const LineBreakpoint& given : list) {
        auto armed = std::make_unique<ArmedBreakpoint>();
        armed->given = given;
        for (auto& before : old) {
          if (before && before->given.id == given.id && before->given.condition == given.condition) {
            armed->hits = before->hits;
          }
        }
        e.armed.push_back(std::move(armed));
      }
    }
    e.functions = d.breakpoints.Functions();
  }
  e.byId.assign(sources, {});
  e.watched.assign(sources, 0);
  SourceFiles& files = SourceFiles::Instance();
  e.functionArms.clear();
  if (!e.functions.empty()) {
    for (uint32_t id = 1; id < sources; ++id) {
      std::string name = files.FunctionNameOfId(id);
      for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
      const std::optional<std::set<int>> lines = files.StatementLines(files.KeyOfId(id));
      if (!lines || lines->empty()) continue;
      for (const FunctionBreakpoint& fb : e.functions) {
        if (fb.name != name) continue;
        auto armed = std::make_unique<ArmedBreakpoint>();
        armed->given.id = fb.id;
        armed->given.line = *lines->begin();
        armed->function = true;
        e.byId[id].push_back(armed.get());
        e.watched[id] = 1;
        e.functionArms.push_back(std::move(armed));
      }
    }
  }
  if (e.armed.empty()) return;
  const auto lines = d.breakpoints.Lines();
  for (uint32_t id = 1; id < sources; ++id) {
    const auto found = lines.find(files.KeyOfId(id));
    if (found == lines.end()) continue;
    for (auto& armed : e.armed) {
      for (const LineBreakpoint& given : found->second) {
        if (given.id == armed->given.id) e.byId[id].push_back(armed.get());
      }
    }
    e.watched[id] = e.byId[id].empty() ? 0 : 1;
  }
}

// A logpoint's text with each {expression} replaced by its value as the script prints it.
std::string ExpandLogMessage(const std::string& message, TOL_VarObArray* frame) {
  std::string out;
  size_t i = 0;
  while (i < message.size()) {
    const size_t open = message.find('{', i);
    if (open == std::string::npos) {
      out += message.substr(i);
      break;
    }
    out += message.substr(i, open - i);
    const size_t close = message.find('}', open);
    if (close == std::string::npos) {
      out += message.substr(open);
      break;
    }
    const std::string expression = message.substr(open + 1, close - open - 1);
    std::string error;
    if (auto formula = CompileExpression(expression, error, "the expression")) {
      script::VarRef value = formula->Evaluate(frame);
      TOL_Var* target = value ? value->GetTarget() : nullptr;
      out += target && target->GetType() == script::kTypeString ? platform::SjisToUtf8(target->GetString())
                                                                : ValueText(value.get());
    } else {
      out += "<" + error + ">";
    }
    i = close + 1;
  }
  return out;
}

// Whether a breakpoint on this line stops here (logpoints print and go on).
bool BreakpointStops(ArmedBreakpoint& bp, DebuggerState& d, size_t depth) {
  TOL_VarObArray* frame = FrameAtDepth(depth);
  if (!bp.given.condition.empty()) {
    if (!bp.condition && !bp.conditionFailed) {
      std::string error;
      bp.condition = CompileExpression(bp.given.condition, error, "the breakpoint condition");
      if (!bp.condition) {
        bp.conditionFailed = true;
        d.writer.Event("output", Json{{"category", "console"}, {"output", error + "; the breakpoint stops always\n"}});
      }
    }
    if (bp.condition && !bp.condition->EvaluateBool(frame)) return false;
  }
  ++bp.hits;
  if (!bp.given.hitCondition.empty()) {
    std::string error;
    if (!HitConditionMet(bp.given.hitCondition, bp.hits, error)) {
      if (!error.empty() && bp.hits == 1) d.writer.Event("output", Json{{"category", "console"}, {"output", error + "\n"}});
      return false;
    }
  }
  if (!bp.given.logMessage.empty()) {
    d.writer.Event("output", Json{{"category", "console"}, {"output", ExpandLogMessage(bp.given.logMessage, frame) + "\n"}});
    return false;
  }
  return true;
}

void HoldStopped(EngineSide& e, DebuggerState& d, const char* reason, const std::vector<int>& hitIds) {
  e.stoppedDepth = e.lastDepth;
  e.step = ResumeAction::kNone;
  e.entry = false;
  d.pauseRequested.store(false);
  {
    std::lock_guard guard(d.lock);
    if (d.terminating.load()) return;
    d.state = RunState::kStopped;
    d.action = ResumeAction::kNone;
  }
  Json body{{"reason", reason}, {"threadId", 1}, {"allThreadsStopped", true}};
  if (!hitIds.empty()) body["hitBreakpointIds"] = hitIds;
  d.writer.Event("stopped", std::move(body));
  ResumeAction action = ResumeAction::kNone;
  bool closeTaken = false;
  while (action == ResumeAction::kNone) {
    std::function<void()> job;
    {
      std::unique_lock guard(d.lock);
      d.wake.wait_for(guard, std::chrono::milliseconds(20),
                      [&] { return !d.jobs.empty() || d.action != ResumeAction::kNone; });
      if (!d.jobs.empty()) {
        job = std::move(d.jobs.front());
        d.jobs.pop_front();
      } else {
        action = d.action;
      }
    }
    if (job) {
      job();
      continue;
    }
    // Stopped is not hung: the close watchdog sees pumps, and a window repaints.
    platform::NotePump();
    if (d.stoppedPump) {
      d.stoppedPump();
    } else if (platform::TakeCloseRequest()) {
      // Headless, SIGINT or SIGTERM while stopped: the game goes on to its close.
      closeTaken = true;
      d.terminating.store(true);
      d.breakpoints.ClearAll();
      action = ResumeAction::kContinue;
    }
  }
  if (closeTaken) ::raise(SIGTERM);  // taken above: the host's pump must see it again
  e.values.Clear();
  {
    std::lock_guard guard(d.lock);
    d.state = RunState::kRunning;
    d.action = ResumeAction::kNone;
  }
  e.step = action == ResumeAction::kContinue ? ResumeAction::kNone : action;
  e.stepDepth = e.stoppedDepth;
}

bool StepStops(const EngineSide& e, size_t depth) {
  switch (e.step) {
    case ResumeAction::kStepIn: return true;
    case ResumeAction::kNext: return depth <= e.stepDepth;
    case ResumeAction::kStepOut: return depth < e.stepDepth;
    default: return false;
  }
}

// What a statement that may stop does: breakpoints on its line (a function's on its first
// statement), a step, a pause. `previous`: the position last started at this depth (0: none).
void LookCloser(EngineSide& e, DebuggerState& d, SourcePosition position, SourcePosition previous, size_t depth,
                const void* context) {
  e.frame = static_cast<TOL_VarObArray*>(const_cast<void*>(context));
  const uint32_t id = SourceIdOf(position);
  const char* reason = nullptr;
  std::vector<int> hitIds;
  e.inHook = true;
  const int line = LineOf(position);
  for (ArmedBreakpoint* bp : e.byId[id]) {
    if (bp->given.line != line) continue;
    if (bp->function) {
      if (previous != position && !reason) {
        reason = "function breakpoint";
        hitIds.push_back(bp->given.id);
      }
    } else if (BreakpointStops(*bp, d, depth)) {
      reason = "breakpoint";
      hitIds.push_back(bp->given.id);
    }
  }
  if (!reason && e.step != ResumeAction::kNone && StepStops(e, depth)) reason = e.entry ? "entry" : "step";
  if (!reason && d.pauseRequested.load(std::memory_order_relaxed)) reason = "pause";
  if (reason) HoldStopped(e, d, reason, hitIds);
  e.inHook = false;
}

// Runs before every statement while the debugger is attached: the hot path is a few loads and
// compares unless this statement's file has breakpoints or a step or pause is under way.
void OnStatement(const void* context) {
  EngineSide& e = Engine();
  if (e.inHook) [[unlikely]] return;
  if (platform::detail::runningState.busyPollDue.load(std::memory_order_relaxed)) [[unlikely]] {
    platform::detail::ServiceBusyPoll();
  }
  const SourcePosition position = platform::RunningPosition();
  // The evaluations in progress are the callers; the statement's own frame comes on top.
  const size_t depth = script::FrameDepth() + 1;
  SourcePosition previous = 0;
  if (depth != e.lastDepth) [[unlikely]] {
    if (depth >= e.positions.size()) e.positions.resize(depth * 2 + 8, 0);
    // Depths left since the last statement hold no statement until one starts there again.
    for (size_t k = depth + 1; k <= e.lastDepth; ++k) e.positions[k] = 0;
    e.lastDepth = depth;
  } else {
    previous = e.positions[depth];
  }
  e.positions[depth] = position;
  const uint32_t id = SourceIdOf(position);
  if (id >= e.watched.size() || e.generation->load(std::memory_order_acquire) != e.seenGeneration) [[unlikely]] {
    Reindex(e, *e.debugger);
  }
  if (!e.watched[id] && e.step == ResumeAction::kNone &&
      !e.debugger->pauseRequested.load(std::memory_order_relaxed)) [[likely]] {
    return;
  }
  LookCloser(e, *e.debugger, position, previous, depth, context);
}

}  // namespace

void ArmStatementHook(bool stopOnEntry) {
  EngineSide& e = Engine();
  e.debugger = Debugger();
  e.generation = &e.debugger->breakpoints.GenerationCounter();
  SourceFiles::Instance();
  Reindex(e, *e.debugger);
  if (stopOnEntry) {
    e.step = ResumeAction::kStepIn;
    e.entry = true;
  }
  platform::SetStatementHook(&OnStatement);
}

void DisarmStatementHook() { platform::SetStatementHook(nullptr); }

}  // namespace tav::debug
