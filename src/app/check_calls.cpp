#include "app/check_calls.h"

#include <optional>

#include "app/check_script_text.h"

namespace tav::app {
namespace {

// A plain decimal number argument, or -1.
int DecimalLiteral(const std::string& arg) {
  if (arg.empty() || arg.size() > 9 || arg.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::stoi(arg);
}

// The folders the built-ins read their file arguments from (see the built-in functions).
void CheckFileArguments(CheckReport& report, platform::GamePathResolver& paths, const GameNames& names,
                        const std::string& file, const CallSite& call, const std::string& upper) {
  const auto literal = [&call](size_t index) {
    std::string text;
    if (index < call.args.size() && StringLiteral(call.args[index], text)) return std::optional(text);
    return std::optional<std::string>();
  };
  const auto need = [&](const std::string& gamePath) {
    if (!paths.Resolve(gamePath)) report.Warn(file, call.line, call.name + ": " + gamePath + " does not exist");
  };
  if (upper == "LOADPLACE" && literal(0)) need("config\\place\\" + *literal(0));
  if (upper == "PLAYMUSICFILE" && literal(0)) need("config\\music\\" + *literal(0));
  if (upper == "PLAYSOUND" && literal(1)) need("config\\sound\\" + *literal(1));
  if (upper == "CREATEARRAYFROMFILE" && literal(1)) need("config\\list\\" + *literal(1));
  if (upper == "CREATEINITIALIZER" && literal(0)) need("config\\list\\" + *literal(0));
  if (upper == "CREATEOBJECTDEF" && literal(1)) need("config\\setting\\" + *literal(1));
  const int number = call.args.empty() ? -1 : DecimalLiteral(call.args[0]);
  if (upper == "LOADSTRING" && number >= 0 && !names.HasString(number)) {
    need("config\\text\\" + std::to_string(number) + ".txt");
  }
  if (upper == "PLAYMUSIC" && number >= 0) {
    if (const std::string* music = names.Music(number)) {
      need("config\\music\\" + *music);
    } else {
      report.Warn(file, call.line, call.name + ": config\\music.def has no music " + std::to_string(number));
    }
  }
}

}  // namespace

void CheckCalls(CheckReport& report, platform::GamePathResolver& paths, const GameNames& names,
                const std::string& file, const script::CommentFreeText& source, const std::set<std::string>& locals) {
  for (const CallSite& call : FindCalls(source)) {
    const std::string upper = UpperAscii(call.name);
    if (locals.count(upper)) continue;  // a function value the script keeps itself
    if (!names.Defines(upper)) {
      report.Warn(file, call.line,
                  call.name + " is not defined (no built-in function, global, constant, local variable or type "
                              "member has this name): the call does nothing");
      continue;
    }
    CheckFileArguments(report, paths, names, file, call, upper);
  }
}

}  // namespace tav::app
