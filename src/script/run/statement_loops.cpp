// Loops: WHILE and FOR.
//
// Every value a loop body drops waits for a collection pass, so a long loop runs a pass now and
// then (at most every 20 ms, by the registry's clock); an iteration ended by CONTINUE does not.
#include "script/core/registry.h"
#include "script/core/statement.h"
#include "script/compile/statement_support.h"

namespace tav::script {
namespace {

constexpr uint32_t kLoopCollectionIntervalMs = 20;

// What the loop does after one run of its body: true to go on.
bool AfterBody(int status, VarRef& out, int& result) {
  if (status == kStatusReturn) {
    result = kStatusReturn;
    return false;
  }
  out.reset();
  if (status == kStatusBreak) {
    result = kStatusNormal;
    return false;
  }
  if (status == kStatusNormal) Registry::CollectGarbage(kLoopCollectionIntervalMs);
  return true;
}

// The body of a loop: one statement compiled one loop level deeper.
bool CompileLoopBody(TOL_StateSingle& loop, std::string_view keyword, SourceRecord& source) {
  ++source.loopDepth;
  const bool compiled = loop.TOL_StateSingle::Compile(keyword, source);
  --source.loopDepth;
  return compiled;
}

}  // namespace

bool TOL_StateWhile::Compile(std::string_view keyword, SourceRecord& source) {
  std::string_view condition;
  if (!detail::CutParenthesised(keyword, "WHILE", source, condition)) return false;
  if (!condition_.Compile(condition)) return source.context->FailExpression(keyword.data());
  return CompileLoopBody(*this, keyword, source);
}

int TOL_StateWhile::Execute(VarRef& out, TOL_VarObArray* frame) {
  int result = kStatusNormal;
  while (condition_.EvaluateBool(frame)) {
    // Again each time round: the body and the condition's calls published their own.
    platform::PublishRunningPosition(Position(), frame);
    if (!AfterBody(body_->Execute(out, frame), out, result)) break;
  }
  return result;
}

bool TOL_StateFor::Compile(std::string_view keyword, SourceRecord& source) {
  CompileContext& context = *source.context;
  std::string_view clauses;
  if (!detail::CutParenthesised(keyword, "FOR", source, clauses)) return false;
  std::string_view initialiser;
  std::string_view condition;
  if (!context.Extract(clauses, ';', initialiser) || !context.Extract(clauses, ';', condition)) {
    return context.Fail(keyword.data(), "FOR needs two ';' inside its parentheses");
  }
  if (!initialiser_.Compile(initialiser)) return context.FailExpression(keyword.data());
  condition = TrimBlanks(condition);
  if (!condition.empty()) {
    condition_ = std::make_unique<TOL_Formulate>();
    if (!condition_->Compile(condition)) return context.FailExpression(keyword.data());
  }
  if (!step_.Compile(clauses)) return context.FailExpression(keyword.data());
  return CompileLoopBody(*this, keyword, source);
}

int TOL_StateFor::Execute(VarRef& out, TOL_VarObArray* frame) {
  initialiser_.Execute(frame);
  int result = kStatusNormal;
  for (;;) {
    if (condition_ && !condition_->EvaluateBool(frame)) break;
    platform::PublishRunningPosition(Position(), frame);
    if (!AfterBody(body_->Execute(out, frame), out, result)) break;
    step_.Execute(frame);
  }
  return result;
}

}  // namespace tav::script
