#include "app/check_script_text.h"

#include <string_view>

#include "encoding/sjis.h"

namespace tav::app {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsTokenChar(char c) { return IsLetter(c) || IsDigit(c) || c == '.'; }
bool EndsOperand(char c) { return IsLetter(c) || IsDigit(c) || c == '"' || c == '\'' || c == ')' || c == ']'; }
bool StartsOperand(char c) { return IsLetter(c) || IsDigit(c) || c == '"' || c == '\''; }

bool IsDeclarationKeyword(const std::string& word) {
  for (const char* keyword : {"BOOL", "INT", "STRING", "DOUBLE", "LONG", "TIME", "RANDOM", "OBJECT", "ARRAY"}) {
    if (word == keyword) return true;
  }
  return false;
}

bool IsStatementKeyword(const std::string& word) {
  for (const char* keyword : {"IF", "ELSE", "FOR", "WHILE", "RETURN", "BREAK", "CONTINUE"}) {
    if (word == keyword) return true;
  }
  return IsDeclarationKeyword(word);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Walks quoted text the way the scanner does: escapes, and Shift-JIS second bytes that are never
// quotes. Calls `plain(i)` for every byte outside quotes.
template <class Plain>
void ForEachPlainByte(std::string_view text, Plain plain) {
  bool inDouble = false, inSingle = false, escaped = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (escaped) {
      escaped = false;
      continue;
    }
    if (platform::IsSjisLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
      ++i;
      continue;
    }
    if (c == '\\') {
      escaped = true;
      continue;
    }
    if (c == '"' && !inSingle) {
      inDouble = !inDouble;
      continue;
    }
    if (c == '\'' && !inDouble) {
      inSingle = !inSingle;
      continue;
    }
    if (!inDouble && !inSingle && !plain(i)) return;
  }
}

// Follows the statement grammar far enough to know which texts are compiled as expressions.
class Outliner {
 public:
  Outliner(const script::CommentFreeText& source, ScriptOutline& out) : source_(source), text_(source.Text()), out_(out) {}

  void List(size_t pos, size_t end, int depth = 0) {
    while (pos < end) pos = Statement(pos, end, depth);
  }

 private:
  size_t SkipBlanks(size_t pos, size_t end) const {
    while (pos < end && IsBlank(text_[pos])) ++pos;
    return pos;
  }

  std::string_view View(size_t pos, size_t end) const { return std::string_view(text_).substr(pos, end - pos); }

  // One statement at `pos`; answers where the next one starts (`end` when the rest cannot be
  // followed: the compiler fails there and says so).
  size_t Statement(size_t pos, size_t end, int depth) {
    pos = SkipBlanks(pos, end);
    if (pos >= end || depth > kMaxDepth) return end;
    if (text_[pos] == '{') {
      const script::ScanStop stop = script::ScanTo(View(pos + 1, end), '}');
      if (!stop.found) return end;
      List(pos + 1, pos + 1 + stop.end, depth + 1);
      return pos + 1 + stop.end + 1;
    }
    size_t wordEnd = pos;
    while (wordEnd < end && wordEnd - pos < 9 && IsLetter(text_[wordEnd])) ++wordEnd;
    const bool isWord = wordEnd > pos && wordEnd < end && wordEnd - pos < 9 && !IsLetter(text_[wordEnd]);
    const std::string word = isWord ? UpperAscii(text_.substr(pos, wordEnd - pos)) : std::string();
    if (word == "IF" || word == "WHILE" || word == "FOR") {
      const size_t open = SkipBlanks(wordEnd, end);
      if (open >= end || text_[open] != '(') return end;
      const script::ScanStop stop = script::ScanTo(View(open + 1, end), ')');
      if (!stop.found) return end;
      return Statement(open + 1 + stop.end + 1, end, depth + 1);
    }
    if (word == "ELSE") return Statement(wordEnd, end, depth + 1);
    if (word == "BREAK" || word == "CONTINUE") return wordEnd;
    if (word == "RETURN") return Expression(pos, wordEnd, end, "RETURN statement", false);
    if (IsDeclarationKeyword(word)) return Expression(pos, wordEnd, end, word + " declaration", true);
    return Expression(pos, pos, end, "statement", false);
  }

  size_t Expression(size_t start, size_t pos, size_t end, const std::string& what, bool declares) {
    const script::ScanStop stop = script::ScanTo(View(pos, end), ';');
    const size_t stopAt = stop.found ? pos + stop.end : end;
    RunOn(start, pos, stopAt, what);
    if (declares) Declare(pos, stopAt);
    return stop.found ? stopAt + 1 : end;
  }

  // Two operands with only a line break between them, outside brackets: blanks are dropped
  // inside an expression, so the next line became part of this statement.
  void RunOn(size_t start, size_t pos, size_t end, const std::string& what) {
    int depth = 0;
    const std::string_view text = View(pos, end);
    size_t lineStart = 0;  // just after the last line break met
    ForEachPlainByte(text, [&](size_t i) {
      const char c = text[i];
      if (c == '(' || c == '[' || c == '{') ++depth;
      if ((c == ')' || c == ']' || c == '}') && depth > 0) --depth;
      if (c != '\n') return true;
      const size_t previousLineStart = lineStart;
      lineStart = i + 1;
      if (depth != 0) return true;
      size_t before = i;
      while (before > previousLineStart && IsBlank(text[before - 1])) --before;
      // A blank line: the line break before it saw the same neighbours.
      if (before == previousLineStart && previousLineStart > 0) return true;
      while (before > 0 && IsBlank(text[before - 1])) --before;
      size_t after = i;
      while (after < text.size() && IsBlank(text[after])) ++after;
      if (before == 0 || after >= text.size() || !EndsOperand(text[before - 1]) || !StartsOperand(text[after])) {
        return true;
      }
      out_.missingSemicolons.push_back({source_.LineOf(start), source_.LineOf(pos + before - 1),
                                        source_.LineOf(pos + after), what});
      return false;
    });
  }

  void Declare(size_t pos, size_t end) {
    while (pos < end) {
      const script::ScanStop stop = script::ScanTo(View(pos, end), ',');
      const size_t partEnd = stop.found ? pos + stop.end : end;
      std::string_view part = View(pos, partEnd);
      part = Trimmed(part.substr(0, part.find('=')));
      if (!part.empty()) out_.declaredNames.insert(UpperAscii(std::string(part)));
      pos = partEnd + 1;
    }
  }

  // Nesting deeper than any script is written is not followed (a made-up file could otherwise
  // exhaust the stack).
  static constexpr int kMaxDepth = 500;

  const script::CommentFreeText& source_;
  const std::string& text_;
  ScriptOutline& out_;
};

std::vector<std::string> SplitArguments(std::string_view inner) {
  std::vector<std::string> args;
  if (Trimmed(inner).empty()) return args;
  for (;;) {
    const script::ScanStop stop = script::ScanTo(inner, ',');
    args.emplace_back(Trimmed(inner.substr(0, stop.end)));
    if (!stop.found) return args;
    inner.remove_prefix(stop.end + 1);
  }
}

}  // namespace

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

ScriptOutline OutlineScript(const script::CommentFreeText& source) {
  ScriptOutline outline;
  Outliner(source, outline).List(0, source.Text().size());
  return outline;
}

constexpr size_t kMaxCallText = 4096;

// Blanks outside quotes are dropped before an expression is read, so "Fa ct(4)" calls FACT: a
// name runs on over blanks, except after a statement keyword ("RETURN Foo(1)"), which the
// statement parser takes off first.
std::vector<CallSite> FindCalls(const script::CommentFreeText& source) {
  const std::string_view text = source.Text();
  std::vector<CallSite> calls;
  std::string token;  // the name being read, blanks left out
  size_t tokenStart = 0;
  bool inDouble = false, inSingle = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inDouble || inSingle) {
      if (c == '\\') ++i;
      else if (platform::IsSjisLeadByte(static_cast<unsigned char>(c))) ++i;
      else if ((c == '"' && inDouble) || (c == '\'' && inSingle)) inDouble = inSingle = false;
      continue;
    }
    if (IsTokenChar(c)) {
      if (token.empty()) tokenStart = i;
      token += c;
      continue;
    }
    if (IsBlank(c)) {
      if (IsStatementKeyword(UpperAscii(token))) token.clear();
      continue;
    }
    if (c == '(' && !token.empty() && IsLetter(token.front()) && token.find('.') == std::string::npos &&
        !IsStatementKeyword(UpperAscii(token))) {
      // No expression is longer than this; a call left open is not followed to the end of the file.
      const script::ScanStop stop = script::ScanTo(text.substr(i + 1, kMaxCallText), ')');
      calls.push_back({token, source.LineOf(tokenStart), SplitArguments(text.substr(i + 1, stop.end))});
    }
    token.clear();
    if (c == '"') inDouble = true;
    if (c == '\'') inSingle = true;
    if (c == '\\' || platform::IsSjisLeadByte(static_cast<unsigned char>(c))) ++i;
  }
  return calls;
}

bool StringLiteral(const std::string& arg, std::string& text) {
  if (arg.size() < 2 || arg.front() != '"' || arg.back() != '"') return false;
  text.clear();
  for (size_t i = 1; i + 1 < arg.size(); ++i) {
    const char c = arg[i];
    if (platform::IsSjisLeadByte(static_cast<unsigned char>(c)) && i + 2 < arg.size()) {
      text += c;
      text += arg[++i];
    } else if (c == '\\' && i + 2 < arg.size()) {
      text += arg[++i];
    } else if (c == '"') {
      return false;  // two literals joined, or an expression between quotes
    } else {
      text += c;
    }
  }
  return true;
}

}  // namespace tav::app
