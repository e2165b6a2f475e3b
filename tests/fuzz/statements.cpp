// Feeds arbitrary text to the statement compiler, the expression compiler and the line readers
// of definition and table files. Nothing is executed; compiling must not crash, hang or leak.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "script/text/definition_file.h"
#include "script/core/formulate.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/script_file.h"
#include "script/text/table_file.h"
#include "script/text/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tav::script;
  static const bool initialized = (InitializeRuntime(), true);
  (void)initialized;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  { const StatementPtr statement = CompileScriptText(text); }
  {
    TOL_Formulate formula;
    formula.Compile(text);
  }
  { const VarRef value = ValueFromText(text, nullptr); }
  std::string key;
  std::string value;
  for (const std::string& line : SplitTextLines(text)) {
    ParseDefinitionLine(line, key, value);
    SplitTableLine(line);
  }
  // Literals of compiled code were released above; free them before the next input.
  Registry::CollectGarbage();
  return 0;
}
