// Start-up steps 3, 5, 6 and 7: the declared globals, the defined constants, and the bodies of
// the global FORM and FUNC members.
#include <typeinfo>

#include "engine/game_system.h"
#include "script/text/compile_error.h"
#include "script/compile/constants.h"
#include "script/core/formulate.h"
#include "script/script_file.h"
#include "script/core/var_func.h"

namespace tav::engine {

namespace {

constexpr char kGlobalDef[] = "config\\global.def";
constexpr char kDefineDef[] = "config\\define.def";
constexpr char kFormDef[] = "config\\form.def";
constexpr char kGlobalFuncPrefix[] = "config\\global\\";
constexpr char kScriptSuffix[] = ".tas";

// An evaluation that produced nothing answers a bare value of type 0 (an empty reference, the
// constant NULL, is a value).
bool IsNoValue(const script::VarRef& value) {
  if (!value) return true;
  const script::TOL_Var& var = *value;
  return typeid(var) == typeid(script::TOL_Var);
}

}  // namespace

void TAV_GameSystem::DeclareGlobals() {
  script::DeclareMembers(ReadRequired(kGlobalDef), globals_.get());
}

// Each constant is compiled and evaluated before the next is read, so later lines can
// use earlier constants.
bool TAV_GameSystem::DefineConstants() {
  std::optional<script::PairList> list = script::ReadDefinitionFile(kDefineDef, resolver_);
  if (!list) return true;
  for (const script::DefinitionPair& pair : *list) {
    script::TOL_Formulate expression;
    if (!expression.Compile(pair.value)) {
      return StopAt(StartupStep::DefineConstants, pair.Where(),
                    "constant " + pair.key + " does not compile: " + script::LastCompileError().reason);
    }
    script::VarRef value = expression.Evaluate(NewGlobalFrame().get());
    if (IsNoValue(value)) return StopAt(StartupStep::DefineConstants, pair.Where(), "constant " + pair.key + " has no value");
    if (script::constants::Find(std::string_view(pair.key))) {
      return StopAt(StartupStep::DefineConstants, pair.Where(), "constant " + pair.key + " is already defined");
    }
    script::constants::Define(pair.key, value.get());
  }
  return true;
}

// A FORM global without an entry stops the binding there; find which one for the report.
bool TAV_GameSystem::BindGlobalForms() {
  if (script::BindFormBodies(globals_.get(), kFormDef, nullptr, resolver_)) return true;
  std::string missing;
  if (std::optional<script::PairList> list = script::ReadDefinitionFile(kFormDef, resolver_)) {
    for (const script::MemberMap::Entry& member : globals_->Members().Entries()) {
      if (dynamic_cast<script::TOL_VarFuncForm*>(member.value.get()) && !list->Find(member.name.Text())) {
        missing = member.name.Text();
        break;
      }
    }
  }
  return StopAt(StartupStep::BindGlobalForms, kFormDef, "FORM " + missing + " has no entry");
}

// Binding stops at the first FUNC global that gets no body: it is the first one still
// without a body.
bool TAV_GameSystem::BindGlobalFuncs() {
  if (script::BindFuncBodies(globals_.get(), kGlobalFuncPrefix, kScriptSuffix, nullptr, resolver_)) {
    return true;
  }
  for (const script::MemberMap::Entry& member : globals_->Members().Entries()) {
    auto* function = dynamic_cast<script::TOL_VarFuncState*>(member.value.get());
    if (!function || function->Body()) continue;
    const std::string path = kGlobalFuncPrefix + member.name.Text() + kScriptSuffix;
    std::string error;
    script::CompileScriptFile(path, resolver_, &error);
    StartupStop stop = ScriptFileStop(StartupStep::BindGlobalFuncs, path, error);
    return StopAt(StartupStep::BindGlobalFuncs, stop.where, "FUNC " + member.name.Text() + ": " + stop.reason);
  }
  return StopAt(StartupStep::BindGlobalFuncs, kGlobalFuncPrefix, "a FUNC global has no body");
}

}  // namespace tav::engine
