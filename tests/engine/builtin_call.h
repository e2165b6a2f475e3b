// Test support: a global object holding the built-in functions, calls into it the way a
// compiled script makes them, a headless host with an event file, and a scratch game folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>

#include <unistd.h>

#include "engine/builtins/builtin_functions.h"
#include "engine/engine_services.h"
#include "engine/message_pump.h"
#include "platform/event_file.h"
#include "platform/game_path.h"
#include "platform/host.h"
#include "screen/screen_classes.h"
#include "script/core/frame.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"

namespace tav::engine::testing {

class BuiltinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    script::InitializeRuntime();
    screen::RegisterScreenValueClasses();
    globals_ = script::Make<script::TOL_VarObject>();
    AddBuiltinFunctions(globals_.get());
    Services() = EngineServices{};
  }

  void TearDown() override {
    SetMessageDispatcher(nullptr);
    Services() = EngineServices{};
    globals_.reset();
    host_.reset();
    paths_.reset();
    if (!gameDir_.empty()) std::filesystem::remove_all(gameDir_);
    script::Registry::CollectGarbageAll();
  }

  // A headless host driven by the lines of an event file.
  platform::Host& UseHost(const std::string& events = "") {
    platform::HostOptions options;
    std::string error;
    EXPECT_TRUE(platform::ParseEvents(events, "events", ".", options.events, error)) << error;
    host_ = platform::CreateHeadlessHost(options);
    Services().host = host_.get();
    return *host_;
  }

  // An empty game folder of its own; files are written below it with WriteFile.
  void UseGameFolder() {
    gameDir_ = std::filesystem::temp_directory_path() /
               ("tav_builtins_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(gameDir_);
    paths_ = std::make_unique<platform::GamePathResolver>(gameDir_.string());
    Services().paths = paths_.get();
  }

  void WriteFile(const std::string& relative, const std::string& bytes) {
    std::filesystem::path path = gameDir_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    paths_->Invalidate();
  }

  // Calls the built-in `name` with these arguments, as `name(args...)` in a script would.
  script::VarRef Call(const char* name, std::initializer_list<script::VarRef> args = {}) {
    auto array = script::NewArray();
    for (const script::VarRef& arg : args) array->Add(arg.get());
    return CallWith(name, array.get());
  }

  script::VarRef CallWith(const char* name, script::TOL_VarObArray* args) {
    auto frame = script::NewFrame(args, nullptr, globals_.get());
    script::TOL_Var* function = globals_->FindMember(name);
    EXPECT_NE(function, nullptr) << name;
    return function ? function->Call(frame.get()) : nullptr;
  }

  static script::VarRef Int(int32_t v) { return script::NewInt(v); }
  static script::VarRef Text(std::string v) { return script::NewString(std::move(v)); }

  script::Ref<script::TOL_VarObject> globals_;
  std::unique_ptr<platform::Host> host_;
  std::unique_ptr<platform::GamePathResolver> paths_;
  std::filesystem::path gameDir_;
};

}  // namespace tav::engine::testing
