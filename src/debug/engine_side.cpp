#include "debug/engine_side.h"

#include "encoding/sjis.h"
#include "script/core/frame_pool.h"
#include "script/run/evaluator.h"
#include "script/text/compile_error.h"

namespace tav::debug {

EngineSide g_engine;

script::TOL_VarObArray* FrameAtDepth(size_t depth) {
  EngineSide& e = Engine();
  if (depth == 0 || depth > e.lastDepth) return nullptr;
  if (depth < e.lastDepth) return script::FrameAt(depth - 1);
  if (e.frame) {
    script::FramePool::FillNow(e.frame);
    script::FramePool::Expose(e.frame);
  }
  return e.frame;
}

namespace {

std::string CompileMessage(const std::string& what, const std::string& text) {
  const std::string reason = script::LastCompileError().reason;
  return what + " \"" + text + "\" does not compile: " + (reason.empty() ? "not an expression" : reason);
}

}  // namespace

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

}  // namespace tav::debug
