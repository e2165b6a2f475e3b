// Test support: a scratch game folder, the services a game system needs (a headless host and a
// path resolver over the folder), and scripts run in the started game's global frame.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>

#include "engine/builtins/engine_classes.h"
#include "engine/engine_services.h"
#include "engine/game_system.h"
#include "platform/event_file.h"
#include "platform/game_path.h"
#include "platform/host.h"
#include "script/compile/constants.h"
#include "script/core/frame.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/script_file.h"
#include "script/core/statement.h"

namespace tav::engine::testing {

class GameFolderTest : public ::testing::Test {
 public:
  void SetUp() override {
    script::InitializeRuntime();
    RegisterEngineClasses();
    Services() = EngineServices{};
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = std::filesystem::temp_directory_path() /
            ("tav_game_" + std::to_string(::getpid()) + "_" + test->test_suite_name() + "_" + test->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "config");
    paths_ = std::make_unique<platform::GamePathResolver>(root_.string());
    host_ = platform::CreateHeadlessHost(platform::HostOptions{});
    Services().paths = paths_.get();
    Services().host = host_.get();
  }

  void TearDown() override {
    game_.reset();
    Services() = EngineServices{};
    // Defined constants are process-wide: start every test with only NULL, TRUE and FALSE.
    script::constants::Clear();
    script::constants::Initialize();
    script::Registry::CollectGarbageAll();
    std::filesystem::remove_all(root_);
  }

  // A new headless host playing these event-file lines.
  void UseEvents(const std::string& events) {
    platform::HostOptions options;
    std::string error;
    EXPECT_TRUE(platform::ParseEvents(events, "events", ".", options.events, error)) << error;
    host_ = platform::CreateHeadlessHost(options);
    Services().host = host_.get();
  }

  // Writes a file below config/ ("model/Item.def").
  void Write(const std::string& relative, const std::string& bytes) {
    const std::filesystem::path path = root_ / "config" / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    paths_->Invalidate();
  }

  // The three required files, empty unless written already.
  void WriteRequired() {
    for (const char* name : {"global.def", "model.def", "view.def"}) {
      if (!std::filesystem::exists(root_ / "config" / name)) Write(name, "");
    }
  }

  // Constructs the game system (the running game for the built-in functions).
  TAV_GameSystem& Start() {
    WriteRequired();
    game_.reset();
    game_ = std::make_unique<TAV_GameSystem>();
    Services().game = game_.get();
    return *game_;
  }

  // The file named by the RequiredFileError that constructing the game throws, or "".
  std::string MissingRequiredFile() {
    try {
      Start();
    } catch (const RequiredFileError& error) {
      return error.GamePath();
    }
    return "";
  }

  // Runs script text in the game's global frame and answers its RETURN value.
  script::VarRef Run(const std::string& text) {
    script::StatementPtr body = script::CompileScriptText(text);
    EXPECT_NE(body, nullptr) << text;
    if (!body || !game_) return nullptr;
    script::VarRef result;
    body->Execute(result, game_->NewGlobalFrame().get());
    return result;
  }
  int32_t RunLong(const std::string& text) {
    script::VarRef result = Run(text);
    return result ? result->GetLong() : -9999;
  }
  std::string RunText(const std::string& text) {
    script::VarRef result = Run(text);
    return result ? result->GetString() : "<none>";
  }

  // Calls the global function `name` the way a script does; null when it answers none.
  script::VarRef Call(const char* name, std::initializer_list<script::VarRef> args = {}) {
    auto array = script::NewArray();
    for (const script::VarRef& arg : args) array->Add(arg.get());
    auto frame = script::NewFrame(array.get(), nullptr, game_->Globals());
    script::TOL_Var* function = Global(name);
    EXPECT_NE(function, nullptr) << name;
    return function ? function->Call(frame.get()) : nullptr;
  }

  script::TOL_Var* Global(const char* name) { return game_->Globals()->FindMember(name); }

  std::filesystem::path root_;
  std::unique_ptr<platform::GamePathResolver> paths_;
  std::unique_ptr<platform::Host> host_;
  std::unique_ptr<TAV_GameSystem> game_;
};

}  // namespace tav::engine::testing
