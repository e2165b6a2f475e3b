// tavtool view dump | build.

#include <cstdio>

#include "command_files.h"
#include "commands.h"
#include "json_print.h"
#include "view_json.h"

namespace tav::tools {
namespace {

int Usage() {
  std::fprintf(stderr, "usage: tavtool view dump FILE.tav [-o FILE.json]\n"
                       "       tavtool view build FILE.json -o FILE.tav\n");
  return kExitUsage;
}

int Dump(const std::string& input, const std::string& output) {
  std::optional<std::vector<uint8_t>> bytes = ReadInputBytes("view", input);
  if (!bytes) return kExitFailed;
  Json json;
  try {
    json = DumpView(*bytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavtool view: %s: %s\n", input.c_str(), e.what());
    return kExitFailed;
  }
  std::string text = PrettyJson(json);
  return WriteOutput("view", output, text.data(), text.size()) ? kExitOk : kExitFailed;
}

int Build(const std::string& input, const std::string& output) {
  std::optional<Json> json = ReadInputJson("view", input);
  if (!json) return kExitFailed;
  std::vector<uint8_t> bytes;
  std::vector<std::string> warnings;
  try {
    bytes = BuildView(*json, warnings);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavtool view: %s: %s\n", input.c_str(), e.what());
    return kExitFailed;
  }
  for (const std::string& warning : warnings) {
    std::fprintf(stderr, "tavtool view: %s: warning: %s\n", input.c_str(), warning.c_str());
  }
  return WriteOutput("view", output, bytes.data(), bytes.size()) ? kExitOk : kExitFailed;
}

}  // namespace

int RunViewCommand(const Arguments& args) {
  std::optional<DumpBuildArguments> parsed = ParseDumpBuild(args);
  if (!parsed) return Usage();
  InitializeEngineClasses();
  if (parsed->action == "dump") return Dump(parsed->input, parsed->output);
  return Build(parsed->input, parsed->output);
}

}  // namespace tav::tools
