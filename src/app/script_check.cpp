#include "app/script_check.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <vector>

#include "app/check_bindings.h"
#include "app/check_calls.h"
#include "app/check_names.h"
#include "app/check_report.h"
#include "app/check_script_text.h"

#include "engine/builtins/engine_classes.h"
#include "platform/game_path.h"
#include "encoding/sjis.h"
#include "screen/appear_string.h"
#include "screen/var_view.h"
#include "script/text/compile_error.h"
#include "script/text/definition_file.h"
#include "script/core/formulate.h"
#include "script/core/frame.h"
#include "script/runtime.h"
#include "script/script_file.h"
#include "script/text/source_scanner.h"
#include "script/text/text_file.h"

namespace tav::app {
namespace {

namespace fs = std::filesystem;

bool HasExtension(const fs::path& path, const char* wanted) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == wanted;
}

class Checker {
 public:
  explicit Checker(const fs::path& root)
      : report_(root), root_(root), paths_(root.string()),
        resolver_([this](std::string_view p) { return paths_.Resolve(p); }) {}

  void Warn(const std::string& where, int line, const std::string& reason) { report_.Warn(where, line, reason); }
  void Fail(const std::string& where, int line, const std::string& reason) { report_.Fail(where, line, reason); }
  std::string GameName(const fs::path& path) const { return report_.GameName(path); }

  // The files start-up cannot do without.
  void RequiredFiles() {
    for (const char* file : {"config\\global.def", "config\\model.def", "config\\view.def"}) {
      if (!paths_.Resolve(file)) Fail(file, 0, "required file missing");
    }
  }

  // Every value of a definition file that start-up compiles as an expression.
  void Expressions(const std::string& gamePath) {
    if (!paths_.Resolve(gamePath)) return;
    auto pairs = script::ReadDefinitionFile(gamePath, resolver_);
    if (!pairs) return;
    report_.CountFile();
    for (const script::DefinitionPair& pair : *pairs) {
      script::TOL_Formulate formula;
      if (!formula.Compile(pair.value)) {
        Fail(pair.file.empty() ? gamePath : pair.file, pair.line, script::LastCompileError().reason);
      }
    }
  }

  // A script looks a name up in its frame before the globals, and a frame is an array: a
  // global named like an array method (COUNT, ADD, ...) or like ARGS and THIS is never reached
  // by name in any script, which silently finds the frame's member instead.
  void HiddenGlobals() {
    auto pairs = script::ReadDefinitionFile("config\\global.def", resolver_);
    if (!pairs) return;
    script::Ref<script::TOL_VarObArray> frame = script::NewFrame(nullptr, nullptr, nullptr);
    for (const script::DefinitionPair& pair : *pairs) {
      for (std::string_view name : script::DeclaredNames(pair.value)) {
        if (!frame->FindMember(script::Atom::Intern(name))) continue;
        const std::string shown(name);
        Warn(pair.file.empty() ? "config\\global.def" : pair.file, pair.line,
             "global " + shown + " is hidden by the script frame's own " + shown +
                 " (an array method or ARGS/THIS): scripts that name it never reach the global");
      }
    }
  }

  // The stored views named by view.def.
  void Views() {
    auto pairs = script::ReadDefinitionFile("config\\view.def", resolver_);
    if (!pairs) return;
    for (const script::DefinitionPair& pair : *pairs) {
      std::string gamePath = "config\\view\\" + pair.value + ".tav";
      report_.CountFile();
      auto real = paths_.Resolve(gamePath);
      std::string error;
      if (!real) {
        Fail(gamePath, 0, "view file missing (named at " + pair.Where() + ")");
      } else if (checkedViews_.insert(fs::path(*real).lexically_normal()).second) {
        if (script::Ref<screen::TOL_VarView> view = ViewFile(gamePath, *real)) {
          CheckHandlerFiles(report_, paths_, pair.value, *view);
        }
      }
    }
  }

  // Views that view.def does not name (scripts may still show them).
  void OtherViews() {
    std::error_code ec;
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(root_ / "config" / "view", ec); !ec && it != fs::end(it);
         it.increment(ec)) {
      if (it->is_regular_file(ec) && HasExtension(it->path(), ".tav")) files.push_back(it->path().lexically_normal());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      if (!checkedViews_.insert(file).second) continue;
      report_.CountFile();
      ViewFile(GameName(file), file.string());
    }
  }

  // A view loads even when an expression it stores does not compile (that expression is then
  // empty), so each is reported with the appearance that holds it.
  script::Ref<screen::TOL_VarView> ViewFile(const std::string& gamePath, const std::string& realPath) {
    script::StoredExpressionWatch watch;
    std::string error;
    script::Ref<screen::TOL_VarView> view = screen::LoadViewFile(realPath, error);
    if (!view) {
      Fail(gamePath, 0, error);
      return view;
    }
    std::vector<script::StoredExpressionWatch::Failure> failures = watch.Failures();
    const auto take = [&failures](const script::TOL_Formulate& formula) {
      auto it = std::find_if(failures.begin(), failures.end(),
                             [&formula](const auto& failure) { return failure.formula == &formula; });
      std::optional<script::StoredExpressionWatch::Failure> found;
      if (it != failures.end()) {
        found = std::move(*it);
        failures.erase(it);
      }
      return found;
    };
    const auto report = [this, &gamePath](const std::string& where, const std::string& part,
                                          const script::StoredExpressionWatch::Failure& failure) {
      Fail(gamePath, 0, where + " \"" + platform::SjisToUtf8(failure.text) + "\"" + part + ": " + failure.reason);
    };
    const screen::TOL_VarView::ChildList& children = view->Children();
    for (size_t i = 0; i < children.size(); ++i) {
      screen::TOL_VarAppear* appear = children[i].get();
      if (!appear) continue;
      // Named by the JSON pointer of the field in the view's JSON source, as tavtool names it
      // (children counted from 0, in the order the view stores them).
      const std::string child = "/children/" + std::to_string(i);
      const std::string part = " (part " + std::to_string(appear->PartNumber()) + ")";
      if (auto failure = take(appear->Condition())) report(child + "/condition", part, *failure);
      if (auto* form = dynamic_cast<screen::TOL_VarFormTextApp*>(appear)) {
        if (auto failure = take(form->TextExpression())) report(child + "/expression", part, *failure);
      }
    }
    for (const auto& failure : failures) report("stored expression", "", failure);
    return view;
  }

  void Scripts() {
    std::error_code ec;
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(root_ / "config", ec); !ec && it != fs::end(it); it.increment(ec)) {
      if (it->is_regular_file(ec) && HasExtension(it->path(), ".tas")) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      report_.CountFile();
      const std::string name = GameName(file);
      const std::optional<std::string> text = script::ReadTextJoined(file.string());
      const script::CommentFreeText source = script::RemoveComments(text.value_or(""));
      ScriptOutline outline = OutlineScript(source);
      if (!script::CompileScriptFile(file.string())) {
        const script::CompileError& why = script::LastCompileError();
        // A statement that swallowed the next line fails with a reason about the swallowed
        // text ("malformed number"); the missing ";" is what the author must fix.
        auto& missing = outline.missingSemicolons;
        auto cause = std::find_if(missing.begin(), missing.end(),
                                  [&why](const MissingSemicolon& m) { return m.statementLine == why.line; });
        if (cause != missing.end()) {
          Fail(name, cause->line, MissingSemicolonText(*cause));
          missing.erase(cause);
        } else {
          Fail(name, why.line, why.reason.empty() ? "does not compile" : why.reason);
        }
      }
      for (const MissingSemicolon& missing : outline.missingSemicolons) {
        Warn(name, missing.line, MissingSemicolonText(missing));
      }
      CheckCalls(report_, paths_, names_, name, source, outline.declaredNames);
    }
  }

  static std::string MissingSemicolonText(const MissingSemicolon& missing) {
    return "missing ';' after the " + missing.what + " (line " + std::to_string(missing.nextLine) +
           " is read as part of it)";
  }

  // Findings about what start-up binds; collects the names scripts may call.
  void Bindings() {
    CheckConstants(report_, paths_);
    CheckGlobalBindings(report_, paths_);
    std::set<std::string> typeNames;
    CheckTypes(report_, paths_, typeNames);
    names_.Collect(resolver_, typeNames);
    for (const GameNames::TableStop& stop : names_.TableStops()) Warn(stop.file, stop.line, stop.reason);
  }

  void FormFilesOfTypes() {
    for (const std::string& name : paths_.List("config\\model")) {
      if (name.size() > 9 && name.compare(0, 5, "form_") == 0 && HasExtension(name, ".def")) {
        Expressions("config\\model\\" + name);
      }
    }
  }

  int Summary() const { return report_.Summary(); }

 private:
  CheckReport report_;
  GameNames names_;
  fs::path root_;
  platform::GamePathResolver paths_;
  script::PathResolver resolver_;
  std::set<fs::path> checkedViews_;
};

}  // namespace

int CheckGameScripts(const std::string& gameDir) {
  script::InitializeRuntime();
  engine::RegisterEngineClasses();
  Checker checker{fs::path(gameDir)};
  checker.RequiredFiles();
  checker.HiddenGlobals();
  checker.Bindings();
  checker.Expressions("config\\define.def");
  checker.Expressions("config\\form.def");
  checker.FormFilesOfTypes();
  checker.Scripts();
  checker.Views();
  checker.OtherViews();
  return checker.Summary();
}

}  // namespace tav::app
