// The source scanner: how script text is cut into pieces.
//
// Statements are found by scanning for a terminator (";" ending an expression, ")" closing a
// condition, "}" closing a block, "," between declared names) that lies outside quotes and
// comments with no bracket open. A backslash makes the next character plain, and the second
// byte of a Shift-JIS character is never read as a quote, backslash, bracket or terminator
// (0x5C, the backslash, is a valid second byte). The same walk with no terminator removes the
// comments of a whole text before it is compiled.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "script/text/blank_text.h"

namespace tav::script {


// Where a scan for a terminator stopped, and in what state.
struct ScanStop {
  bool found = false;       // the terminator was met
  size_t end = 0;           // its offset, or the length of the text when not found
  bool sawComment = false;  // a comment lies before `end`: the text before it is not a plain slice
  // The state at the end of the text when the terminator was not found, for diagnostics.
  bool inQuotes = false;
  int openParens = 0;
  int openBrackets = 0;
  int openBraces = 0;
};

// Scans `text` for `terminator`. Only the first "(" "[" "{" depth of zero counts; closing
// brackets never take a depth below zero.
ScanStop ScanTo(std::string_view text, char terminator);

// A text with its comments removed, and what is needed to map positions in it back to lines
// of the source text (block comments may have swallowed line feeds).
class CommentFreeText {
 public:
  const std::string& Text() const { return text_; }
  // The 1-based line of the source text on which the character at `offset` of Text() stood.
  int LineOf(size_t offset) const;
  // The text ended inside a block comment (everything after its "/*" was dropped).
  bool EndedInComment() const { return endedInComment_; }

 private:
  friend CommentFreeText RemoveComments(std::string_view source);
  std::string text_;
  std::vector<size_t> removedLineBreaks_;  // offsets in text_, ascending, one per swallowed line feed
  bool endedInComment_ = false;
  // Offsets of the line feeds in text_, built on the first LineOf: every statement asks for its
  // line, and counting from the start each time would make a large file quadratic.
  mutable std::vector<size_t> lineFeeds_;
  mutable bool lineFeedsFound_ = false;
};

// Drops "//" comments up to (not including) their line feed and "/* ... */" comments, outside
// quotes.
CommentFreeText RemoveComments(std::string_view source);

}  // namespace tav::script
