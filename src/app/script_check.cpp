#include "app/script_check.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/sjis.h"
#include "script/compile_error.h"
#include "script/runtime.h"
#include "script/script_file.h"

namespace tav::app {
namespace {

namespace fs = std::filesystem;

bool HasScriptExtension(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".tas";
}

// The path as the game would name it: relative to the game folder, with backslashes.
std::string GameName(const fs::path& path, const fs::path& root) {
  std::string name = path.lexically_relative(root).generic_string();
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

}  // namespace

int CheckGameScripts(const std::string& gameDir) {
  script::InitializeRuntime();
  const fs::path root(gameDir);
  std::error_code ec;
  std::vector<fs::path> files;
  for (auto it = fs::recursive_directory_iterator(root / "config", ec); !ec && it != fs::end(it); it.increment(ec)) {
    if (it->is_regular_file(ec) && HasScriptExtension(it->path())) files.push_back(it->path());
  }
  if (ec && files.empty()) {
    std::printf("%s: no config folder to check\n", gameDir.c_str());
    return 1;
  }
  std::sort(files.begin(), files.end());
  int failed = 0;
  for (const fs::path& file : files) {
    std::string error;
    if (!script::CompileScriptFile(file.string(), &error)) {
      const script::CompileError& why = script::LastCompileError();
      std::printf("%s:%d: %s\n", GameName(file, root).c_str(), why.line,
                  why.reason.empty() ? "does not compile" : why.reason.c_str());
      ++failed;
    }
  }
  std::printf("%zu script%s checked, %d failed\n", files.size(), files.size() == 1 ? "" : "s", failed);
  return failed ? 1 : 0;
}

}  // namespace tav::app
