#include "app/script_check.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <vector>

#include "engine/engine_classes.h"
#include "platform/game_path.h"
#include "platform/sjis.h"
#include "screen/appear_string.h"
#include "screen/var_view.h"
#include "script/compile_error.h"
#include "script/definition_file.h"
#include "script/formulate.h"
#include "script/frame.h"
#include "script/runtime.h"
#include "script/script_file.h"

namespace tav::app {
namespace {

namespace fs = std::filesystem;

bool HasExtension(const fs::path& path, const char* wanted) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == wanted;
}

// Reports in the form authors know from compilers: "path:line: reason", the path as the game
// names it (config\view\title\LEFTDOWN3.tas).
class Checker {
 public:
  explicit Checker(const fs::path& root)
      : root_(root), paths_(root.string()), resolver_([this](std::string_view p) { return paths_.Resolve(p); }) {}

  // Something that works as written but surely not as meant; it does not fail the check.
  void Warn(const std::string& where, int line, const std::string& reason) {
    std::printf("%s:%d: warning: %s\n", where.c_str(), line, reason.c_str());
    ++warned_;
  }

  void Fail(const std::string& where, int line, const std::string& reason) {
    if (line > 0) std::printf("%s:%d: %s\n", where.c_str(), line, reason.c_str());
    else std::printf("%s: %s\n", where.c_str(), reason.c_str());
    ++failed_;
  }

  std::string GameName(const fs::path& path) const {
    std::string name = path.lexically_relative(root_).generic_string();
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
  }

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
    ++checked_;
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
      ++checked_;
      auto real = paths_.Resolve(gamePath);
      std::string error;
      if (!real) {
        Fail(gamePath, 0, "view file missing (named at " + pair.Where() + ")");
      } else if (checkedViews_.insert(fs::path(*real).lexically_normal()).second) {
        ViewFile(gamePath, *real);
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
      ++checked_;
      ViewFile(GameName(file), file.string());
    }
  }

  // A view loads even when an expression it stores does not compile (that expression is then
  // empty), so each is reported with the appearance that holds it.
  void ViewFile(const std::string& gamePath, const std::string& realPath) {
    script::StoredExpressionWatch watch;
    std::string error;
    script::Ref<screen::TOL_VarView> view = screen::LoadViewFile(realPath, error);
    if (!view) {
      Fail(gamePath, 0, error);
      return;
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
    const auto report = [this, &gamePath](const std::string& where, const char* what,
                                          const script::StoredExpressionWatch::Failure& failure) {
      Fail(gamePath, 0, where + what + " \"" + platform::SjisToUtf8(failure.text) + "\": " + failure.reason);
    };
    const screen::TOL_VarView::ChildList& children = view->Children();
    for (size_t i = 0; i < children.size(); ++i) {
      screen::TOL_VarAppear* appear = children[i].get();
      if (!appear) continue;
      // Counted from 1, in the order the view stores them (the order of a JSON dump's children).
      const std::string where = "appearance " + std::to_string(i + 1) + " (part " +
                                std::to_string(appear->PartNumber()) + "): ";
      if (auto failure = take(appear->Condition())) report(where, "condition", *failure);
      if (auto* form = dynamic_cast<screen::TOL_VarFormTextApp*>(appear)) {
        if (auto failure = take(form->TextExpression())) report(where, "text expression", *failure);
      }
    }
    for (const auto& failure : failures) report("", "stored expression", failure);
  }

  void Scripts() {
    std::error_code ec;
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(root_ / "config", ec); !ec && it != fs::end(it); it.increment(ec)) {
      if (it->is_regular_file(ec) && HasExtension(it->path(), ".tas")) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      ++checked_;
      if (!script::CompileScriptFile(file.string())) {
        const script::CompileError& why = script::LastCompileError();
        Fail(GameName(file), why.line, why.reason.empty() ? "does not compile" : why.reason);
      }
    }
  }

  void FormFilesOfTypes() {
    for (const std::string& name : paths_.List("config\\model")) {
      if (name.size() > 9 && name.compare(0, 5, "form_") == 0 && HasExtension(name, ".def")) {
        Expressions("config\\model\\" + name);
      }
    }
  }

  int Summary() const {
    std::printf("%d file%s checked, %d failure%s", checked_, checked_ == 1 ? "" : "s", failed_,
                failed_ == 1 ? "" : "s");
    if (warned_) std::printf(", %d warning%s", warned_, warned_ == 1 ? "" : "s");
    std::printf("\n");
    return failed_ ? 1 : 0;
  }

 private:
  fs::path root_;
  platform::GamePathResolver paths_;
  script::PathResolver resolver_;
  std::set<fs::path> checkedViews_;
  int checked_ = 0;
  int failed_ = 0;
  int warned_ = 0;
};

}  // namespace

int CheckGameScripts(const std::string& gameDir) {
  script::InitializeRuntime();
  engine::RegisterEngineClasses();
  Checker checker{fs::path(gameDir)};
  checker.RequiredFiles();
  checker.HiddenGlobals();
  checker.Expressions("config\\define.def");
  checker.Expressions("config\\form.def");
  checker.FormFilesOfTypes();
  checker.Scripts();
  checker.Views();
  checker.OtherViews();
  return checker.Summary();
}

}  // namespace tav::app
