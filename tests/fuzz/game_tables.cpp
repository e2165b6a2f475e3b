// Arbitrary bytes as the files a game's object types are made from: the type's declarations,
// its start-up table, its FORM file, the global declarations, the defined constants and the
// numbered strings; then the same table read as a list and an instance made from every row,
// and a setting file applied to one. The parts are cut at "\n@@\n". No crash, hang or leak.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "engine/builtins/engine_classes.h"
#include "engine/engine_services.h"
#include "engine/game_system.h"
#include "engine/instances.h"
#include "engine/type_table.h"
#include "platform/game_path.h"
#include "platform/host.h"
#include "script/compile/constants.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/var_array.h"

namespace {

namespace fs = std::filesystem;

const char* const kParts[] = {"model/Item.def",  "model/Item.csv", "model/form_Item.def", "global.def",
                              "define.def",      "string.def",     "list/rows.csv",       "model/Item/setting.def"};

struct Folder {
  fs::path root = fs::temp_directory_path() / ("tav-fuzz-tables-" + std::to_string(getpid()));
  Folder() { fs::create_directories(root / "config"); }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  void Write(const std::string& relative, std::string_view bytes) const {
    const fs::path path = root / "config" / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tav;
  static Folder folder;
  static const bool started = [] {
    script::InitializeRuntime();
    engine::RegisterEngineClasses();
    return true;
  }();
  (void)started;
  std::error_code ec;
  fs::remove_all(folder.root / "config", ec);
  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (const char* part : kParts) {
    const size_t cut = input.find("\n@@\n");
    folder.Write(part, input.substr(0, cut));
    input = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 4);
  }
  folder.Write("model.def", "1 Item\n");
  folder.Write("view.def", "");

  platform::GamePathResolver paths(folder.root.string());
  std::unique_ptr<platform::Host> host = platform::CreateHeadlessHost(platform::HostOptions{});
  engine::Services() = engine::EngineServices{};
  engine::Services().paths = &paths;
  engine::Services().host = host.get();
  {
    std::unique_ptr<engine::TAV_GameSystem> game;
    try {
      game = std::make_unique<engine::TAV_GameSystem>();
    } catch (const engine::RequiredFileError&) {
    }
    if (game) {
      engine::Services().game = game.get();
      script::TOL_Var* type = game->Type(1);
      auto rows = script::NewArray();
      engine::ReadTypeTable(rows.get(), type, "config\\list\\rows.csv", -1, game->Tables());
      auto frame = game->NewGlobalFrame();
      for (int i = 0; i < rows->GetCount() && i < 64; ++i) {
        script::VarRef instance = engine::NewInstance(engine::RowType(rows->GetAt(i)), rows->GetAt(i), frame.get());
        if (i == 0 && instance) {
          engine::ApplySettingFile("config\\model\\Item\\setting.def", instance.get(), frame.get(),
                                   engine::GameFileResolver());
        }
      }
    }
    engine::Services().game = nullptr;
  }
  engine::Services() = engine::EngineServices{};
  script::constants::Clear();
  script::constants::Initialize();
  script::Registry::CollectGarbageAll();
  return 0;
}
