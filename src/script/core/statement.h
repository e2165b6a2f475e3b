// Compiled statements: function bodies and script files are statement lists.
//
// A statement compiles itself from the front of a source record and runs against a call frame,
// answering how it completed: normally, by RETURN (the out value carries the result), by BREAK
// or by CONTINUE. BREAK and CONTINUE compile only inside a loop body, so they never escape a
// function. Statements are owned by their parent; the outermost by its function or the loader.
//
// Compilation never copies the rest of the text: the record views one comment-free buffer that
// lives until the whole text is compiled. A failure records its reason and the line where the
// failing statement starts (compile_error.h) and makes every enclosing list fail.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "os/running_position.h"
#include "script/core/formulate.h"
#include "script/run/returning_body.h"
#include "script/text/source_scanner.h"
#include "script/core/var.h"

namespace tav::archive {
struct ClassInfo;
}

namespace tav::script {

enum StatementStatus : int {
  kStatusNormal = 0,
  kStatusReturn = 1,
  kStatusBreak = 2,
  kStatusContinue = 3,
};

// What one compilation of a whole text shares: the comment-free buffer the records view, the
// lines of positions in it, and the nesting depth reached.
class CompileContext {
 public:
  // `sourceId` names the file the text came from (platform::RegisterSourceName; 0 unknown).
  explicit CompileContext(CommentFreeText text, uint32_t sourceId = 0)
      : text_(std::move(text)),
        sourceId_(sourceId),
        scanBudget_(kScanBudgetPerByte * text_.Text().size() + kScanBudgetBase) {}
  CompileContext(const CompileContext&) = delete;
  CompileContext& operator=(const CompileContext&) = delete;

  std::string_view Buffer() const { return text_.Text(); }
  bool EndedInComment() const { return text_.EndedInComment(); }
  // The source line of a position in any text this context handed out.
  int LineOf(const char* position) const;
  // The file and line of a position, as running statements publish it.
  platform::SourcePosition PositionOf(const char* position) const {
    return platform::MakeSourcePosition(sourceId_, LineOf(position));
  }
  // Records `reason` at the line of `position` and answers false.
  bool Fail(const char* position, std::string reason) const;
  // An expression compiled at `position` failed: its reason is recorded already; add the line.
  bool FailExpression(const char* position) const;

  // Cuts `source` at the first `terminator` outside quotes, comments and brackets: `before`
  // receives the text ahead of it, `source` the text after it. False, leaving both alone, when
  // there is none.
  bool Extract(std::string_view& source, char terminator, std::string_view& before);

  // Statements nest (blocks, bodies, branches) no deeper than this, nor deeper than the native
  // stack allows. Each level scans its own text again, so the bytes scanned are bounded too:
  // a hostile file of nested braces must not take hours to refuse.
  static constexpr int kMaxNesting = 1000;
  static constexpr size_t kScanBudgetPerByte = 32;
  static constexpr size_t kScanBudgetBase = 4u << 20;
  bool EnterNesting();
  void LeaveNesting() { --nesting_; }

 private:
  struct Copy {
    size_t origin;  // offset in the buffer where the copied text starts
    std::string text;
  };
  size_t OffsetOf(const char* position) const;

  CommentFreeText text_;
  uint32_t sourceId_;
  // Text that could not be a slice of the buffer (a comment surfaced while extracting; this
  // takes a stray Shift-JIS first byte in front of a removed comment). Deque: never moves.
  std::deque<Copy> copies_;
  int nesting_ = 0;
  size_t scanned_ = 0;
  size_t scanBudget_;
};

// The source record passed to Compile: the text still to compile, an integer carried along
// unchanged, and the number of enclosing loop bodies.
struct SourceRecord {
  std::string_view text;
  int extra = 0;
  int loopDepth = 0;
  CompileContext* context = nullptr;
};

class TOL_Statement : public TOL_SmallObject {
 public:
  TOL_Statement() = default;
  TOL_Statement(const TOL_Statement&) = delete;
  TOL_Statement& operator=(const TOL_Statement&) = delete;
  virtual ~TOL_Statement() = default;

  virtual const char* GetKeyword() const { return ""; }
  // `keyword` is the word that selected this statement as it stands in the text (empty for
  // lists and expressions, placed where the statement starts); `source` starts after it and is
  // advanced past what the statement consumed.
  virtual bool Compile(std::string_view keyword, SourceRecord& source);
  // Runs the statement; answers a StatementStatus. On kStatusReturn `out` holds the result.
  virtual int Execute(VarRef& out, TOL_VarObArray* frame);
  // Whether running the statement reads its frame only through the expressions it evaluates and
  // the statements it holds (which take care of an unfilled frame, frame_pool.h).
  virtual bool ReachesFrameOnlyThroughExpressions() const { return false; }

  // Where the statement starts; published while it runs, for the stop watchdog.
  platform::SourcePosition Position() const { return position_; }
  void SetPosition(platform::SourcePosition position) {
    position_ = position;
    platform::NoteStatementPosition(position);
  }

 private:
  platform::SourcePosition position_ = 0;
};

using StatementPtr = std::unique_ptr<TOL_Statement>;

// An expression statement: `keyword` is ignored and `source` holds exactly the expression.
class TOL_StateForm : public TOL_Statement {
 public:
  bool Compile(std::string_view keyword, SourceRecord& source) override;
  int Execute(VarRef& out, TOL_VarObArray* frame) override;
  bool ReachesFrameOnlyThroughExpressions() const override { return true; }
  const TOL_Formulate& Expression() const { return expression_; }
  TOL_Formulate& Expression() { return expression_; }

 protected:
  TOL_Formulate expression_;
};

class TOL_StateReturn : public TOL_StateForm {
 public:
  const char* GetKeyword() const override { return "RETURN"; }
  bool Compile(std::string_view keyword, SourceRecord& source) override;
  int Execute(VarRef& out, TOL_VarObArray* frame) override { return Return(out, frame); }
  int Return(VarRef& out, TOL_VarObArray* frame) {
    out = expression_.EvaluateAnswer(frame);
    return kStatusReturn;
  }
};

// One statement: a keyword statement, a block, or an expression up to ";".
class TOL_StateSingle : public TOL_Statement {
 public:
  bool Compile(std::string_view keyword, SourceRecord& source) override;
  int Execute(VarRef& out, TOL_VarObArray* frame) override { return body_->Execute(out, frame); }
  bool ReachesFrameOnlyThroughExpressions() const override {
    return body_ && body_->ReachesFrameOnlyThroughExpressions();
  }

 protected:
  StatementPtr body_;
};

class TOL_StateElse : public TOL_StateSingle {
 public:
  const char* GetKeyword() const override { return "ELSE"; }
};

class TOL_StateIf : public TOL_StateSingle {
 public:
  const char* GetKeyword() const override { return "IF"; }
  bool Compile(std::string_view keyword, SourceRecord& source) override;
  int Execute(VarRef& out, TOL_VarObArray* frame) override;
  bool ReachesFrameOnlyThroughExpressions() const override {
    return TOL_StateSingle::ReachesFrameOnlyThroughExpressions() &&
           (!else_ || else_->ReachesFrameOnlyThroughExpressions());
  }
  TOL_Formulate& Condition() { return condition_; }
  // The RETURN this IF runs when its condition holds, when that is all it does (no ELSE).
  TOL_StateReturn* OnlyReturn() { return else_ ? nullptr : returns_; }

 private:
  TOL_Formulate condition_;
  std::unique_ptr<TOL_StateElse> else_;
  // The then-statement when it is a RETURN (`IF (...) RETURN ...;`, the usual end of a
  // recursion), run without a dispatch through the statement's table.
  TOL_StateReturn* returns_ = nullptr;
};

class TOL_StateWhile : public TOL_StateSingle {
 public:
  const char* GetKeyword() const override { return "WHILE"; }
  bool Compile(std::string_view keyword, SourceRecord& source) override;
  int Execute(VarRef& out, TOL_VarObArray* frame) override;

 private:
  TOL_Formulate condition_;
};

class TOL_StateFor : public TOL_StateSingle {
 public:
  const char* GetKeyword() const override { return "FOR"; }
  bool Compile(std::string_view keyword, SourceRecord& source) override;
  int Execute(VarRef& out, TOL_VarObArray* frame) override;

 private:
  TOL_Formulate initialiser_;
  TOL_Formulate step_;
  std::unique_ptr<TOL_Formulate> condition_;  // none: the loop never ends on its own
};

class TOL_StateMulti : public TOL_Statement {
 public:
  // Compiles statements until `source` is used up.
  bool Compile(std::string_view keyword, SourceRecord& source) override;
  int Execute(VarRef& out, TOL_VarObArray* frame) override { return Run(out, frame); }
  bool ReachesFrameOnlyThroughExpressions() const override;
  size_t Count() const { return statements_.size(); }
  // The list as returning steps (returning_body.h), when every statement is a RETURN or an IF
  // that only returns; false otherwise.
  bool AsReturningSteps(std::vector<ReturningStep>& steps);

  // The hot path of every function body, inline where bodies are run, and a RETURN in the list
  // runs here too: what a native call costs is paid again at every script call. No allocation
  // here, only the statements' own work.
  int Run(VarRef& out, TOL_VarObArray* frame) {
    for (const Entry& entry : statements_) {
      platform::PublishRunningPosition(entry.statement->Position(), frame);
      if (entry.returns) return entry.returns->Return(out, frame);
      const int status = entry.statement->Execute(out, frame);
      if (status != kStatusNormal) return status;
      out.reset();
    }
    return kStatusNormal;
  }

 private:
  struct Entry {
    StatementPtr statement;
    TOL_StateReturn* returns;  // the statement, when it is a RETURN
  };
  std::vector<Entry> statements_;
};

class TOL_StateBreak : public TOL_Statement {
 public:
  const char* GetKeyword() const override { return "BREAK"; }
  bool Compile(std::string_view keyword, SourceRecord& source) override;
  int Execute(VarRef&, TOL_VarObArray*) override { return kStatusBreak; }
  bool ReachesFrameOnlyThroughExpressions() const override { return true; }
};

class TOL_StateContinue : public TOL_Statement {
 public:
  const char* GetKeyword() const override { return "CONTINUE"; }
  bool Compile(std::string_view keyword, SourceRecord& source) override;
  int Execute(VarRef&, TOL_VarObArray*) override { return kStatusContinue; }
  bool ReachesFrameOnlyThroughExpressions() const override { return true; }
};

// A declaration: each name becomes a fresh variable of the class in the frame, then the
// initialisers run in order.
class TOL_StateVar : public TOL_Statement {
 public:
  explicit TOL_StateVar(const archive::ClassInfo* variableClass) : class_(variableClass) {}
  bool Compile(std::string_view keyword, SourceRecord& source) override;
  int Execute(VarRef& out, TOL_VarObArray* frame) override;
  const std::vector<Atom>& Names() const { return names_; }

 private:
  const archive::ClassInfo* class_;  // null: an engine class that is not registered
  std::vector<Atom> names_;
  std::vector<std::unique_ptr<TOL_Formulate>> initialisers_;
};

// Parses one keyword statement or block at the front of `source`.
enum class ParseResult { kStatement, kNone, kFailed };
ParseResult ParseStatement(SourceRecord& source, StatementPtr& statement);
// Whether the statement at the front of `text` starts with `keyword` (upper-case) by the
// parser's rules for keywords.
bool StartsWithKeyword(std::string_view text, std::string_view keyword);

// Compiles a whole text: comments are removed, then the rest is a statement list. Null on
// failure; LastCompileError() says why and on which line. `endedInComment` (optional) tells
// whether the text ended inside a block comment (which is not an error).
// `sourceName` is the file the text came from, named by running statements (may be empty).
StatementPtr CompileStatementText(std::string_view text, bool* endedInComment = nullptr,
                                  std::string_view sourceName = {});

}  // namespace tav::script
