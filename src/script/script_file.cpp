#include "script/script_file.h"

#include <cstdint>
#include <vector>

#include "archive/object.h"
#include "os/diagnostics.h"
#include "script/text/compile_error.h"
#include "script/text/number_text.h"
#include "script/core/scalars.h"
#include "script/core/var_func.h"
#include "script/core/var_object.h"
#include "script/core/var_ref.h"

namespace tav::script {
namespace {

using platform::Diagnose;
using platform::Severity;

// Base chains are acyclic (SetBase refuses cycles); this only bounds pathological depth.
constexpr int kMaxBaseDepth = 256;

struct ScriptFailure {
  bool missing = false;  // the file could not be read (as opposed to: it did not compile)
  std::string message;   // "path:line: reason" or "path: reason"
};

StatementPtr CompileScript(std::string_view path, const PathResolver& resolver,
                           ScriptFailure& failure) {
  const std::string shown(path);
  const std::optional<std::string> real = ResolvePath(resolver, path);
  std::string error;
  std::optional<std::string> text;
  if (real) text = ReadTextJoined(*real, &error);
  if (!text) {
    const std::string reason = error.empty() ? "cannot find the file" : error;
    SetCompileError(reason);
    failure.missing = true;
    failure.message = shown + ": " + reason;
    return nullptr;
  }
  bool endedInComment = false;
  StatementPtr body = CompileStatementText(*text, &endedInComment, shown);
  if (!body) {
    const CompileError& why = LastCompileError();
    failure.message = shown + (why.line > 0 ? ":" + std::to_string(why.line) : std::string()) +
                      ": " + why.reason;
    return nullptr;
  }
  if (endedInComment) {
    Diagnose(Severity::Warning, shown, "the file ends inside a /* comment");
  }
  return body;
}

TOL_VarObject* AsObject(TOL_Var* value) {
  return value ? dynamic_cast<TOL_VarObject*>(value->GetTarget()) : nullptr;
}

VarRef NewValueOf(const archive::ClassInfo& info) {
  archive::Object* made = info.create();
  if (auto* value = dynamic_cast<TOL_Var*>(made)) return VarRef::Adopt(value);
  if (made) made->ArchiveRelease();
  return nullptr;
}

// The class a declaration keyword creates; null for a keyword outside the table (or TIME
// while the engine has not registered its time class).
const archive::ClassInfo* DeclarationClass(std::string_view keyword) {
  if (keyword == "INT") return &TOL_VarInt::kClassInfo;
  if (keyword == "BOOL") return &TOL_VarBool::kClassInfo;
  if (keyword == "LONG") return &TOL_VarInt64::kClassInfo;
  if (keyword == "DOUBLE") return &TOL_VarDouble::kClassInfo;
  if (keyword == "STRING") return &TOL_VarString::kClassInfo;
  if (keyword == "FORM") return &TOL_VarFuncForm::kClassInfo;
  if (keyword == "FUNC") return &TOL_VarFuncState::kClassInfo;
  if (keyword == "OBJECT") return &TOL_VarRef::kClassInfo;
  if (keyword == "TIME") return archive::FindClass("TOL_VarTime");
  return nullptr;
}

bool BindFuncs(TOL_Var* object, const std::string& prefix, const std::string& suffix,
               TOL_Var* target, const PathResolver& resolver, int depth) {
  TOL_VarObject* owner = AsObject(object);
  if (!owner || depth > kMaxBaseDepth) return true;
  if (TOL_VarObject* base = owner->GetBase()) {
    if (!BindFuncs(base, prefix, suffix, target ? target : owner, resolver, depth + 1)) return false;
  }
  // Storing into the target may change this object's members (the target may be the object).
  const std::vector<MemberMap::Entry> members = owner->Members().Entries();
  for (const MemberMap::Entry& member : members) {
    auto* function = dynamic_cast<TOL_VarFuncState*>(member.value.get());
    if (!function) continue;
    const std::string& name = member.name.Text();
    ScriptFailure failure;
    StatementPtr body = CompileScript(prefix + name + suffix, resolver, failure);
    if (body && target) {
      auto bound = Make<TOL_VarFuncState>(std::move(body));
      bound->SetName(name);
      target->SetMember(bound.get(), member.name);
    } else if (body) {
      function->SetBody(std::move(body));
      if (function->Name().empty()) function->SetName(name);
    } else if (!target && !function->Body()) {
      return false;  // the caller reports what the failure stops, with the file, line and reason
    } else if (!failure.missing) {
      // The member keeps the body it had (an inherited one): the game runs on, so a warning, but
      // one an author must always see.
      Diagnose(Severity::Warning, "", failure.message + "; FUNC " + name + " keeps the body it had",
               platform::Shown::Always);
    }
  }
  return true;
}

bool BindForms(TOL_Var* object, const PairList& list, const std::string& path, TOL_Var* target,
               int depth) {
  TOL_VarObject* owner = AsObject(object);
  if (!owner || depth > kMaxBaseDepth) return true;
  if (TOL_VarObject* base = owner->GetBase()) {
    if (!BindForms(base, list, path, target ? target : owner, depth + 1)) return false;
  }
  const std::vector<MemberMap::Entry> members = owner->Members().Entries();
  for (const MemberMap::Entry& member : members) {
    auto* form = dynamic_cast<TOL_VarFuncForm*>(member.value.get());
    if (!form) continue;
    const std::string& name = member.name.Text();
    const DefinitionPair* entry = list.Find(name);
    if (!entry) {
      if (target) continue;
      Diagnose(Severity::Warning, path, "FORM " + name + " has no entry in this file");
      return false;
    }
    if (target) {
      auto bound = Make<TOL_VarFuncForm>();
      if (bound->Compile(entry->value)) {
        target->SetMember(bound.get(), member.name);
        continue;
      }
    } else if (form->Compile(entry->value)) {
      continue;
    }
    // The game runs on with this FORM empty (it answers nothing): a warning, but one an author
    // must always see.
    Diagnose(Severity::Warning, entry->Where(), "FORM " + name + ": " + LastCompileError().reason +
             "; the FORM stays empty", platform::Shown::Always);
  }
  return true;
}

// Decimal digits with at most one ".".
bool IsPlainNumber(std::string_view text, bool& hasPoint) {
  hasPoint = false;
  for (char c : text) {
    if (c == '.') {
      if (hasPoint) return false;
      hasPoint = true;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return true;
}

VarRef CompiledForm(std::string_view text) {
  auto form = Make<TOL_VarFuncForm>();
  if (!form->Compile(text)) return nullptr;
  return form;
}

}  // namespace

StatementPtr CompileScriptText(std::string_view text) { return CompileStatementText(text); }

StatementPtr CompileScriptFile(std::string_view path, std::string* errorOut) {
  return CompileScriptFile(path, PathResolver(), errorOut);
}

StatementPtr CompileScriptFile(std::string_view path, const PathResolver& resolver,
                               std::string* errorOut) {
  ScriptFailure failure;
  StatementPtr body = CompileScript(path, resolver, failure);
  if (!body && errorOut) *errorOut = failure.message;
  return body;
}

bool BindFuncBodies(TOL_Var* object, std::string_view prefix, std::string_view suffix,
                    TOL_Var* target, const PathResolver& resolver) {
  return BindFuncs(object, std::string(prefix), std::string(suffix), target, resolver, 0);
}

bool BindFormBodies(TOL_Var* object, std::string_view path, TOL_Var* target,
                    const PathResolver& resolver) {
  const std::optional<PairList> list = ReadDefinitionFile(path, resolver);
  if (!list) return true;
  return BindForms(object, *list, std::string(path), target, 0);
}

std::vector<std::string_view> DeclaredNames(std::string_view names) {
  std::vector<std::string_view> out;
  for (;;) {
    const size_t comma = names.find(',');
    const std::string_view name = TrimBlanks(names.substr(0, comma));
    if (!name.empty()) out.push_back(name);
    if (comma == std::string_view::npos) return out;
    names.remove_prefix(comma + 1);
  }
}

void DeclareMembers(const PairList& list, TOL_Var* object) {
  if (!object) return;
  for (const DefinitionPair& pair : list) {
    const archive::ClassInfo* info = DeclarationClass(pair.key);
    if (!info) {
      Diagnose(Severity::Warning, pair.Where(),
               pair.key == "TIME" ? "TIME is not available: its class is not registered"
                                  : "unknown declaration keyword \"" + pair.key + "\"; nothing declared");
      continue;
    }
    for (std::string_view name : DeclaredNames(pair.value)) {
      VarRef value = NewValueOf(*info);
      const Atom member = Atom::Intern(name);
      if (auto* function = dynamic_cast<TOL_VarFuncState*>(value.get())) {
        function->SetName(member.Text());
      }
      if (value) object->SetMember(value.get(), member);
    }
  }
}

VarRef ValueFromText(std::string_view text, TOL_Var* member) {
  if (dynamic_cast<TOL_VarFuncForm*>(member)) return CompiledForm(text);
  if (text.empty()) return NewString(std::string());
  bool hasPoint = false;
  if (IsPlainNumber(text, hasPoint)) {
    if (hasPoint) return NewDouble(FloatPrefix(text));
    const int64_t number = Integer64Prefix(text);
    if (number < INT32_MIN || number > INT32_MAX) return NewInt64(number);
    if (number == 0 || number == 1) return NewBool(number == 1);
    return NewInt(static_cast<int32_t>(number));
  }
  if (member && member->GetType() == kTypeString) return NewString(std::string(text));
  return CompiledForm(text);
}

void ApplySettings(const PairList& list, TOL_Var* object, TOL_VarObArray* frame) {
  if (!object) return;
  for (const DefinitionPair& pair : list) {
    const VarRef member(object->FindMember(std::string_view(pair.key)));
    if (!member) continue;
    const VarRef value = ValueFromText(pair.value, member.get());
    if (!value) {
      Diagnose(Severity::Warning, pair.Where(),
               "setting " + pair.key + " is not a valid expression: " + LastCompileError().reason);
      continue;
    }
    if (value->GetType() == kTypeFunction) {
      if (const VarRef answer = value->Call(frame)) member->Assign(answer.get());
    } else {
      member->Assign(value.get());
    }
  }
}

}  // namespace tav::script
