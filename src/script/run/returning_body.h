// Function bodies that only return: `IF (ARGS[0] < 2) RETURN ARGS[0]; RETURN Fib(...) + ...;`,
// the usual shape of a small recursive function.
//
// Such a body runs as a list of steps, each a condition (or none) and the expression it
// returns, instead of through the statements' own dispatch: no list loop over statement
// objects, no IF and RETURN calls through their tables, and a condition or answer that a
// numeric plan covers runs inline. What a call sees is the same as when the statements run
// themselves: each statement publishes its position as it starts (the IF's RETURN does not, as
// it is part of the IF), conditions and answers are evaluated by the same plans and evaluator,
// and a number answer goes to the call waiting for it unmade.
#pragma once

#include <vector>

#include "os/running_position.h"
#include "script/core/var.h"

namespace tav::script {

class TOL_Formulate;

struct ReturningStep {
  platform::SourcePosition position;  // the statement's, published as it starts
  TOL_Formulate* condition;           // an IF's; null for a RETURN
  TOL_Formulate* answer;              // what the step returns
};

// Runs the steps against `frame` as a FUNC body: what the first step whose condition holds
// returns (null when the number went to the waiting call, as EvaluateAnswer does), or null
// when none holds.
VarRef RunReturningBody(const std::vector<ReturningStep>& steps, TOL_VarObArray* frame);

}  // namespace tav::script
