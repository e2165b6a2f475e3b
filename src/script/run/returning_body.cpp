#include "script/run/returning_body.h"

#include "script/core/formulate.h"
#include "script/core/statement.h"
#include "script/run/evaluator_stack.h"

namespace tav::script {

bool TOL_StateMulti::AsReturningSteps(std::vector<ReturningStep>& steps) {
  steps.clear();
  for (Entry& entry : statements_) {
    ReturningStep step{entry.statement->Position(), nullptr, nullptr};
    if (entry.returns) {
      step.answer = &entry.returns->Expression();
    } else if (auto* choice = dynamic_cast<TOL_StateIf*>(entry.statement.get())) {
      TOL_StateReturn* returns = choice->OnlyReturn();
      if (!returns) return false;
      step.condition = &choice->Condition();
      step.answer = &returns->Expression();
    } else {
      return false;
    }
    steps.push_back(step);
  }
  return !steps.empty();
}

VarRef RunReturningBody(const std::vector<ReturningStep>& steps, TOL_VarObArray* frame) {
  return eval::RunSteps(steps, frame);
}

}  // namespace tav::script
