#include "app/check_names.h"

#include "app/check_script_text.h"
#include "engine/builtins/builtin_functions.h"
#include "engine/engine_integers.h"
#include "engine/builtins/save_functions.h"
#include "script/base/atom.h"
#include "script/text/definition_file.h"
#include "script/core/frame.h"
#include "script/script_file.h"
#include "script/core/var_object.h"

namespace tav::app {
namespace {

// A numbered table's entries up to the first key that is no number or repeats one, as start-up
// reads it.
template <class Store>
void ReadNumbered(const char* path, const script::PathResolver& resolver, std::vector<GameNames::TableStop>& stops,
                  Store store) {
  const std::optional<script::PairList> list = script::ReadDefinitionFile(path, resolver);
  if (!list) return;
  std::set<int> seen;
  for (const script::DefinitionPair& pair : *list) {
    const std::string where = pair.file.empty() ? path : pair.file;
    if (pair.key.empty() || pair.key.size() > 9 || pair.key.find_first_not_of("0123456789") != std::string::npos) {
      stops.push_back({where, pair.line, "\"" + pair.key + "\" is not a number: the table is not read from here on"});
      return;
    }
    const int number = std::stoi(pair.key);
    if (!seen.insert(number).second) {
      stops.push_back({where, pair.line, "number " + pair.key + " appears twice: the table is not read from here on"});
      return;
    }
    store(number, pair.value);
  }
}

}  // namespace

void GameNames::Collect(const script::PathResolver& resolver, const std::set<std::string>& typeNames) {
  names_ = typeNames;
  frame_ = script::NewFrame(nullptr, nullptr, nullptr);
  for (std::string_view name : engine::BuiltinFunctionNames()) names_.insert(UpperAscii(std::string(name)));
  for (engine::EngineInteger which : engine::kEngineIntegers) names_.insert(engine::EngineIntegerName(which));
  {
    // The save functions are added to the globals under their own names.
    script::Ref<script::TOL_VarObject> globals = script::Make<script::TOL_VarObject>();
    engine::AddSaveFunctions(globals.get());
    for (const script::MemberMap::Entry& member : globals->Members().Entries()) names_.insert(member.name.Text());
  }
  for (const char* name : {"NULL", "TRUE", "FALSE", "ISTYPE", "_TYPEID"}) names_.insert(name);
  if (auto globals = script::ReadDefinitionFile("config\\global.def", resolver)) {
    for (const script::DefinitionPair& pair : *globals) {
      for (std::string_view name : script::DeclaredNames(pair.value)) names_.insert(UpperAscii(std::string(name)));
    }
  }
  if (auto constants = script::ReadDefinitionFile("config\\define.def", resolver)) {
    for (const script::DefinitionPair& pair : *constants) names_.insert(pair.key);
  }
  if (auto views = script::ReadDefinitionFile("config\\view.def", resolver)) {
    for (const script::DefinitionPair& pair : *views) names_.insert(UpperAscii("VID_" + pair.value));
  }
  ReadNumbered("config\\string.def", resolver, tableStops_,
               [this](int number, const std::string&) { strings_.insert(number); });
  ReadNumbered("config\\music.def", resolver, tableStops_,
               [this](int number, const std::string& file) { music_.emplace(number, file); });
}

bool GameNames::Defines(const std::string& upperName) const {
  if (names_.count(upperName)) return true;
  return frame_ && frame_->FindMember(script::Atom::Intern(upperName)) != nullptr;
}

const std::string* GameNames::Music(int number) const {
  auto it = music_.find(number);
  return it == music_.end() ? nullptr : &it->second;
}

}  // namespace tav::app
