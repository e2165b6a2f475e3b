// tavtool place dump | build: dungeons and fields of config/place/.

#include <cstdio>

#include "command_files.h"
#include "commands.h"
#include "field_json.h"
#include "json_print.h"
#include "place_json.h"
#include "view_json.h"

namespace tav::tools {
namespace {

int Usage(std::FILE* out = stderr) {
  std::fprintf(out, "usage: tavtool place dump FILE [-o FILE.json]\n"
                    "       tavtool place build FILE.json -o FILE\n\n"
                    "A field's \"map\" draws its blocks, %s\n",
               kMapLegend);
  return out == stderr ? kExitUsage : kExitOk;
}

int Dump(const std::string& input, const std::string& output) {
  std::optional<std::vector<uint8_t>> bytes = ReadInputBytes("place", input);
  if (!bytes) return kExitFailed;
  Json json;
  try {
    json = DumpPlace(*bytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavtool place: %s: %s\n", input.c_str(), e.what());
    return kExitFailed;
  }
  std::string text = PrettyJson(json);
  return WriteOutput("place", output, text.data(), text.size()) ? kExitOk : kExitFailed;
}

int Build(const std::string& input, const std::string& output) {
  std::optional<Json> json = ReadInputJson("place", input);
  if (!json) return kExitFailed;
  std::vector<uint8_t> bytes;
  try {
    bytes = BuildPlace(*json);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavtool place: %s: %s\n", input.c_str(), e.what());
    return kExitFailed;
  }
  return WriteOutput("place", output, bytes.data(), bytes.size()) ? kExitOk : kExitFailed;
}

}  // namespace

int RunPlaceCommand(const Arguments& args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) return Usage(stdout);
  std::optional<DumpBuildArguments> parsed = ParseDumpBuild(args);
  if (!parsed) return Usage();
  InitializeEngineClasses();  // members of places may hold any script value
  if (parsed->action == "dump") return Dump(parsed->input, parsed->output);
  return Build(parsed->input, parsed->output);
}

}  // namespace tav::tools
