// Arbitrary bytes as a definition file (with INCLUDE lines that may name it again), as a table
// file, and every value and cell converted the way settings and tables convert them: no crash,
// hang or leak.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/game_path.h"
#include "script/text/definition_file.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/script_file.h"
#include "script/text/table_file.h"

namespace {

struct Folder {
  std::filesystem::path root;
  Folder() {
    root = std::filesystem::temp_directory_path() / ("tav-fuzz-def-" + std::to_string(getpid()));
    std::filesystem::create_directories(root / "config");
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tav;
  static Folder folder;
  static bool started = [] {
    script::InitializeRuntime();
    return true;
  }();
  (void)started;
  {
    std::FILE* file = std::fopen((folder.root / "config" / "a.def").c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  platform::GamePathResolver paths(folder.root.string());
  script::PathResolver resolver = [&paths](std::string_view p) { return paths.Resolve(p); };
  auto text = script::NewString("");
  auto number = script::NewInt(0);
  if (auto pairs = script::ReadDefinitionFile("config\\a.def", resolver)) {
    for (const script::DefinitionPair& pair : *pairs) {
      script::ValueFromText(pair.value, text.get());
      script::ValueFromText(pair.value, number.get());
    }
  }
  if (auto rows = script::ReadTableFile("config\\a.def", resolver)) {
    for (const auto& row : *rows) {
      for (const std::string& cell : row) script::ValueFromText(cell, number.get());
    }
  }
  paths.Invalidate();
  script::Registry::CollectGarbageAll();
  return 0;
}
