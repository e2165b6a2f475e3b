// Running straight-line code and choices: expression statements, RETURN, lists and IF / ELSE.
#include "script/core/statement.h"
#include "script/compile/statement_support.h"

namespace tav::script {

// The value of an expression statement is released by whatever runs the statement, so it is
// never made.
int TOL_StateForm::Execute(VarRef& out, TOL_VarObArray* frame) {
  out.reset();
  expression_.Execute(frame);
  return kStatusNormal;
}

bool TOL_StateMulti::ReachesFrameOnlyThroughExpressions() const {
  for (const Entry& entry : statements_) {
    if (!entry.statement->ReachesFrameOnlyThroughExpressions()) return false;
  }
  return true;
}

bool TOL_StateIf::Compile(std::string_view keyword, SourceRecord& source) {
  std::string_view condition;
  if (!detail::CutParenthesised(keyword, "IF", source, condition)) return false;
  if (!condition_.Compile(condition)) return source.context->FailExpression(keyword.data());
  if (!TOL_StateSingle::Compile(keyword, source)) return false;
  returns_ = dynamic_cast<TOL_StateReturn*>(body_.get());
  // Only an ELSE right after the then-statement belongs to this IF; anything else is left for
  // the enclosing list. Looking at the word alone (instead of compiling the next statement and
  // throwing it away) keeps nested IFs from compiling their successors over and over.
  if (!StartsWithKeyword(source.text, "ELSE")) return true;
  StatementPtr branch;
  if (ParseStatement(source, branch) != ParseResult::kStatement) return false;
  auto* elseBranch = dynamic_cast<TOL_StateElse*>(branch.get());
  if (!elseBranch) return source.context->Fail(keyword.data(), "ELSE expected after IF");
  branch.release();
  else_.reset(elseBranch);
  return true;
}

int TOL_StateIf::Execute(VarRef& out, TOL_VarObArray* frame) {
  if (condition_.EvaluateBool(frame)) return returns_ ? returns_->Return(out, frame) : body_->Execute(out, frame);
  if (else_) return else_->Execute(out, frame);
  return kStatusNormal;
}

}  // namespace tav::script
