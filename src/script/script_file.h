// Script files and the declarations, bodies and settings that come from the game's files.
//
// One script file is the body of one function: statements, no header. FUNC members get their
// bodies from script files named after them, FORM members their expressions from a definition
// file; declaration lists create members; setting lists assign them. Failures the language
// itself does not report (a body that does not compile, an unknown declaration keyword) go to
// the diagnostics with the file and line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "script/text/definition_file.h"
#include "script/core/statement.h"
#include "script/text/text_file.h"

namespace tav::script {

// Compiles a script text. Null on failure (LastCompileError() says why and where).
StatementPtr CompileScriptText(std::string_view text);

// Reads a script file (lines joined, each followed by a line feed) and compiles it. Null when it
// cannot be read or does not compile; `errorOut` (optional) then holds "path:line: reason", or
// "path: reason" when no line applies. Without a resolver `path` is a real path.
StatementPtr CompileScriptFile(std::string_view path, std::string* errorOut = nullptr);
StatementPtr CompileScriptFile(std::string_view path, const PathResolver& resolver,
                               std::string* errorOut = nullptr);

// Gives every FUNC member of `object` (its base's first) the body compiled from
// prefix + NAME + suffix. With a target, each body compiled becomes a new FUNC member of the
// target; without one it replaces the member's own body. False when, without a target, a
// member that has no body yet gets none.
bool BindFuncBodies(TOL_Var* object, std::string_view prefix, std::string_view suffix,
                    TOL_Var* target, const PathResolver& resolver = {});

// Gives every FORM member of `object` (its base's first) the expression of its entry in the
// definition file `path`. A file that cannot be read changes nothing and answers true. With a
// target, each expression that compiles becomes a new FORM member of the target; without one it
// is compiled into the member itself, and a member without an entry stops the binding (false).
bool BindFormBodies(TOL_Var* object, std::string_view path, TOL_Var* target,
                    const PathResolver& resolver = {});

// For each (type keyword, "name, name, ...") pair, a fresh member of the keyword's class per
// name (replacing a member of that name). Keywords: INT BOOL LONG DOUBLE STRING FORM FUNC OBJECT
// TIME; a pair with any other keyword declares nothing.
void DeclareMembers(const PairList& list, TOL_Var* object);

// The names of one declaration line's "name, name, ..." text, trimmed, empty ones left out.
std::vector<std::string_view> DeclaredNames(std::string_view names);

// The value a definition file's text stands for, given the member it goes to (may be null):
// a FORM member gets a FORM; a plain decimal number becomes DOUBLE, INT64, BOOL (0 or 1) or INT;
// a STRING member takes other text as it is; anything else is an expression, answered as a FORM
// to be called. Null when an expression does not compile.
VarRef ValueFromText(std::string_view text, TOL_Var* member);

// For each pair whose KEY names a member of `object`: the value of the pair's text (a FORM is
// called with `frame`, and its answer taken) is assigned to the member.
void ApplySettings(const PairList& list, TOL_Var* object, TOL_VarObArray* frame);

}  // namespace tav::script
