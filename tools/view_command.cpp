// tavtool view dump | build.

#include <cstdio>
#include <fstream>
#include <sstream>

#include "archive/archive.h"
#include "commands.h"
#include "json_print.h"
#include "view_json.h"

namespace tav::tools {
namespace {

// JSON nested deeper than this is refused before it is looked at; archives allow less anyway.
constexpr int kMaxJsonDepth = 4000;

int Usage() {
  std::fprintf(stderr, "usage: tavtool view dump FILE.tav [-o FILE.json]\n"
                       "       tavtool view build FILE.json -o FILE.tav\n");
  return 2;
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) {
    std::fprintf(stderr, "tavtool view: %s: cannot write\n", path.c_str());
    return false;
  }
  return true;
}

int Dump(const std::string& input, const std::string& output) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!archive::LoadFile(input, bytes, error)) {
    std::fprintf(stderr, "tavtool view: %s\n", error.c_str());
    return 1;
  }
  Json json;
  try {
    json = DumpView(bytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavtool view: %s: %s\n", input.c_str(), e.what());
    return 1;
  }
  std::string text = PrettyJson(json);
  if (output.empty()) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  return WriteFile(output, text.data(), text.size()) ? 0 : 1;
}

int Build(const std::string& input, const std::string& output) {
  std::ifstream in(input, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tavtool view: %s: cannot open\n", input.c_str());
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  Json json;
  try {
    json = Json::parse(text.str(), [](int depth, Json::parse_event_t, Json&) {
      if (depth > kMaxJsonDepth) throw std::runtime_error("JSON nested too deep");
      return true;
    });
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavtool view: %s: %s\n", input.c_str(), e.what());
    return 1;
  }
  std::vector<uint8_t> bytes;
  std::vector<std::string> warnings;
  try {
    bytes = BuildView(json, warnings);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavtool view: %s: %s\n", input.c_str(), e.what());
    return 1;
  }
  for (const std::string& warning : warnings) {
    std::fprintf(stderr, "tavtool view: %s: warning: %s\n", input.c_str(), warning.c_str());
  }
  return WriteFile(output, bytes.data(), bytes.size()) ? 0 : 1;
}

}  // namespace

int RunViewCommand(const Arguments& args) {
  if (args.size() < 2) return Usage();
  std::string input, output;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) output = args[++i];
    else if (input.empty() && !args[i].empty() && args[i][0] != '-') input = args[i];
    else return Usage();
  }
  if (input.empty()) return Usage();
  InitializeEngineClasses();
  if (args[0] == "dump") return Dump(input, output);
  if (args[0] == "build" && !output.empty()) return Build(input, output);
  return Usage();
}

}  // namespace tav::tools
