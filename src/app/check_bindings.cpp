#include "app/check_bindings.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "app/check_script_text.h"
#include "engine/builtins/builtin_functions.h"
#include "engine/object_types.h"
#include "screen/appear.h"
#include "script/text/definition_file.h"
#include "script/script_file.h"

namespace tav::app {
namespace {

constexpr char kGlobalDef[] = "config\\global.def";
constexpr char kFormDef[] = "config\\form.def";
constexpr char kDefineDef[] = "config\\define.def";
constexpr char kModelDef[] = "config\\model.def";

script::PathResolver ResolverOf(platform::GamePathResolver& paths) {
  return [&paths](std::string_view path) { return paths.Resolve(path); };
}

std::string FileOf(const script::DefinitionPair& pair, const char* fallback) {
  return pair.file.empty() ? fallback : pair.file;
}

// Built-in functions replace a declared global of the same name, so such a FUNC or FORM needs no
// body of its own.
bool IsBuiltin(const std::string& upperName) {
  static const std::set<std::string> builtins = [] {
    std::set<std::string> names;
    for (std::string_view name : engine::BuiltinFunctionNames()) names.insert(UpperAscii(std::string(name)));
    return names;
  }();
  return builtins.count(upperName) != 0;
}

// The handler a file name stands for: LEFTDOWN3 -> ("LEFTDOWN", 3). Only the names start-up asks
// for count: a number written with a leading zero is never asked for (nor is 0, which is no
// active number).
std::optional<std::pair<std::string, int>> HandlerName(const std::string& upperStem) {
  for (const char* event : {"LEFTDOWN", "RIGHTDOWN", "KEYDOWN"}) {
    const std::string prefix = event;
    if (upperStem.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string number = upperStem.substr(prefix.size());
    const std::string digits = number.substr(!number.empty() && number.front() == '-' ? 1 : 0);
    if (digits.empty() || digits.size() > 10 || digits.front() == '0') return std::nullopt;
    for (char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
    }
    const long long value = std::stoll(number);
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return std::make_pair(prefix, static_cast<int>(value));
  }
  return std::nullopt;
}

}  // namespace

void CheckConstants(CheckReport& report, platform::GamePathResolver& paths) {
  const std::optional<script::PairList> constants = script::ReadDefinitionFile(kDefineDef, ResolverOf(paths));
  if (!constants) return;
  std::set<std::string> defined{"NULL", "TRUE", "FALSE"};
  for (const script::DefinitionPair& pair : *constants) {
    if (defined.insert(pair.key).second) continue;
    report.Fail(FileOf(pair, kDefineDef), pair.line,
                "constant " + pair.key + " is already defined (start-up stops while defining constants)");
  }
}

void CheckGlobalBindings(CheckReport& report, platform::GamePathResolver& paths) {
  const script::PathResolver resolver = ResolverOf(paths);
  const std::optional<script::PairList> globals = script::ReadDefinitionFile(kGlobalDef, resolver);
  if (!globals) return;
  const std::optional<script::PairList> forms = script::ReadDefinitionFile(kFormDef, resolver);
  for (const script::DefinitionPair& pair : *globals) {
    if (pair.key != "FUNC" && !(pair.key == "FORM" && forms)) continue;
    for (std::string_view declared : script::DeclaredNames(pair.value)) {
      const std::string name(declared);
      if (IsBuiltin(UpperAscii(name))) continue;
      if (pair.key == "FUNC") {
        const std::string file = "config\\global\\" + name + ".tas";
        if (paths.Resolve(file)) continue;
        report.Fail(FileOf(pair, kGlobalDef), pair.line,
                    "FUNC " + name + " has no body: " + file +
                        " does not exist (start-up stops while binding FUNC globals)");
      } else if (!forms->Find(name)) {
        report.Fail(FileOf(pair, kGlobalDef), pair.line,
                    "FORM " + name + " has no entry in " + kFormDef +
                        " (start-up stops while binding FORM globals)");
      }
    }
  }
}

void CheckTypes(CheckReport& report, platform::GamePathResolver& paths, std::set<std::string>& names) {
  const script::PathResolver resolver = ResolverOf(paths);
  const std::optional<script::PairList> types = script::ReadDefinitionFile(kModelDef, resolver);
  if (!types) return;
  std::set<int> defined;
  for (const script::DefinitionPair& pair : *types) {
    const engine::TypeDeclaration type = engine::ParseTypeDeclaration(pair.key, pair.value);
    const std::string where = FileOf(pair, kModelDef);
    const std::string defPath = "config\\model\\" + type.name + ".def";
    const std::optional<script::PairList> members = script::ReadDefinitionFile(defPath, resolver);
    if (!members) {
      report.Warn(where, pair.line,
                  "type " + std::to_string(type.number) + " (" + type.name + ") is not defined: " + defPath +
                      " cannot be read, so the type, its TID_" + type.name + " and its table are missing");
      continue;
    }
    if (type.base && !defined.count(*type.base)) {
      report.Warn(where, pair.line,
                  "base type " + std::to_string(*type.base) + " of " + type.name +
                      " is not defined on an earlier line: the type gets no base");
    }
    defined.insert(type.number);
    names.insert(UpperAscii("TID_" + type.name));
    const std::string formPath = "config\\model\\form_" + type.name + ".def";
    const std::optional<script::PairList> forms = script::ReadDefinitionFile(formPath, resolver);
    bool formsBound = true;  // binding stops at the first own FORM without an entry
    for (const script::DefinitionPair& member : *members) {
      if (member.key != "FORM" || !formsBound) continue;
      for (std::string_view declared : script::DeclaredNames(member.value)) {
        const std::string name(declared);
        if (forms && forms->Find(name)) continue;
        report.Warn(member.file.empty() ? defPath : member.file, member.line,
                    forms ? "FORM " + name + " of type " + type.name + " has no entry in " + formPath +
                                ": it and the type's FORM members declared after it stay empty"
                          : "FORM " + name + " of type " + type.name + " has no body: " + formPath +
                                " does not exist, so the type's FORM members stay empty");
        formsBound = false;
        break;
      }
    }
    for (const script::DefinitionPair& member : *members) {
      for (std::string_view declared : script::DeclaredNames(member.value)) {
        const std::string name(declared);
        names.insert(UpperAscii(name));
        if (member.key != "FUNC") continue;
        const std::string file = "config\\model\\" + type.name + "\\" + name + ".tas";
        if (paths.Resolve(file)) continue;
        report.Fail(member.file.empty() ? defPath : member.file, member.line,
                    "FUNC " + name + " of type " + type.name + " has no body: " + file +
                        " does not exist (start-up stops while building the object types)");
      }
    }
  }
}

void CheckHandlerFiles(CheckReport& report, platform::GamePathResolver& paths, const std::string& viewName,
                       const screen::TOL_VarView& view) {
  // The active numbers in children order, each with the first appearance that has it.
  std::map<int, size_t> active;
  const screen::TOL_VarView::ChildList& children = view.Children();
  for (size_t i = 0; i < children.size(); ++i) {
    if (children[i] && children[i]->ActiveNumber() != 0) active.emplace(children[i]->ActiveNumber(), i);
  }
  const std::string folder = "config\\view\\" + viewName;
  std::set<int> clickHandlers;
  for (const std::string& file : paths.List(folder)) {
    const std::string upper = UpperAscii(file);
    if (upper.size() <= 4 || upper.compare(upper.size() - 4, 4, ".TAS") != 0) continue;
    const std::string gamePath = folder + "\\" + file;
    const std::optional<std::pair<std::string, int>> handler = HandlerName(upper.substr(0, upper.size() - 4));
    if (!handler) {
      report.Warn(gamePath, 0,
                  "not a handler name (LEFTDOWN, RIGHTDOWN or KEYDOWN and an active number): this file is "
                  "never loaded");
    } else if (!active.count(handler->second)) {
      report.Warn(gamePath, 0,
                  "no appearance of view " + viewName + " has active number " + std::to_string(handler->second) +
                      ": this handler is never loaded");
    } else if (handler->first == "LEFTDOWN") {
      clickHandlers.insert(handler->second);
    }
  }
  for (const auto& [number, child] : active) {
    if (clickHandlers.count(number)) continue;
    report.Warn("config\\view\\" + viewName + ".tav", 0,
                "/children/" + std::to_string(child) + " (part " + std::to_string(children[child]->PartNumber()) +
                    ") has active number " + std::to_string(number) + " but there is no " + folder + "\\LEFTDOWN" +
                    std::to_string(number) + ".tas: a click or key on it does nothing");
  }
}

}  // namespace tav::app
