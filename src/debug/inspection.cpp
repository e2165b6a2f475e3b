// The requests that read and change the stopped game: stack, scopes, variables, setVariable,
// evaluate. Each runs on the engine thread while it holds the game stopped, and responds itself.
#include <algorithm>

#include "debug/engine_side.h"
#include "debug/source_files.h"
#include "debug/stopping.h"
#include "script/core/frame.h"

namespace tav::debug {
namespace {

using script::TOL_Var;
using script::TOL_VarObArray;

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
