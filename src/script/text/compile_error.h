// Why the last compilation failed.
//
// The language itself only answers success or failure. For authors we also keep the reason of
// the most recent failure (an expression's, or a statement's with the line where it starts), so
// that `--check`, `-v` and `--log` can say what is wrong and where. Nothing a script sees changes.
#pragma once

#include <string>

namespace tav::script {

struct CompileError {
  std::string reason;  // short English text, e.g. "unbalanced parenthesis"
  int line = 0;        // 1-based line in the compiled text where the failing statement starts; 0 unknown
};

// The failure recorded last on this thread.
const CompileError& LastCompileError();
void SetCompileError(std::string reason, int line = 0);
// Sets the line of the recorded failure unless one is set already (inner statements know better).
void SetCompileErrorLine(int line);
void ClearCompileError();

}  // namespace tav::script
