// Loading the views: the numbered views of "config\view.def", each loaded from its stored form,
// with the event handlers of its active appearances compiled into members (LEFTDOWN3 ...).
#include <filesystem>
#include <set>

#include "engine/game_system.h"
#include "os/diagnostics.h"
#include "screen/appear.h"
#include "screen/var_view.h"
#include "script/text/number_text.h"
#include "script/core/scalars.h"
#include "script/script_file.h"
#include "script/core/var_func.h"

namespace tav::engine {

namespace {

using platform::Diagnose;
using platform::Severity;

constexpr char kViewDef[] = "config\\view.def";
constexpr char kViewFolder[] = "config\\view\\";
constexpr const char* kEventNames[] = {"LEFTDOWN", "RIGHTDOWN", "KEYDOWN"};

// The active numbers of a view's appearances, in children order, each once.
std::vector<int32_t> DistinctActiveNumbers(screen::TOL_VarView& view) {
  std::vector<int32_t> numbers;
  std::set<int32_t> met;
  for (const script::Ref<screen::TOL_VarAppear>& child : view.Children()) {
    if (!child || child->ActiveNumber() == 0) continue;
    if (met.insert(child->ActiveNumber()).second) numbers.push_back(child->ActiveNumber());
  }
  return numbers;
}

std::optional<std::string> ExistingFile(const script::PathResolver& resolver, const std::string& path) {
  std::optional<std::string> real = script::ResolvePath(resolver, path);
  std::error_code ec;
  if (real && !std::filesystem::is_regular_file(*real, ec)) real.reset();
  return real;
}

}  // namespace

void TAV_GameSystem::LoadViews() {
  for (const script::DefinitionPair& pair : ReadRequired(kViewDef)) {
    LoadView(script::IntegerPrefix(pair.key), pair.value);
  }
}

// A view file that cannot be opened, like a required definition file, means the game cannot
// start; so does one whose contents cannot be read.
void TAV_GameSystem::LoadView(int number, const std::string& name) {
  const std::string path = kViewFolder + name + ".tav";
  std::optional<std::string> real = ExistingFile(resolver_, path);
  if (!real) {
    Diagnose(Severity::Error, path, "view file not found");
    throw RequiredFileError(path);
  }
  std::string error;
  script::Ref<screen::TOL_VarView> view = screen::LoadViewFile(*real, error);
  if (!view) {
    Diagnose(Severity::Error, path, error.empty() ? "the view file cannot be read" : error);
    throw RequiredFileError(path);
  }
  views_[number] = view;
  globals_->SetMember(script::NewInt(number).get(), "VID_" + name);
  CompileHandlers(view.get(), name);
}

// A handler file that is missing is simply not there; one that does not compile is reported.
void TAV_GameSystem::CompileHandlers(script::TOL_Var* view, const std::string& name) {
  auto* stored = dynamic_cast<screen::TOL_VarView*>(view);
  if (!stored) return;
  for (int32_t active : DistinctActiveNumbers(*stored)) {
    for (const char* event : kEventNames) {
      const std::string member = event + std::to_string(active);
      const std::string path = kViewFolder + name + "\\" + member + ".tas";
      if (!ExistingFile(resolver_, path)) continue;
      std::string error;
      script::StatementPtr body = script::CompileScriptFile(path, resolver_, &error);
      if (!body) {
        const StartupStop why = ScriptFileStop(StartupStep::LoadViews, path, error);
        Diagnose(Severity::Error, why.where, "handler " + member + " not loaded: " + why.reason);
        continue;
      }
      auto handler = script::Make<script::TOL_VarFuncState>(std::move(body));
      handler->SetName(path);
      view->SetMember(handler.get(), member);
    }
  }
}

}  // namespace tav::engine
