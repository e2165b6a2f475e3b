// Declarations: BOOL INT STRING DOUBLE LONG TIME RANDOM OBJECT ARRAY name [= expression], ...;
#include "archive/object.h"
#include "script/core/frame_pool.h"
#include "script/core/statement.h"
#include "script/compile/statement_support.h"
#include "script/core/var_array.h"

namespace tav::script {
namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Letters, digits, "_" and "$", not starting with a digit. ("$" is accepted here although an
// expression cannot name such a variable.)
bool IsValidDeclaredName(std::string_view name) {
  if (name.empty() || IsDigit(name.front())) return false;
  for (char c : name) {
    if (!IsLetter(c) && !IsDigit(c) && c != '_' && c != '$') return false;
  }
  return true;
}

std::string Quoted(std::string_view name) {
  constexpr size_t kShown = 40;
  std::string text = "\"" + std::string(name.substr(0, kShown));
  if (name.size() > kShown) text += "...";
  return text + "\"";
}

}  // namespace

bool TOL_StateVar::Compile(std::string_view keyword, SourceRecord& source) {
  CompileContext& context = *source.context;
  const char* at = keyword.data();
  const std::string word = UpperCaseSjis(keyword);
  if (!class_) {
    return context.Fail(at, word + " variables are not available: their class is not registered");
  }
  std::string_view list;
  if (!context.Extract(source.text, ';', list)) {
    return context.Fail(at, "missing ';' after the " + word + " declaration");
  }
  bool last = false;
  while (!last) {
    std::string_view part;
    if (!context.Extract(list, ',', part)) {
      part = list;
      last = true;
    }
    const size_t equals = part.find('=');
    const std::string_view name = TrimBlanks(part.substr(0, equals));
    if (!IsValidDeclaredName(name)) return context.Fail(at, "invalid declared name " + Quoted(name));
    names_.push_back(Atom::Intern(name));
    if (equals == std::string_view::npos) continue;
    auto initialiser = std::make_unique<TOL_Formulate>();
    if (!initialiser->Compile(part)) return context.FailExpression(at);
    initialisers_.push_back(std::move(initialiser));
  }
  return true;
}

int TOL_StateVar::Execute(VarRef&, TOL_VarObArray* frame) {
  FramePool::FillNow(frame);
  for (const Atom name : names_) {
    archive::Object* made = class_->create();
    auto* value = dynamic_cast<TOL_Var*>(made);
    if (!value) {
      if (made) made->ArchiveRelease();  // a registered class that is not a value: nothing to store
      continue;
    }
    const VarRef held = VarRef::Adopt(value);
    if (frame) frame->SetMember(value, name);
  }
  for (const auto& initialiser : initialisers_) initialiser->Execute(frame);
  return kStatusNormal;
}

}  // namespace tav::script
