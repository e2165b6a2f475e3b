// The engine thread's view of a debugging session: where each call level is, the breakpoints as
// it indexes them, the step under way, and the values shown while stopped. Engine thread only.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "debug/breakpoints.h"
#include "debug/debugger_state.h"
#include "debug/values_view.h"
#include "os/running_position.h"
#include "script/core/formulate.h"
#include "script/core/var_array.h"

namespace tav::debug {

using platform::SourcePosition;

inline uint32_t SourceIdOf(SourcePosition position) { return static_cast<uint32_t>(position >> 32); }
inline int LineOf(SourcePosition position) { return static_cast<int>(static_cast<uint32_t>(position)); }

struct EngineSide {
  // The last statement started at each depth (1: the outermost call), 0 where none is known.
  std::vector<SourcePosition> positions = std::vector<SourcePosition>(64, 0);
  size_t lastDepth = 0;
  script::TOL_VarObArray* frame = nullptr;  // the frame of the statement at lastDepth
  size_t stoppedDepth = 0;
  bool inHook = false;  // the debugger's own work (conditions, evaluate) is not looked at

  ResumeAction step = ResumeAction::kNone;
  size_t stepDepth = 0;
  bool entry = false;  // the step is stopOnEntry's

  uint64_t seenGeneration = 0;
  std::vector<std::unique_ptr<ArmedBreakpoint>> armed;
  std::vector<std::vector<ArmedBreakpoint*>> byId;    // index: source id
  std::vector<uint8_t> watched;                       // index: source id; 1: byId has some
  const std::atomic<uint64_t>* generation = nullptr;  // the table's
  std::vector<FunctionBreakpoint> functions;
  std::vector<std::unique_ptr<ArmedBreakpoint>> functionArms;

  ValuesView values;
  DebuggerState* debugger = nullptr;
};

// A plain global: the statement hook must not pay for a function-local static's guard.
extern EngineSide g_engine;
inline EngineSide& Engine() { return g_engine; }

// The frame at stack depth `depth` (1: the outermost), or null. The statement's own frame is
// the innermost; the frames below it are those whose evaluation called it. Filled and exposed,
// so that its members can be read and changed.
script::TOL_VarObArray* FrameAtDepth(size_t depth);

// Compiles the UTF-8 expression `text` (`what` names it in the message); null with `error` set
// on failure.
std::unique_ptr<script::TOL_Formulate> CompileExpression(const std::string& text, std::string& error,
                                                         const std::string& what);

}  // namespace tav::debug
