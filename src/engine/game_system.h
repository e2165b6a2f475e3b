// TAV_GameSystem: the engine's central object.
//
// Its constructor turns the game folder into a running script world: the base screen, the
// global object with the built-in functions and the declared globals, the definition files in
// their fixed order, the global functions and the start-up script, the object types, the views
// with their handlers, and the numbered string and music tables. A step that fails stops
// construction silently (as games expect); what stopped and why is kept for diagnostics.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/object_types.h"
#include "engine/startup_errors.h"
#include "engine/type_table.h"
#include "engine/view_stack.h"
#include "script/text/definition_file.h"
#include "script/core/statement.h"
#include "script/core/var_array.h"
#include "script/core/var_object.h"

namespace tav::engine {

// The resolver every game file goes through: Services().paths when the shell set one up,
// otherwise the game path read relative to the current directory.
script::PathResolver GameFileResolver();

class TAV_GameSystem {
 public:
  // Runs the construction steps; throws RequiredFileError for a missing required file.
  TAV_GameSystem();
  ~TAV_GameSystem();
  TAV_GameSystem(const TAV_GameSystem&) = delete;
  TAV_GameSystem& operator=(const TAV_GameSystem&) = delete;

  // Engine start after construction: runs the start-up script in a fresh frame, then a full
  // collection.
  void RunStartup();

  script::TOL_VarObject* Globals() const { return globals_.get(); }
  script::TOL_Statement* StartupFunction() const { return startup_.get(); }
  script::TOL_Var* Type(int number) const { return types_.Type(number); }
  script::TOL_VarObArray* InstanceTable(int number) const { return types_.InstanceTable(number); }
  script::TOL_Var* View(int number) const;
  const std::string* MusicName(int number) const;
  const std::string* String(int number) const;
  script::TOL_VarObArray* TimedRemoveEvents() const { return timedRemoveEvents_.get(); }
  ViewStack& Screens() { return screens_; }
  const StartupStop& Stop() const { return stop_; }

  const TypeCatalog& Types() const { return types_; }
  // What reading a table file of this game needs (types, TID names, paths).
  TableContext Tables() const;
  const std::map<int, script::VarRef>& Views() const { return views_; }

  // A frame for scripts the engine runs: five empty slots, the global object in slot 3.
  script::Ref<script::TOL_VarObArray> NewGlobalFrame() const;

 private:
  // Construction steps, in order (StartupStep names them); those answering bool stop
  // construction when false.
  void PrepareFields();
  bool CreateBaseScreen();
  void DeclareGlobals();
  void AddBuiltins();
  bool DefineConstants();
  bool BindGlobalForms();
  bool BindGlobalFuncs();
  void CompileStartup();
  bool BuildTypes();
  void LoadViews();
  void LoadView(int number, const std::string& name);
  void CompileHandlers(script::TOL_Var* view, const std::string& name);
  void LoadNumberedTables();

  // Records why construction stops and reports it; answers false for `return StopAt(...)`.
  bool StopAt(StartupStep step, std::string where, std::string reason);
  // A required definition file, or RequiredFileError.
  script::PairList ReadRequired(const std::string& gamePath) const;

  script::PathResolver resolver_;
  script::Ref<script::TOL_VarObject> globals_;
  std::unique_ptr<script::TOL_Statement> startup_;
  TypeCatalog types_;
  std::map<int, script::VarRef> views_;
  std::map<int, std::string> music_;
  std::map<int, std::string> strings_;
  script::Ref<script::TOL_VarObArray> timedRemoveEvents_;
  ViewStack screens_;
  StartupStop stop_;
};

}  // namespace tav::engine
