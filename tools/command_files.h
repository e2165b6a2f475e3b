// What the dump and build commands share: reading the input, parsing JSON, writing the output.
// Each reports its own failure on stderr, prefixed with the command ("tavtool place: ...").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "json_access.h"

namespace tav::tools {

std::optional<std::vector<uint8_t>> ReadInputBytes(const char* command, const std::string& path);
std::optional<Json> ReadInputJson(const char* command, const std::string& path);
// `path` empty: standard output.
bool WriteOutput(const char* command, const std::string& path, const void* data, size_t size);

// The arguments of `COMMAND dump FILE [-o OUT]` and `COMMAND build FILE -o OUT`.
struct DumpBuildArguments {
  std::string action, input, output;
};
std::optional<DumpBuildArguments> ParseDumpBuild(const std::vector<std::string>& args);

}  // namespace tav::tools
