#include "engine/object_types.h"

#include <string_view>

#include "engine/type_table.h"
#include "os/diagnostics.h"
#include "script/text/blank_text.h"
#include "script/text/definition_file.h"
#include "script/methods/native_function.h"
#include "script/text/number_text.h"
#include "script/core/scalars.h"
#include "script/script_file.h"
#include "script/core/var_func.h"

namespace tav::engine {

namespace {

using platform::Diagnose;
using platform::Severity;

constexpr char kModelDef[] = "config\\model.def";
constexpr char kModelFolder[] = "config\\model\\";
// Base chains are acyclic; this only bounds a pathological depth.
constexpr int kMaxBaseDepth = 256;

std::string Trimmed(std::string_view text) { return std::string(script::TrimBlanks(text)); }

// The first own FUNC member of `type` that has no body: the one that stopped its binding.
std::string FirstFuncWithoutBody(const script::TOL_VarObject& type) {
  for (const script::MemberMap::Entry& member : type.Members().Entries()) {
    auto* function = dynamic_cast<script::TOL_VarFuncState*>(member.value.get());
    if (function && !function->Body()) return member.name.Text();
  }
  return {};
}

class TypeBuilder {
 public:
  TypeBuilder(TypeCatalog& catalog, script::TOL_VarObject* globals, const script::PathResolver& resolver)
      : catalog_(catalog), globals_(globals), resolver_(resolver) {}

  std::optional<StartupStop> Build(const TypeDeclaration& declaration, const std::string& where);

 private:
  script::Ref<script::TOL_VarObject> Create(const TypeDeclaration& declaration, const std::string& where);
  std::optional<StartupStop> BindFunctions(script::TOL_VarObject& type, const std::string& name);
  void ReadInstanceTable(script::TOL_VarObject& type, const TypeDeclaration& declaration);

  TypeCatalog& catalog_;
  script::TOL_VarObject* globals_;
  const script::PathResolver& resolver_;
};

std::optional<StartupStop> TypeBuilder::Build(const TypeDeclaration& declaration, const std::string& where) {
  const std::string& name = declaration.name;
  const std::string defPath = kModelFolder + name + ".def";
  std::optional<script::PairList> declarations = script::ReadDefinitionFile(defPath, resolver_);
  if (!declarations) {
    Diagnose(Severity::Warning, where,
             "type " + std::to_string(declaration.number) + " is not defined: " + defPath + " cannot be read");
    return std::nullopt;
  }
  script::Ref<script::TOL_VarObject> type = Create(declaration, where);
  script::DeclareMembers(*declarations, type.get());
  catalog_.SetType(declaration.number, type.get());

  // Inherited FORM members found in the file are overridden; a missing own entry ends the
  // binding, leaving the own FORM members after it empty. Neither stops start-up.
  script::BindFormBodies(type.get(), kModelFolder + std::string("form_") + name + ".def", nullptr, resolver_);
  if (std::optional<StartupStop> stop = BindFunctions(*type, name)) return stop;

  type->SetMember(script::NewInt(declaration.number).get(), "_TYPEID");
  globals_->SetMember(script::NewInt(declaration.number).get(), "TID_" + name);
  type->SetMember(IsTypeFunction(), "IsType");
  ReadInstanceTable(*type, declaration);
  return std::nullopt;
}

script::Ref<script::TOL_VarObject> TypeBuilder::Create(const TypeDeclaration& declaration,
                                                      const std::string& where) {
  script::Ref<script::TOL_VarObject> type;
  if (declaration.isArray) {
    type = script::NewArray();
  } else {
    type = script::Make<script::TOL_VarObject>();
  }
  if (declaration.base) {
    script::TOL_VarObject* base = catalog_.Type(*declaration.base);
    if (base) {
      type->SetBase(base);
    } else {
      Diagnose(Severity::Warning, where,
               "base type " + std::to_string(*declaration.base) + " is not defined (yet); the type has no base");
    }
  }
  return type;
}

// Every FUNC member, the inherited ones first (most distant base first), looks for its file in
// the new type's folder: an inherited member found there is overridden, an own member gets its
// body. An own member that gets none stops start-up.
std::optional<StartupStop> TypeBuilder::BindFunctions(script::TOL_VarObject& type, const std::string& name) {
  const std::string folder = kModelFolder + name + "\\";
  if (script::BindFuncBodies(&type, folder, ".tas", nullptr, resolver_)) return std::nullopt;
  const std::string member = FirstFuncWithoutBody(type);
  const std::string path = folder + member + ".tas";
  std::string error;
  script::CompileScriptFile(path, resolver_, &error);
  StartupStop stop = ScriptFileStop(StartupStep::BuildTypes, path, error);
  stop.reason = "FUNC " + member + " of type " + name + ": " + stop.reason;
  return stop;
}

void TypeBuilder::ReadInstanceTable(script::TOL_VarObject& type, const TypeDeclaration& declaration) {
  auto rows = script::NewArray();
  const TableContext context{&catalog_, globals_, resolver_};
  const bool read = ReadTypeTable(rows.get(), &type, kModelFolder + declaration.name + ".csv", -1, context);
  catalog_.SetInstanceTable(declaration.number, read ? rows.get() : nullptr);
}

}  // namespace

script::TOL_VarObject* TypeCatalog::Type(int number) const {
  auto it = types_.find(number);
  return it == types_.end() ? nullptr : it->second.get();
}

script::TOL_VarObArray* TypeCatalog::InstanceTable(int number) const {
  auto it = tables_.find(number);
  return it == tables_.end() ? nullptr : it->second.get();
}

void TypeCatalog::SetType(int number, script::TOL_VarObject* type) {
  types_[number] = script::Ref<script::TOL_VarObject>(type);
}

void TypeCatalog::SetInstanceTable(int number, script::TOL_VarObArray* rows) {
  if (rows) {
    tables_[number] = script::Ref<script::TOL_VarObArray>(rows);
  } else {
    tables_.erase(number);
  }
}

// "[kind :] [base ,] name": split at the first colon, then at the first comma. Neither byte
// can be the second byte of a Shift-JIS character, so a plain search is safe.
TypeDeclaration ParseTypeDeclaration(const std::string& key, const std::string& value) {
  TypeDeclaration declaration;
  declaration.number = script::IntegerPrefix(key);
  std::string_view rest = value;
  if (size_t colon = rest.find(':'); colon != std::string_view::npos) {
    declaration.isArray = script::UpperCaseSjis(Trimmed(rest.substr(0, colon))) == "ARRAY";
    rest.remove_prefix(colon + 1);
  }
  if (size_t comma = rest.find(','); comma != std::string_view::npos) {
    declaration.base = script::IntegerPrefix(Trimmed(rest.substr(0, comma)));
    rest.remove_prefix(comma + 1);
  }
  declaration.name = Trimmed(rest);
  return declaration;
}

std::optional<StartupStop> BuildObjectTypes(TypeCatalog& catalog, script::TOL_VarObject* globals,
                                            const script::PathResolver& resolver) {
  std::string error;
  std::optional<script::PairList> list = script::ReadDefinitionFile(kModelDef, resolver, &error);
  if (!list) {
    Diagnose(Severity::Error, kModelDef, error.empty() ? "cannot be read" : error);
    throw RequiredFileError(kModelDef);
  }
  TypeBuilder builder(catalog, globals, resolver);
  for (const script::DefinitionPair& pair : *list) {
    if (std::optional<StartupStop> stop = builder.Build(ParseTypeDeclaration(pair.key, pair.value), pair.Where())) {
      return stop;
    }
  }
  return std::nullopt;
}

script::TOL_Var* IsTypeFunction() {
  static const script::VarRef function = script::NewNative(
      "IsType", [](script::TOL_Var* self, script::TOL_VarObArray* args, script::TOL_VarObArray*) {
        if (!self || script::ArgCount(args) < 1) return script::NewBool(false);
        static const script::Atom typeId = script::Atom::Intern("_TYPEID");
        const int32_t wanted = args->GetAt(0)->GetLong();
        int depth = 0;
        for (script::TOL_VarObject* base = self->GetBase(); base && depth < kMaxBaseDepth;
             base = base->GetBase(), ++depth) {
          script::TOL_Var* id = base->FindMember(typeId);
          if (id && id->GetLong() == wanted) return script::NewBool(true);
        }
        return script::NewBool(false);
      });
  return function.get();
}

}  // namespace tav::engine
