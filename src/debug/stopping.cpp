#include "debug/stopping.h"

#include <signal.h>

#include <chrono>
#include <memory>
#include <vector>

#include "debug/debugger_state.h"
#include "debug/source_files.h"
#include "debug/values_view.h"
#include "encoding/sjis.h"
#include "os/running_position.h"
#include "os/signals.h"
#include "os/stop_watchdog.h"
#include "script/core/formulate.h"
#include "script/core/frame.h"
#include "script/core/frame_pool.h"
#include "script/run/evaluator.h"
#include "script/text/compile_error.h"

namespace tav::debug {
namespace {

using platform::SourcePosition;
using script::TOL_Var;
using script::TOL_VarObArray;

uint32_t SourceIdOf(SourcePosition position) { return static_cast<uint32_t>(position >> 32); }
int LineOf(SourcePosition position) { return static_cast<int>(static_cast<uint32_t>(position)); }

// Everything here is touched by the engine thread only.
struct EngineSide {
  std::vector<SourcePosition> positions = std::vector<SourcePosition>(64, 0);  // the last statement at each depth
  size_t lastDepth = 0;
  TOL_VarObArray* frame = nullptr;  // the frame of the statement at lastDepth
  size_t stoppedDepth = 0;
  bool inHook = false;

  ResumeAction step = ResumeAction::kNone;
  size_t stepDepth = 0;
  bool entry = false;

  uint64_t seenGeneration = 0;
  std::vector<std::unique_ptr<ArmedBreakpoint>> armed;
  std::vector<std::vector<ArmedBreakpoint*>> byId;  // index: source id
  std::vector<uint8_t> watched;                      // index: source id; 1: byId has some
  const std::atomic<uint64_t>* generation = nullptr;  // the table's
  std::vector<FunctionBreakpoint> functions;
  std::vector<std::unique_ptr<ArmedBreakpoint>> functionArms;

  ValuesView values;
  DebuggerState* debugger = nullptr;
};

// A plain global: the statement hook must not pay for a function-local static's guard.
EngineSide g_engine;
EngineSide& Engine() { return g_engine; }

// The frame at stack depth `depth` (1: the outermost), or null. The statement's own frame is
// the innermost; the frames below it are those whose evaluation called it. Filled and exposed,
// so that its members can be read and changed.
TOL_VarObArray* FrameAtDepth(size_t depth) {
  EngineSide& e = Engine();
  if (depth == 0 || depth > e.lastDepth) return nullptr;
  if (depth < e.lastDepth) return script::FrameAt(depth - 1);
  if (e.frame) {
    script::FramePool::FillNow(e.frame);
    script::FramePool::Expose(e.frame);
  }
  return e.frame;
}

std::string CompileMessage(const std::string& what, const std::string& text) {
  const std::string reason = script::LastCompileError().reason;
  return what + " \"" + text + "\" does not compile: " + (reason.empty() ? "not an expression" : reason);
}

// Compiles UTF-8 `text`; null with `error` set on failure.
std::unique_ptr<script::TOL_Formulate> CompileExpression(const std::string& text, std::string& error,
                                                         const std::string& what) {
  auto formula = std::make_unique<script::TOL_Formulate>();
  std::string trimmed = text;
  while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == ';')) trimmed.pop_back();
  if (trimmed.find_first_not_of(" \t") == std::string::npos) {
    error = what + " is empty";
    return nullptr;
  }
  if (!formula->Compile(platform::Utf8ToSjis(trimmed))) {
    error = CompileMessage(what, text);
    return nullptr;
  }
  return formula;
}

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
      for (const LineBreakpoint& spec : list) {
        auto armed = std::make_unique<ArmedBreakpoint>();
        armed->spec = spec;
        for (auto& before : old) {
          if (before && before->spec.id == spec.id && before->spec.condition == spec.condition) {
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
        armed->spec.id = fb.id;
        armed->spec.line = *lines->begin();
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
      for (const LineBreakpoint& spec : found->second) {
        if (spec.id == armed->spec.id) e.byId[id].push_back(armed.get());
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
  if (!bp.spec.condition.empty()) {
    if (!bp.condition && !bp.conditionFailed) {
      std::string error;
      bp.condition = CompileExpression(bp.spec.condition, error, "the breakpoint condition");
      if (!bp.condition) {
        bp.conditionFailed = true;
        d.writer.Event("output", Json{{"category", "console"}, {"output", error + "; the breakpoint stops always\n"}});
      }
    }
    if (bp.condition && !bp.condition->EvaluateBool(frame)) return false;
  }
  ++bp.hits;
  if (!bp.spec.hitCondition.empty()) {
    std::string error;
    if (!HitConditionMet(bp.spec.hitCondition, bp.hits, error)) {
      if (!error.empty() && bp.hits == 1) d.writer.Event("output", Json{{"category", "console"}, {"output", error + "\n"}});
      return false;
    }
  }
  if (!bp.spec.logMessage.empty()) {
    d.writer.Event("output", Json{{"category", "console"}, {"output", ExpandLogMessage(bp.spec.logMessage, frame) + "\n"}});
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
    if (bp->spec.line != line) continue;
    if (bp->function) {
      if (previous != position && !reason) {
        reason = "function breakpoint";
        hitIds.push_back(bp->spec.id);
      }
    } else if (BreakpointStops(*bp, d, depth)) {
      reason = "breakpoint";
      hitIds.push_back(bp->spec.id);
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

// ---- Requests ----

int IntArgument(const Json& request, const char* name, int fallback) {
  const Json* args = request.contains("arguments") && request["arguments"].is_object() ? &request["arguments"] : nullptr;
  if (!args || !args->contains(name) || !(*args)[name].is_number_integer()) return fallback;
  return (*args)[name].get<int>();
}

std::string StringArgument(const Json& request, const char* name) {
  const Json* args = request.contains("arguments") && request["arguments"].is_object() ? &request["arguments"] : nullptr;
  if (!args || !args->contains(name) || !(*args)[name].is_string()) return {};
  return (*args)[name].get<std::string>();
}

// The depth a client's frame id names; 0 when there is none such.
size_t DepthOfFrameId(const EngineSide& e, int frameId) {
  if (frameId < 1 || static_cast<size_t>(frameId) > e.stoppedDepth) return 0;
  return static_cast<size_t>(frameId);
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

void AnswerStackTrace(const Json& request) {
  EngineSide& e = Engine();
  DebuggerState& d = *Debugger();
  SourceFiles& files = SourceFiles::Instance();
  Json frames = Json::array();
  const size_t top = e.stoppedDepth;
  const int startFrame = std::max(0, IntArgument(request, "startFrame", 0));
  const int levels = IntArgument(request, "levels", 0);
  int index = 0;
  for (size_t depth = top; depth >= 1; --depth) {
    const SourcePosition position = e.positions[depth];
    if (index++ < startFrame) continue;
    if (levels > 0 && static_cast<int>(frames.size()) >= levels) continue;
    Json frame{{"id", static_cast<int>(depth)}, {"line", LineOf(position)}, {"column", 1}};
    const uint32_t id = SourceIdOf(position);
    if (position == 0) {
      frame["name"] = "(FORM or engine call)";
      frame["line"] = 0;
      frame["column"] = 0;
    } else {
      frame["name"] = files.FunctionNameOfId(id);
      const std::string key = files.KeyOfId(id);
      const std::optional<std::string> path = files.RealPathOf(key);
      frame["source"] = path ? Json{{"name", key.substr(key.rfind('/') + 1)}, {"path", *path}}
                             : Json{{"name", key}};
    }
    frames.push_back(std::move(frame));
  }
  d.writer.Response(request, Json{{"stackFrames", frames}, {"totalFrames", index}});
}

void AnswerScopes(const Json& request) {
  EngineSide& e = Engine();
  DebuggerState& d = *Debugger();
  const int frameId = IntArgument(request, "frameId", -1);
  const size_t depth = DepthOfFrameId(e, frameId);
  if (depth == 0) {
    d.writer.ErrorResponse(request, "there is no stack frame " + std::to_string(frameId));
    return;
  }
  TOL_VarObArray* frame = FrameAtDepth(depth);
  Json scopes = Json::array();
  auto scope = [&](const char* name, int handle, bool expensive) {
    scopes.push_back(Json{{"name", name}, {"variablesReference", handle}, {"expensive", expensive}});
  };
  if (frame) {
    scope("Locals", e.values.HandleForMembers(frame, {"ARGS", "THIS"}), false);
    scope("ARGS", e.values.HandleForMembers(script::FrameArgs(frame), {}), false);
    TOL_Var* self = script::FrameThis(frame);
    scope("THIS", self ? e.values.HandleForMembers(self->GetTarget(), {}) : 0, false);
    TOL_Var* globals = script::FrameGlobals(frame);
    scope("Globals", globals ? e.values.HandleForMembers(globals->GetTarget(), {}, true) : 0, true);
  }
  d.writer.Response(request, Json{{"scopes", scopes}});
}

void AnswerVariables(const Json& request) {
  EngineSide& e = Engine();
  DebuggerState& d = *Debugger();
  const int handle = IntArgument(request, "variablesReference", 0);
  const auto children = e.values.ChildrenOf(handle);
  if (!children) {
    d.writer.ErrorResponse(request, "there is no variable with reference " + std::to_string(handle) +
                                        " (references last only while the game is stopped)");
    return;
  }
  Json variables = Json::array();
  for (const Child& child : *children) variables.push_back(e.values.Describe(child.name, child.value.get()));
  d.writer.Response(request, Json{{"variables", variables}});
}

void AnswerSetVariable(const Json& request) {
  EngineSide& e = Engine();
  DebuggerState& d = *Debugger();
  const int handle = IntArgument(request, "variablesReference", 0);
  const std::string name = StringArgument(request, "name");
  const std::string text = StringArgument(request, "value");
  const auto children = e.values.ChildrenOf(handle);
  if (!children) {
    d.writer.ErrorResponse(request, "there is no variable with reference " + std::to_string(handle));
    return;
  }
  TOL_Var* variable = nullptr;
  // Names are the script's: letter case does not matter.
  auto upper = [](std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return text;
  };
  for (const Child& child : *children) {
    if (upper(child.name) == upper(name)) variable = child.value.get();
  }
  if (!variable) {
    d.writer.ErrorResponse(request, "there is no variable \"" + name + "\" here");
    return;
  }
  std::string error;
  auto formula = CompileExpression(text, error, "the value");
  if (!formula) {
    d.writer.ErrorResponse(request, error);
    return;
  }
  script::VarRef value = formula->Evaluate(FrameAtDepth(e.stoppedDepth));
  variable->Assign(value.get());
  Json body{{"value", ValueText(variable)}, {"type", TypeName(variable)},
            {"variablesReference", e.values.HandleFor(variable)}};
  d.writer.Response(request, std::move(body));
}

void AnswerEvaluate(const Json& request) {
  EngineSide& e = Engine();
  DebuggerState& d = *Debugger();
  const int frameId = IntArgument(request, "frameId", static_cast<int>(e.stoppedDepth));
  if (DepthOfFrameId(e, frameId) == 0) {
    d.writer.ErrorResponse(request, "there is no stack frame " + std::to_string(frameId));
    return;
  }
  const std::string text = StringArgument(request, "expression");
  std::string error;
  auto formula = CompileExpression(text, error, "the expression");
  if (!formula) {
    d.writer.ErrorResponse(request, error);
    return;
  }
  script::VarRef value = formula->Evaluate(FrameAtDepth(DepthOfFrameId(e, frameId)));
  d.writer.Response(request, Json{{"result", ValueText(value.get())},
                                  {"type", TypeName(value.get())},
                                  {"variablesReference", e.values.HandleFor(value.get())}});
}

}  // namespace tav::debug
