#include "engine/game_system.h"

#include <filesystem>

#include "engine/engine_services.h"
#include "engine/init_array.h"
#include "os/diagnostics.h"
#include "platform/game_path.h"
#include "screen/screen_classes.h"
#include "script/core/frame.h"
#include "script/core/registry.h"
#include "script/script_file.h"

namespace tav::engine {

using platform::Diagnose;
using platform::Severity;

const char* StartupStepName(StartupStep step) {
  switch (step) {
    case StartupStep::None: return "nothing";
    case StartupStep::PrepareFields: return "preparing the engine's fields";
    case StartupStep::CreateBaseScreen: return "creating the base screen";
    case StartupStep::DeclareGlobals: return "declaring globals";
    case StartupStep::AddBuiltins: return "adding the built-in functions";
    case StartupStep::DefineConstants: return "defining constants";
    case StartupStep::BindGlobalForms: return "binding FORM globals";
    case StartupStep::BindGlobalFuncs: return "binding FUNC globals";
    case StartupStep::CompileStartup: return "compiling the start-up script";
    case StartupStep::BuildTypes: return "building the object types";
    case StartupStep::LoadViews: return "loading views";
    case StartupStep::LoadTables: return "loading the string and music tables";
  }
  return "?";
}

script::PathResolver GameFileResolver() {
  platform::GamePathResolver* paths = Services().paths;
  if (!paths) return {};
  return [paths](std::string_view path) { return paths->Resolve(path); };
}

// Each step runs only when every step before it went through; a step that stops leaves the
// object usable with what was loaded so far.
TAV_GameSystem::TAV_GameSystem() {
  PrepareFields();
  if (!CreateBaseScreen()) return;
  DeclareGlobals();
  AddBuiltins();
  if (!DefineConstants()) return;
  if (!BindGlobalForms()) return;
  if (!BindGlobalFuncs()) return;
  CompileStartup();
  if (!BuildTypes()) return;
  LoadViews();
  LoadNumberedTables();
}

// Torn down in a fixed order: scheduled removals and the start-up body first, so that nothing
// they hold is looked at after the objects they name were released. Values are not freed here;
// what nothing else holds goes at the next collection pass.
TAV_GameSystem::~TAV_GameSystem() {
  if (timedRemoveEvents_) timedRemoveEvents_->RemoveAll();
  startup_.reset();
  if (globals_) globals_->RemoveAllMembers();
  screens_.Clear();
  types_.ReleaseTypes();
  strings_.clear();
  music_.clear();
  views_.clear();
  types_.ReleaseInstanceTables();
  globals_.reset();
}

void TAV_GameSystem::RunStartup() {
  if (startup_) {
    script::Ref<script::TOL_VarObArray> frame = NewGlobalFrame();
    script::VarRef result;
    startup_->Execute(result, frame.get());
  }
  script::Registry::CollectGarbageAll();
}

script::TOL_Var* TAV_GameSystem::View(int number) const {
  auto it = views_.find(number);
  return it == views_.end() ? nullptr : it->second.get();
}

const std::string* TAV_GameSystem::MusicName(int number) const {
  auto it = music_.find(number);
  return it == music_.end() ? nullptr : &it->second;
}

const std::string* TAV_GameSystem::String(int number) const {
  auto it = strings_.find(number);
  return it == strings_.end() ? nullptr : &it->second;
}

TableContext TAV_GameSystem::Tables() const { return TableContext{&types_, globals_.get(), resolver_}; }

script::Ref<script::TOL_VarObArray> TAV_GameSystem::NewGlobalFrame() const {
  return script::NewFrame(nullptr, nullptr, globals_.get());
}

bool TAV_GameSystem::StopAt(StartupStep step, std::string where, std::string reason) {
  Diagnose(Severity::Error, where, std::string("start-up stops while ") + StartupStepName(step) + ": " + reason);
  stop_ = StartupStop{step, std::move(where), std::move(reason)};
  return false;
}

script::PairList TAV_GameSystem::ReadRequired(const std::string& gamePath) const {
  std::string error;
  std::optional<script::PairList> list = script::ReadDefinitionFile(gamePath, resolver_, &error);
  if (!list) {
    Diagnose(Severity::Error, gamePath, error.empty() ? "cannot be read" : error);
    throw RequiredFileError(gamePath);
  }
  return std::move(*list);
}

// The value classes that declarations and stored objects name must be known before any
// definition file is read (TIME, the initializer array); registering them again changes nothing.
void TAV_GameSystem::PrepareFields() {
  screen::RegisterScreenValueClasses();
  RegisterInitArrayClass();
  resolver_ = GameFileResolver();
  globals_ = script::Make<script::TOL_VarObject>();
  timedRemoveEvents_ = script::NewArray();
}

// Pictures are plain memory, so the base screen always exists.
bool TAV_GameSystem::CreateBaseScreen() {
  screens_.CreateBase();
  return true;
}

// Without a start-up script the game simply shows its base screen. A game may do without one,
// so a missing file is only worth a note; a file that is there but does not compile leaves the
// game without what its author meant to run first, which is always reported.
void TAV_GameSystem::CompileStartup() {
  const char* path = "config\\startup.tas";
  std::string error;
  startup_ = script::CompileScriptFile(path, resolver_, &error);
  if (startup_) return;
  const std::optional<std::string> real = script::ResolvePath(resolver_, path);
  std::error_code ec;
  if (!real || !std::filesystem::exists(*real, ec)) {
    Diagnose(Severity::Warning, path, "no start-up script: " + error);
    return;
  }
  const StartupStop why = ScriptFileStop(StartupStep::CompileStartup, path, error);
  Diagnose(Severity::Error, why.where,
           "the start-up script does not compile (" + why.reason + "); the game starts without it");
}

bool TAV_GameSystem::BuildTypes() {
  if (std::optional<StartupStop> stop = BuildObjectTypes(types_, globals_.get(), resolver_)) {
    return StopAt(StartupStep::BuildTypes, std::move(stop->where), std::move(stop->reason));
  }
  return true;
}

}  // namespace tav::engine
