// Reading a script's text the way the compiler cuts it, for findings the compiler cannot make:
// the language accepts some texts that are surely mistakes (two statements run together where a
// ";" was left out, since blanks and line breaks inside an expression are dropped), and it does
// not know which names a call will find until the call runs.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "script/text/source_scanner.h"

namespace tav::app {

// A statement whose expression runs on over a line break into what reads as the next statement.
struct MissingSemicolon {
  int statementLine = 0;  // where the statement starts (where the compiler reports its failure)
  int line = 0;           // the line that should have ended with ";"
  int nextLine = 0;       // the line read as part of the statement
  std::string what;       // "INT declaration", "RETURN statement", "statement"
};

struct ScriptOutline {
  std::vector<MissingSemicolon> missingSemicolons;
  std::set<std::string> declaredNames;  // upper-case names of the script's local variables
};

ScriptOutline OutlineScript(const script::CommentFreeText& source);

// A call of a plain name (not a method: "a.b(" is left out), with its argument texts trimmed.
struct CallSite {
  std::string name;  // as written
  int line = 0;
  std::vector<std::string> args;
};

std::vector<CallSite> FindCalls(const script::CommentFreeText& source);

// The text of a string literal argument ("name.plc" -> name.plc); false when the argument is
// anything else.
bool StringLiteral(const std::string& arg, std::string& text);

std::string UpperAscii(std::string text);

}  // namespace tav::app
