#include "command_files.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "archive/archive.h"

namespace tav::tools {
namespace {

// JSON nested deeper than this is refused before it is looked at; archives allow less anyway.
constexpr int kMaxJsonDepth = 4000;

}  // namespace

std::optional<std::vector<uint8_t>> ReadInputBytes(const char* command, const std::string& path) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!archive::LoadFile(path, bytes, error)) {
    std::fprintf(stderr, "tavtool %s: %s\n", command, error.c_str());
    return std::nullopt;
  }
  return bytes;
}

std::optional<Json> ReadInputJson(const char* command, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tavtool %s: %s: cannot open\n", command, path.c_str());
    return std::nullopt;
  }
  std::stringstream text;
  text << in.rdbuf();
  try {
    return Json::parse(text.str(), [](int depth, Json::parse_event_t, Json&) {
      if (depth > kMaxJsonDepth) throw std::runtime_error("JSON nested too deep");
      return true;
    });
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavtool %s: %s: %s\n", command, path.c_str(), e.what());
    return std::nullopt;
  }
}

bool WriteOutput(const char* command, const std::string& path, const void* data, size_t size) {
  if (path.empty()) {
    std::fwrite(data, 1, size, stdout);
    return std::fflush(stdout) == 0;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) {
    std::fprintf(stderr, "tavtool %s: %s: cannot write\n", command, path.c_str());
    return false;
  }
  return true;
}

std::optional<DumpBuildArguments> ParseDumpBuild(const std::vector<std::string>& args) {
  if (args.size() < 2) return std::nullopt;
  DumpBuildArguments out;
  out.action = args[0];
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) out.output = args[++i];
    else if (out.input.empty() && !args[i].empty() && args[i][0] != '-') out.input = args[i];
    else return std::nullopt;
  }
  if (out.input.empty()) return std::nullopt;
  if (out.action == "dump" || (out.action == "build" && !out.output.empty())) return out;
  return std::nullopt;
}

}  // namespace tav::tools
