#include "debug/values_view.h"

#include <algorithm>

#include "encoding/sjis.h"
#include "script/core/var_array.h"
#include "script/core/var_object.h"
#include "script/objects/var_int_ob_map.h"
#include "script/objects/var_place.h"

namespace tav::debug {
namespace {

using script::TOL_Var;

constexpr size_t kMaxShownText = 4096;

TOL_Var* TargetOf(TOL_Var* value) { return value ? value->GetTarget() : nullptr; }

std::string AsUtf8(const std::string& text) {
  return platform::IsValidUtf8(text) ? text : platform::SjisToUtf8(text);
}

std::string Quoted(std::string text) {
  if (text.size() > kMaxShownText) text = text.substr(0, kMaxShownText) + "...";
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string TypeName(TOL_Var* value) {
  TOL_Var* target = TargetOf(value);
  if (!target) return "OBJECT";
  if (dynamic_cast<script::TOL_VarIntObMap*>(target)) return "MAP";
  if (dynamic_cast<script::TOL_VarPlace*>(target)) return "PLACE";
  switch (target->GetType()) {
    case script::kTypeBool: return "BOOL";
    case script::kTypeInt: return "INT";
    case script::kTypeDouble: return "DOUBLE";
    case script::kTypeInt64: return "LONG";
    case script::kTypeString: return "STRING";
    case script::kTypeArray: return "ARRAY";
    case script::kTypeFunction: return "FUNC";
    case script::kTypeObject: return "OBJECT";
    default: return "OBJECT";
  }
}

std::string ValueText(TOL_Var* value) {
  TOL_Var* target = TargetOf(value);
  if (!target) return "(empty)";
  const std::string className = target->GetRuntimeClass().name;
  switch (target->GetType()) {
    case script::kTypeBool:
    case script::kTypeInt:
    case script::kTypeDouble:
    case script::kTypeInt64: return target->GetString();
    case script::kTypeString: return Quoted(AsUtf8(target->GetString()));
    case script::kTypeArray: return TypeName(target) + " (" + std::to_string(target->GetCount()) + ")";
    case script::kTypeFunction: return "FUNC " + className;
    default: return className == "TOL_VarRef" ? "(empty)" : TypeName(target) + " " + className;
  }
}

bool Expands(TOL_Var* value) {
  TOL_Var* target = TargetOf(value);
  if (!target) return false;
  if (target->GetType() == script::kTypeArray) return true;
  if (auto* object = dynamic_cast<script::TOL_VarObject*>(target)) {
    return !object->Members().Empty() || object->GetBase() != nullptr;
  }
  return false;
}

Json ValuesView::Describe(const std::string& name, TOL_Var* value) {
  return Json{{"name", AsUtf8(name)},
              {"value", ValueText(value)},
              {"type", TypeName(value)},
              {"variablesReference", HandleFor(value)}};
}

int ValuesView::HandleFor(TOL_Var* value) {
  if (!Expands(value)) return 0;
  entries_.push_back(Entry{script::VarRef(TargetOf(value)), false, {}, false});
  return static_cast<int>(entries_.size());
}

int ValuesView::HandleForMembers(TOL_Var* object, std::vector<std::string> skip, bool hideBuiltIns) {
  if (!object) return 0;
  entries_.push_back(Entry{script::VarRef(object), true, std::move(skip), hideBuiltIns});
  return static_cast<int>(entries_.size());
}

std::optional<std::vector<Child>> ValuesView::ChildrenOf(int handle) {
  if (handle < 1 || static_cast<size_t>(handle) > entries_.size()) return std::nullopt;
  const Entry entry = entries_[static_cast<size_t>(handle) - 1];
  TOL_Var* target = entry.value.get();
  std::vector<Child> children;
  if (!entry.membersOnly) {
    if (auto* map = dynamic_cast<script::TOL_VarIntObMap*>(target)) {
      auto entries = map->EntriesInHashOrder();
      std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
      for (const auto& [key, element] : entries) {
        children.push_back(Child{"[" + std::to_string(key) + "]", script::VarRef(element)});
      }
    } else if (target->GetType() == script::kTypeArray) {
      const int count = target->GetCount();
      for (int i = 0; i < count; ++i) {
        children.push_back(Child{"[" + std::to_string(i) + "]", script::VarRef(target->GetAt(i))});
      }
    }
  }
  if (auto* object = dynamic_cast<script::TOL_VarObject*>(target)) {
    for (const auto& member : object->Members().Entries()) {
      const std::string& name = member.name.Text();
      if (std::find(entry.skip.begin(), entry.skip.end(), name) != entry.skip.end()) continue;
      // The engine's built-in functions fill the global object; they are not the game's.
      if (entry.hideBuiltIns && member.value && std::string_view(member.value->GetRuntimeClass().name) == "TOL_VarFunction") {
        continue;
      }
      children.push_back(Child{name, script::VarRef(member.value.get())});
    }
    if (!entry.membersOnly && object->GetBase()) {
      children.push_back(Child{"(model)", script::VarRef(object->GetBase())});
    }
  }
  return children;
}

}  // namespace tav::debug
