#include "ui/edit_field.h"

#include <gtest/gtest.h>

#include "encoding/sjis.h"

namespace tav::platform {
namespace {

TEST(EditField, KeepsShiftJisAndRefusesWhatCodePage932CannotHold) {
  EditField field;
  // ö, € and an emoji have no place in code page 932; a tab and a stray byte are refused too.
  EXPECT_EQ(field.InsertUtf8("aö漢€ｶ\t\xff😀?"), 5u);
  EXPECT_EQ(field.Text(), Utf8ToSjis("a漢ｶ?"));
  EXPECT_EQ(field.Length(), 4u);
  EXPECT_EQ(field.Caret(), 4u);
  EXPECT_EQ(field.Text().size(), 5u) << "half-width katakana is one byte, kanji two";
}

TEST(EditField, EditsWholeCharactersAtTheCaret) {
  EditField field;
  field.InsertUtf8("表示");  // 表 ends in 0x5C, a byte that must not split the character
  EXPECT_TRUE(field.Backspace());
  EXPECT_EQ(field.Text(), Utf8ToSjis("表"));
  field.Home();
  field.InsertUtf8("a");
  field.End();
  field.InsertUtf8("b");
  EXPECT_EQ(field.Text(), Utf8ToSjis("a表b"));
  field.MoveLeft();
  field.MoveLeft();
  EXPECT_TRUE(field.Delete());
  EXPECT_EQ(field.Text(), "ab");
  EXPECT_EQ(field.Caret(), 1u);
  field.Home();
  EXPECT_FALSE(field.Backspace());
  EXPECT_FALSE(field.MoveLeft());
  field.End();
  EXPECT_FALSE(field.Delete());
  EXPECT_FALSE(field.SetCaret(99)) << "clamped to the end, where the caret already is";
}

TEST(EditField, ShowsTheCompositionAtTheCaretWithoutCommittingIt) {
  EditField field;
  field.InsertUtf8("ab");
  field.MoveLeft();
  field.SetComposition("かん", 1);
  const EditField::Display shown = field.Shown();
  ASSERT_EQ(shown.chars.size(), 4u);
  EXPECT_EQ(shown.chars[1], Utf8ToSjis("か"));
  EXPECT_EQ(shown.compositionBegin, 1u);
  EXPECT_EQ(shown.compositionEnd, 3u);
  EXPECT_EQ(shown.caret, 2u);
  EXPECT_EQ(field.Text(), "ab");
  field.ClearComposition();
  field.InsertUtf8("漢");
  EXPECT_EQ(field.Text(), Utf8ToSjis("a漢b"));
  EXPECT_EQ(field.Shown().caret, 2u);
}

TEST(EditField, RefusesTextBeyondItsLimit) {
  EditField field(3);
  EXPECT_EQ(field.InsertUtf8("a漢字"), 1u);
  EXPECT_EQ(field.Text(), Utf8ToSjis("a漢"));
  field.Backspace();
  EXPECT_EQ(field.InsertUtf8("字"), 0u);
}

}  // namespace
}  // namespace tav::platform
