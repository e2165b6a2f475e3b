#include "os/message_box.h"

#include <gtest/gtest.h>

namespace tav::platform {
namespace {

TEST(MessageBoxTest, ButtonsDefaultsAndEscapeFollowTheStyle) {
  struct Case {
    unsigned style;
    std::vector<int> buttons;
    int defaultButton;
    int escape;
  };
  const Case cases[] = {
      {MB_OK, {IDOK}, IDOK, IDOK},
      {MB_OKCANCEL, {IDOK, IDCANCEL}, IDOK, IDCANCEL},
      {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, IDCANCEL, IDCANCEL},
      {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}, IDABORT, 0},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE, 0},
      {MB_YESNOCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION, {IDYES, IDNO, IDCANCEL}, IDNO, IDCANCEL},
      {MB_YESNO, {IDYES, IDNO}, IDYES, 0},
      {MB_YESNO | MB_DEFBUTTON3, {IDYES, IDNO}, IDYES, 0},  // no third button: the first
      {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}, IDRETRY, IDCANCEL},
      {0xF, {IDOK}, IDOK, IDOK},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MessageBoxButtons(c.style), c.buttons) << c.style;
    EXPECT_EQ(DefaultButton(c.style), c.defaultButton) << c.style;
    EXPECT_EQ(EscapeButton(c.style), c.escape) << c.style;
  }
}

TEST(MessageBoxTest, DialogLineConvertsAndEscapesLineBreaks) {
  EXPECT_EQ(DialogLine("MessageBox", ""), "MessageBox: ");
  EXPECT_EQ(DialogLine("InputBox", "\r\n\r\n"), "InputBox: \\n\\n");
  EXPECT_EQ(DialogLine("MessageBox", "\n\r"), "MessageBox: \\n\\n") << "LF CR is two breaks";
  // 表\示: the trail byte 0x5C is part of the character, not a backslash.
  EXPECT_EQ(DialogLine("MessageBox", "\x95\x5C\r\x8E\xA6"), "MessageBox: \xE8\xA1\xA8\\n\xE7\xA4\xBA");
}

}  // namespace
}  // namespace tav::platform
