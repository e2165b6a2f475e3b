#include <gtest/gtest.h>

#include "script/text/source_scanner.h"

namespace tav::script {
namespace {

size_t StopAt(std::string_view text, char terminator) {
  const ScanStop stop = ScanTo(text, terminator);
  return stop.found ? stop.end : std::string_view::npos;
}

TEST(Scanner, TerminatorOutsideQuotesAndBrackets) {
  EXPECT_EQ(StopAt("a(;);b", ';'), 4u);
  EXPECT_EQ(StopAt("x[;]{;};", ';'), 7u);
  EXPECT_EQ(StopAt("\"a;b\";", ';'), 5u);
  EXPECT_EQ(StopAt("'\"';", ';'), 3u);           // a double quote inside single quotes
  EXPECT_EQ(StopAt("\"'\";", ';'), 3u);
  EXPECT_EQ(StopAt("a(b)) c", ')'), 4u);          // the matching parenthesis
  EXPECT_EQ(StopAt(")};", ';'), 2u);              // closing brackets never go below zero
  EXPECT_EQ(StopAt("a[)]);", ')'), 4u);           // inside brackets ")" is no terminator
  EXPECT_EQ(StopAt("abc", ';'), std::string_view::npos);
}

TEST(Scanner, EscapesAndShiftJisSecondBytes) {
  EXPECT_EQ(StopAt("\"a\\\";\";", ';'), 6u);      // "a\";" : the escaped quote does not close
  EXPECT_EQ(StopAt("\\;;", ';'), 2u);             // an escape works outside quotes too
  EXPECT_EQ(StopAt("'\\'';x", ';'), 4u);
  // 0x95 0x5C is one character whose second byte is a backslash: it escapes nothing.
  EXPECT_EQ(StopAt("\"\x95\\\";", ';'), 4u);
  // 0x81 followed by a byte that cannot be a second byte stands alone.
  EXPECT_EQ(StopAt("\x81;", ';'), 1u);
}

TEST(Scanner, CommentsHideTerminators) {
  const ScanStop stop = ScanTo("a /* ; } */ b // ;\n c;", ';');
  ASSERT_TRUE(stop.found);
  EXPECT_EQ(stop.end, 21u);
  EXPECT_TRUE(stop.sawComment);
  EXPECT_EQ(StopAt("\"//\";", ';'), 4u);  // "//" inside a string is not a comment
}

TEST(Scanner, UnfinishedTextReportsItsState) {
  EXPECT_EQ(ScanTo("f(a", ';').openParens, 1);
  EXPECT_EQ(ScanTo("{ x[", ';').openBraces, 1);
  EXPECT_EQ(ScanTo("{ x[", ';').openBrackets, 1);
  EXPECT_TRUE(ScanTo("\"abc", ';').inQuotes);
}

TEST(Scanner, RemovingComments) {
  EXPECT_EQ(RemoveComments("a // c ; }\nb").Text(), "a \nb");
  EXPECT_EQ(RemoveComments("x = 1 /* note */ ;").Text(), "x = 1  ;");
  EXPECT_EQ(RemoveComments("s = \"//not /* a comment\";").Text(), "s = \"//not /* a comment\";");
  EXPECT_EQ(RemoveComments("a; // last line without a line feed").Text(), "a; ");
  EXPECT_EQ(RemoveComments("/*/ still comment */y").Text(), "y");
  EXPECT_EQ(RemoveComments("a//*b*/c\nd").Text(), "a\nd");  // "//" comes first
  const CommentFreeText open = RemoveComments("a; /* never closed");
  EXPECT_EQ(open.Text(), "a; ");
  EXPECT_TRUE(open.EndedInComment());
  EXPECT_FALSE(RemoveComments("a; /**/").EndedInComment());
}

TEST(Scanner, LinesCountLineFeedsInsideRemovedComments) {
  const CommentFreeText text = RemoveComments("a;\n/* one\ntwo\nthree */ b;\nc;");
  ASSERT_EQ(text.Text(), "a;\n b;\nc;");
  EXPECT_EQ(text.LineOf(0), 1);
  EXPECT_EQ(text.LineOf(text.Text().find('b')), 4);
  EXPECT_EQ(text.LineOf(text.Text().find('c')), 5);
  // A comment at the very start: the first character after it is already on a later line.
  const CommentFreeText leading = RemoveComments("/*\n\n*/x;");
  EXPECT_EQ(leading.LineOf(0), 3);
}

}  // namespace
}  // namespace tav::script
