#include "script/text/compile_error.h"

namespace tav::script {
namespace {
thread_local CompileError g_last;
}

const CompileError& LastCompileError() { return g_last; }

void SetCompileError(std::string reason, int line) {
  g_last.reason = std::move(reason);
  g_last.line = line;
}

void SetCompileErrorLine(int line) {
  if (g_last.line == 0) g_last.line = line;
}

void ClearCompileError() {
  g_last.reason.clear();
  g_last.line = 0;
}

}  // namespace tav::script
