// Feeds arbitrary text to what `--check` reads of a script besides compiling it: the outline
// that finds statements run together for want of a ';', and the calls with their literal
// arguments. Reading must not crash, hang or grow without bound on any text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/check_script_text.h"
#include "script/text/source_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tav;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const script::CommentFreeText source = script::RemoveComments(text);
  const app::ScriptOutline outline = app::OutlineScript(source);
  for (const app::MissingSemicolon& missing : outline.missingSemicolons) {
    if (missing.line < 1 || missing.nextLine < missing.line) __builtin_trap();
  }
  std::string literal;
  for (const app::CallSite& call : app::FindCalls(source)) {
    if (call.line < 1) __builtin_trap();
    for (const std::string& arg : call.args) app::StringLiteral(arg, literal);
  }
  return 0;
}
