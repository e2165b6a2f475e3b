// Script functions: FUNC (a statement body) and FORM (a single expression).
//
// Both are callables (type 7), shared and never copied. A FUNC answers the value of the RETURN
// that ended its body, or none; a FORM answers its expression's value. Neither keeps its body
// in an archive beyond what the stored form needs: a FUNC stores nothing (its body comes from
// the script files again), a FORM its source text, compiled again on loading.
//
// Runaway recursion: a script call nested deeper than kMaxScriptCallDepth, or with too little
// native stack left, answers none (its caller sees INT 0) and the diagnostics name the function.
// Every script call then answers none until the outermost one has returned, so a recursion that
// branches unwinds in linear time instead of retrying at every level.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/core/formulate.h"
#include "script/core/var_function.h"
#include "script/run/returning_body.h"

namespace tav::script {

class TOL_Statement;
class TOL_StateMulti;

inline constexpr int kMaxScriptCallDepth = 2000;

class TOL_VarFuncState : public TOL_VarFunction {
  TOL_DECLARE_CLASS(TOL_VarFuncState)
 public:
  TOL_VarFuncState();
  explicit TOL_VarFuncState(std::unique_ptr<TOL_Statement> body);
  ~TOL_VarFuncState() override;

  VarRef Call(TOL_VarObArray* frame) override;

  TOL_Statement* Body() const { return body_.get(); }
  // Whether a call can start with its frame unfilled (frame_pool.h): the body reads the frame
  // only through its expressions.
  bool RunsUnfilled() const { return runsUnfilled_; }
  // The body as returning steps (returning_body.h); empty unless the body only returns.
  const std::vector<ReturningStep>& Steps() const { return steps_; }
  // Replaces (and destroys) the body.
  void SetBody(std::unique_ptr<TOL_Statement> body);

  // The name the diagnostics use (a member name, a handler's file); may be empty.
  const std::string& Name() const { return name_; }
  void SetName(std::string_view name) { name_ = name; }

 private:
  std::unique_ptr<TOL_Statement> body_;
  TOL_StateMulti* list_ = nullptr;  // the body, when it is a statement list (run inline)
  std::vector<ReturningStep> steps_;  // the list, when it only returns (returning_body.h)
  bool runsUnfilled_ = true;
  std::string name_;
};

class TOL_VarFuncForm : public TOL_VarFunction {
  TOL_DECLARE_CLASS(TOL_VarFuncForm)
 public:
  TOL_VarFuncForm() = default;

  bool IsExpressionCallable() const override { return true; }
  VarRef Call(TOL_VarObArray* frame) override;
  void Serialize(archive::Archive& ar) override;

  // Compiles `text` as the body; on failure the expression is left empty.
  bool Compile(std::string_view text) { return expression_.Compile(text); }
  const TOL_Formulate& Expression() const { return expression_; }

 private:
  TOL_Formulate expression_;
};

// How many script calls are running on this thread (for tests and diagnostics).
int ScriptCallDepth();

}  // namespace tav::script
