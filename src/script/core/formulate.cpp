#include "script/core/formulate.h"

#include "archive/archive.h"
#include "script/text/blank_text.h"
#include "script/core/call_plan.h"
#include "script/text/compile_error.h"
#include "script/core/numeric_plan.h"

namespace tav::script {

TOL_Formulate::TOL_Formulate(const TOL_Formulate& other)
    : source_(other.source_), items_(other.items_), plan_(other.plan_), callPlan_(other.callPlan_) {}

TOL_Formulate& TOL_Formulate::operator=(const TOL_Formulate& other) {
  if (this != &other) {
    source_ = other.source_;
    items_ = other.items_;
    plan_ = other.plan_;
    callPlan_ = other.callPlan_;
  }
  return *this;
}

void TOL_Formulate::Clear() {
  items_.clear();
  source_.clear();
  plan_.reset();
  callPlan_.reset();
}

void TOL_Formulate::Serialize(archive::Archive& ar) {
  if (ar.IsStoring()) {
    ar.WriteString(source_);
  } else {
    // A stored expression that no longer compiles loads as an empty one.
    std::string text = ar.ReadString();
    if (!Compile(text) && !TrimBlanks(text).empty()) {
      StoredExpressionWatch::Report({this, std::move(text), LastCompileError().reason});
    }
  }
}

namespace {
thread_local StoredExpressionWatch* openWatch = nullptr;
}  // namespace

StoredExpressionWatch::StoredExpressionWatch() : outer_(openWatch) { openWatch = this; }
StoredExpressionWatch::~StoredExpressionWatch() { openWatch = outer_; }

void StoredExpressionWatch::Report(Failure failure) {
  if (openWatch) openWatch->failures_.push_back(std::move(failure));
}

}  // namespace tav::script
