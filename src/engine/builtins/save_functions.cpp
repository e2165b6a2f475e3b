#include "engine/builtins/save_functions.h"

#include <optional>
#include <string>
#include <vector>

#include "engine/engine_services.h"
#include "engine/game_system.h"
#include "engine/save/save_files.h"
#include "engine/save/save_format.h"
#include "engine/save/save_location.h"
#include "os/diagnostics.h"
#include "encoding/sjis.h"
#include "script/methods/method_args.h"
#include "script/methods/native_function.h"
#include "script/core/scalars.h"

namespace tav::engine {
namespace {

using platform::Diagnose;
using platform::Severity;
using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

SaveContext CurrentContext() {
  SaveContext context;
  context.gameName = CurrentSaveLocation().gameName;
  if (TAV_GameSystem* game = Services().game) {
    context.types = &game->Types();
    context.views = &game->Views();
  }
  return context;
}

// The file stem for argument 0, or nothing after a diagnostic naming the call.
std::optional<std::string> NameArgument(const char* function, const MethodArgs& args) {
  std::string reason;
  if (!args.Has(0)) {
    Diagnose(Severity::Error, function, "needs the save's name");
    return std::nullopt;
  }
  const std::string name = args.Text(0);
  std::optional<std::string> stem = SaveFileStem(name, reason);
  if (!stem) {
    Diagnose(Severity::Error, function, "refused the name \"" + platform::SjisToUtf8(name) + "\": " + reason);
    return std::nullopt;
  }
  if (CurrentSaveLocation().folder.empty()) {
    Diagnose(Severity::Error, function, "saving is unavailable: " + CurrentSaveLocation().unavailable);
    return std::nullopt;
  }
  return stem;
}

VarRef TavSave(TOL_Var*, TOL_VarObArray* frameArgs, TOL_VarObArray*) {
  const MethodArgs args(frameArgs);
  std::optional<std::string> stem = NameArgument("TavSave", args);
  if (!stem) return script::NewBool(false);
  TOL_Var* value = args.Value(1);
  if (!value) {
    Diagnose(Severity::Error, "TavSave", "has no value to save under \"" + *stem + "\"");
    return script::NewBool(false);
  }
  const SaveLocation& location = CurrentSaveLocation();
  const std::string where = SaveFilePaths(location.folder, *stem).save.string();
  std::vector<uint8_t> bytes;
  std::string error;
  if (!EncodeSave(value, CurrentContext(), bytes, error)) {
    Diagnose(Severity::Error, where, "not saved: " + error);
    return script::NewBool(false);
  }
  std::string warning;
  if (!WriteSaveFile(location.folder, *stem, bytes, error, warning)) {
    Diagnose(Severity::Error, where, "not saved (the previous save is unchanged): " + error);
    return script::NewBool(false);
  }
  if (!warning.empty()) Diagnose(Severity::Warning, where, warning);
  return script::NewBool(true);
}

// One file's value, or null after a diagnostic naming the file and why.
VarRef LoadOne(const std::filesystem::path& path, Severity severity, bool& missing) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadSaveFile(path, bytes, error, missing)) {
    if (!missing) Diagnose(severity, path.string(), error);
    return nullptr;
  }
  std::vector<std::string> warnings;
  VarRef value = DecodeSave(std::move(bytes), CurrentContext(), error, warnings);
  if (!value) {
    Diagnose(severity, path.string(), "cannot be loaded: " + error);
    return nullptr;
  }
  for (const std::string& warning : warnings) Diagnose(Severity::Warning, path.string(), warning);
  return value;
}

VarRef TavLoad(TOL_Var*, TOL_VarObArray* frameArgs, TOL_VarObArray*) {
  std::optional<std::string> stem = NameArgument("TavLoad", MethodArgs(frameArgs));
  if (!stem) return nullptr;
  const SavePaths paths = SaveFilePaths(CurrentSaveLocation().folder, *stem);
  bool saveMissing = false;
  if (VarRef value = LoadOne(paths.save, Severity::Error, saveMissing)) return value;
  bool backupMissing = false;
  VarRef value = LoadOne(paths.backup, Severity::Error, backupMissing);
  if (value) {
    Diagnose(Severity::Warning, paths.backup.string(), "loaded the previous save instead of " +
                                                           paths.save.filename().string());
  } else if (saveMissing && backupMissing) {
    Diagnose(Severity::Info, paths.save.string(), "no such save");
  }
  return value;
}

VarRef TavSaveExists(TOL_Var*, TOL_VarObArray* frameArgs, TOL_VarObArray*) {
  std::optional<std::string> stem = NameArgument("TavSaveExists", MethodArgs(frameArgs));
  return script::NewBool(stem && SaveFileExists(CurrentSaveLocation().folder, *stem));
}

VarRef TavDeleteSave(TOL_Var*, TOL_VarObArray* frameArgs, TOL_VarObArray*) {
  std::optional<std::string> stem = NameArgument("TavDeleteSave", MethodArgs(frameArgs));
  if (!stem) return script::NewBool(false);
  std::string error;
  if (DeleteSaveFiles(CurrentSaveLocation().folder, *stem, error)) return script::NewBool(true);
  if (!error.empty()) Diagnose(Severity::Error, "TavDeleteSave", error);
  return script::NewBool(false);
}

// Made once and never collected, like the built-in table's functions.
const std::vector<TOL_Var*>& FunctionValues() {
  static const std::vector<TOL_Var*> values = [] {
    const script::NativeBody bodies[] = {TavSave, TavLoad, TavSaveExists, TavDeleteSave};
    std::vector<TOL_Var*> made;
    for (size_t i = 0; i < kSaveFunctionNames.size(); ++i) {
      made.push_back(script::NewNative(kSaveFunctionNames[i], bodies[i]).Leak());
    }
    return made;
  }();
  return values;
}

}  // namespace

void AddSaveFunctions(script::TOL_VarObject* globals) {
  if (!globals) return;
  const std::vector<TOL_Var*>& values = FunctionValues();
  for (size_t i = 0; i < values.size(); ++i) {
    const script::Atom name = script::Atom::Intern(kSaveFunctionNames[i]);
    if (!globals->FindOwnMember(name)) globals->SetMember(values[i], name);
  }
}

}  // namespace tav::engine
