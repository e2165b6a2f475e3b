// Cutting text into statements: the statement parser, statement lists, single statements and
// expression statements, and the compilation context they share.
#include "archive/object.h"
#include "script/text/compile_error.h"
#include "script/core/scalars.h"
#include "script/base/stack_headroom.h"
#include "script/core/statement.h"
#include "script/compile/statement_support.h"
#include "script/core/var_array.h"
#include "script/core/var_ref.h"

namespace tav::script {
namespace {

bool IsWordChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

// Only the first nine characters are looked at: a word of one to eight letters or underscores
// followed by some other character may be a keyword. A longer word, or one that runs to the end
// of the text, never is (the text is an expression).
size_t KeywordCandidateLength(std::string_view text) {
  size_t n = 0;
  while (n < text.size() && n < 9 && IsWordChar(text[n])) ++n;
  if (n == text.size() || n >= 9) return 0;
  return n;
}

bool EqualsUpper(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char c = word[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

template <class T>
StatementPtr Make() {
  return std::make_unique<T>();
}

template <const archive::ClassInfo* Info>
StatementPtr MakeDeclaration() {
  return std::make_unique<TOL_StateVar>(Info);
}

// Engine classes are registered by the engine at start-up, so they are looked up by name when
// a declaration is compiled.
StatementPtr MakeTimeDeclaration() {
  return std::make_unique<TOL_StateVar>(archive::FindClass("TOL_VarTime"));
}
StatementPtr MakeRandomDeclaration() {
  return std::make_unique<TOL_StateVar>(archive::FindClass("TOL_VarRandom"));
}

struct Keyword {
  std::string_view word;
  StatementPtr (*make)();
};

constexpr Keyword kKeywords[] = {
    {"BOOL", &MakeDeclaration<&TOL_VarBool::kClassInfo>},
    {"INT", &MakeDeclaration<&TOL_VarInt::kClassInfo>},
    {"STRING", &MakeDeclaration<&TOL_VarString::kClassInfo>},
    {"DOUBLE", &MakeDeclaration<&TOL_VarDouble::kClassInfo>},
    {"LONG", &MakeDeclaration<&TOL_VarInt64::kClassInfo>},
    {"TIME", &MakeTimeDeclaration},
    {"RANDOM", &MakeRandomDeclaration},
    {"OBJECT", &MakeDeclaration<&TOL_VarRef::kClassInfo>},
    {"ARRAY", &MakeDeclaration<&TOL_VarObArray::kClassInfo>},
    {"IF", &Make<TOL_StateIf>},
    {"ELSE", &Make<TOL_StateElse>},
    {"FOR", &Make<TOL_StateFor>},
    {"WHILE", &Make<TOL_StateWhile>},
    {"RETURN", &Make<TOL_StateReturn>},
    {"BREAK", &Make<TOL_StateBreak>},
    {"CONTINUE", &Make<TOL_StateContinue>},
};

const Keyword* FindKeyword(std::string_view word) {
  for (const Keyword& keyword : kKeywords) {
    if (EqualsUpper(word, keyword.word)) return &keyword;
  }
  return nullptr;
}

class NestingGuard {
 public:
  explicit NestingGuard(CompileContext& context) : context_(context), entered_(context.EnterNesting()) {}
  ~NestingGuard() {
    if (entered_) context_.LeaveNesting();
  }
  bool Entered() const { return entered_; }

 private:
  CompileContext& context_;
  bool entered_;
};

// "{" ... "}" at the front of `source`: a statement list of its own.
ParseResult ParseBlock(SourceRecord& source, StatementPtr& statement) {
  CompileContext& context = *source.context;
  const char* start = source.text.data();
  std::string_view rest = source.text.substr(1);
  std::string_view inner;
  if (!context.Extract(rest, '}', inner)) {
    context.Fail(start, "unbalanced braces: no '}' closes this block");
    return ParseResult::kFailed;
  }
  auto block = std::make_unique<TOL_StateMulti>();
  SourceRecord blockSource{inner, source.extra, source.loopDepth, source.context};
  if (!block->Compile(std::string_view(start, 0), blockSource)) return ParseResult::kFailed;
  source.text = rest;
  statement = std::move(block);
  return ParseResult::kStatement;
}

}  // namespace

// ---- The compilation context ----

size_t CompileContext::OffsetOf(const char* position) const {
  const std::string_view buffer = Buffer();
  if (position >= buffer.data() && position <= buffer.data() + buffer.size()) {
    return static_cast<size_t>(position - buffer.data());
  }
  for (const Copy& copy : copies_) {
    if (position >= copy.text.data() && position <= copy.text.data() + copy.text.size()) {
      return copy.origin;
    }
  }
  return std::string_view::npos;
}

int CompileContext::LineOf(const char* position) const {
  const size_t offset = OffsetOf(position);
  return offset == std::string_view::npos ? 0 : text_.LineOf(offset);
}

bool CompileContext::Fail(const char* position, std::string reason) const {
  SetCompileError(std::move(reason), LineOf(position));
  return false;
}

bool CompileContext::FailExpression(const char* position) const {
  if (LastCompileError().reason.empty()) SetCompileError("invalid expression");
  SetCompileErrorLine(LineOf(position));
  return false;
}

bool CompileContext::Extract(std::string_view& source, char terminator, std::string_view& before) {
  const ScanStop stop = ScanTo(source, terminator);
  scanned_ += stop.end;
  if (!stop.found) return false;
  if (stop.sawComment) {
    copies_.push_back(Copy{OffsetOf(source.data()), RemoveComments(source.substr(0, stop.end)).Text()});
    before = copies_.back().text;
  } else {
    before = source.substr(0, stop.end);
  }
  source.remove_prefix(stop.end + 1);
  return true;
}

bool CompileContext::EnterNesting() {
  if (nesting_ >= kMaxNesting || scanned_ > scanBudget_ || StackHeadroom() < kMinStackHeadroom) {
    return false;
  }
  ++nesting_;
  return true;
}

// ---- The parser ----

bool StartsWithKeyword(std::string_view text, std::string_view keyword) {
  text = TrimBlanks(text);
  const size_t length = KeywordCandidateLength(text);
  return length > 0 && EqualsUpper(text.substr(0, length), keyword);
}

ParseResult ParseStatement(SourceRecord& source, StatementPtr& statement) {
  CompileContext& context = *source.context;
  source.text = TrimBlanks(source.text);
  if (source.text.empty()) return ParseResult::kNone;
  const bool block = source.text.front() == '{';
  const size_t length = block ? 0 : KeywordCandidateLength(source.text);
  const Keyword* keyword = length > 0 ? FindKeyword(source.text.substr(0, length)) : nullptr;
  if (!block && !keyword) return ParseResult::kNone;

  NestingGuard nesting(context);
  if (!nesting.Entered()) {
    context.Fail(source.text.data(), "statements nested too deeply");
    return ParseResult::kFailed;
  }
  if (block) return ParseBlock(source, statement);
  const std::string_view word = source.text.substr(0, length);
  StatementPtr made = keyword->make();
  source.text.remove_prefix(length);
  if (!made->Compile(word, source)) return ParseResult::kFailed;
  statement = std::move(made);
  return ParseResult::kStatement;
}

StatementPtr CompileStatementText(std::string_view text, bool* endedInComment, std::string_view sourceName) {
  ClearCompileError();
  CompileContext context(RemoveComments(text), platform::RegisterSourceName(sourceName));
  if (endedInComment) *endedInComment = context.EndedInComment();
  SourceRecord source{context.Buffer(), 0, 0, &context};
  auto list = std::make_unique<TOL_StateMulti>();
  if (!list->Compile(std::string_view(source.text.data(), 0), source)) {
    if (LastCompileError().reason.empty()) SetCompileError("does not compile");
    return nullptr;
  }
  return list;
}

// ---- Shared helpers ----

namespace detail {

bool CutParenthesised(std::string_view keyword, const char* name, SourceRecord& source,
                      std::string_view& inside) {
  CompileContext& context = *source.context;
  source.text = TrimLeadingBlanks(source.text);
  if (source.text.empty() || source.text.front() != '(') {
    return context.Fail(keyword.data(), std::string(name) + " needs a condition in parentheses");
  }
  std::string_view rest = source.text.substr(1);
  if (!context.Extract(rest, ')', inside)) {
    return context.Fail(keyword.data(), std::string("unbalanced parentheses after ") + name);
  }
  source.text = rest;
  return true;
}

const char* MissingSemicolonReason(std::string_view text) {
  const ScanStop stop = ScanTo(text, ';');
  if (stop.inQuotes) return "unterminated string or character literal";
  if (stop.openParens > 0) return "unbalanced parentheses";
  if (stop.openBrackets > 0) return "unbalanced brackets";
  if (stop.openBraces > 0) return "unbalanced braces";
  if (TrimLeadingBlanks(text).starts_with('}')) return "unbalanced braces: '}' without '{'";
  return "missing ';' after an expression";
}

bool ParseExpressionStatement(SourceRecord& source, StatementPtr& statement) {
  CompileContext& context = *source.context;
  source.text = TrimLeadingBlanks(source.text);
  const char* start = source.text.data();
  std::string_view expression;
  if (!context.Extract(source.text, ';', expression)) {
    return context.Fail(start, MissingSemicolonReason(source.text));
  }
  expression = TrimBlanks(expression);
  if (expression.empty()) return true;
  auto form = std::make_unique<TOL_StateForm>();
  SourceRecord formSource{expression, source.extra, source.loopDepth, source.context};
  if (!form->Compile(std::string_view(expression.data(), 0), formSource)) return false;
  statement = std::move(form);
  return true;
}

}  // namespace detail

// ---- Lists, single statements and expressions ----

bool TOL_Statement::Compile(std::string_view, SourceRecord&) { return true; }
int TOL_Statement::Execute(VarRef&, TOL_VarObArray*) { return kStatusNormal; }

bool TOL_StateMulti::Compile(std::string_view, SourceRecord& source) {
  for (;;) {
    StatementPtr statement;
    const char* start = TrimLeadingBlanks(source.text).data();
    const ParseResult parsed = ParseStatement(source, statement);
    if (parsed == ParseResult::kFailed) return false;
    if (parsed == ParseResult::kNone) {
      if (source.text.empty()) return true;
      if (!detail::ParseExpressionStatement(source, statement)) return false;
    }
    if (statement) {
      statement->SetPosition(source.context->PositionOf(start));
      auto* returns = dynamic_cast<TOL_StateReturn*>(statement.get());
      statements_.push_back(Entry{std::move(statement), returns});
    }
  }
}

bool TOL_StateSingle::Compile(std::string_view keyword, SourceRecord& source) {
  const char* start = TrimLeadingBlanks(source.text).data();
  const ParseResult parsed = ParseStatement(source, body_);
  if (parsed == ParseResult::kStatement) body_->SetPosition(source.context->PositionOf(start));
  if (parsed != ParseResult::kNone) return parsed == ParseResult::kStatement;
  if (source.text.empty()) {
    return source.context->Fail(keyword.data(),
                                std::string(GetKeyword()) + " is not followed by a statement");
  }
  if (!detail::ParseExpressionStatement(source, body_)) return false;
  if (!body_) body_ = std::make_unique<TOL_StateMulti>();  // a lone ";" does nothing
  body_->SetPosition(source.context->PositionOf(start));
  return true;
}

bool TOL_StateForm::Compile(std::string_view, SourceRecord& source) {
  if (!expression_.Compile(source.text)) return source.context->FailExpression(source.text.data());
  source.text = source.text.substr(source.text.size());
  return true;
}

bool TOL_StateReturn::Compile(std::string_view keyword, SourceRecord& source) {
  std::string_view expression;
  if (!source.context->Extract(source.text, ';', expression)) {
    return source.context->Fail(keyword.data(), "missing ';' after RETURN");
  }
  if (!expression_.Compile(expression)) return source.context->FailExpression(keyword.data());
  return true;
}

bool TOL_StateBreak::Compile(std::string_view keyword, SourceRecord& source) {
  if (source.loopDepth == 0) return source.context->Fail(keyword.data(), "BREAK outside a loop");
  return true;
}

bool TOL_StateContinue::Compile(std::string_view keyword, SourceRecord& source) {
  if (source.loopDepth == 0) return source.context->Fail(keyword.data(), "CONTINUE outside a loop");
  return true;
}

}  // namespace tav::script
