// The dialogs drawn in the game window, driven by the events the window's loop hands them.

#include <gtest/gtest.h>

#include "ui/about_box.h"
#include "ui/input_dialog.h"
#include "os/message_box.h"
#include "ui/message_dialog.h"
#include "ui/popup_menu.h"
#include "encoding/sjis.h"
#include "os/virtual_keys.h"

namespace tav::platform {
namespace {

DialogEvent Key(int vk, bool shift = false) {
  DialogEvent event;
  event.key = vk;
  event.shift = shift;
  return event;
}

DialogEvent Text(std::string utf8) {
  DialogEvent event;
  event.kind = DialogEvent::Kind::Text;
  event.text = std::move(utf8);
  return event;
}

DialogEvent Mouse(DialogEvent::Kind kind, int x, int y) {
  DialogEvent event;
  event.kind = kind;
  event.x = x;
  event.y = y;
  return event;
}

void Click(ModalDialog& dialog, const RECT& at) {
  const int x = (at.left + at.right) / 2, y = (at.top + at.bottom) / 2;
  dialog.Handle(Mouse(DialogEvent::Kind::MouseDown, x, y));
  dialog.Handle(Mouse(DialogEvent::Kind::MouseUp, x, y));
}

TEST(InputDialog, EnterAnswersTheTypedShiftJisAndEscapeCancels) {
  InputDialog dialog(Utf8ToSjis("名前"), 800, 600);
  dialog.Handle(Text("名無し"));
  dialog.Handle(Key(VK_BACK));
  EXPECT_FALSE(dialog.Finished());
  dialog.Handle(Key(VK_RETURN));
  ASSERT_TRUE(dialog.Finished());
  EXPECT_EQ(dialog.Result(), Utf8ToSjis("名無"));

  InputDialog cancelled("p", 800, 600);
  cancelled.Handle(Text("x"));
  cancelled.Handle(Key(VK_ESCAPE));
  ASSERT_TRUE(cancelled.Finished());
  EXPECT_EQ(cancelled.Result(), std::nullopt);
}

TEST(InputDialog, KeysBelongToTheInputMethodWhileItComposes) {
  InputDialog dialog("p", 800, 600);
  DialogEvent composing;
  composing.kind = DialogEvent::Kind::Composition;
  composing.text = "かんじ";
  composing.cursor = 3;
  dialog.Handle(composing);
  dialog.Handle(Key(VK_RETURN));
  dialog.Handle(Key(VK_BACK));
  EXPECT_FALSE(dialog.Finished());
  dialog.Handle(Text("漢字"));
  dialog.Handle(Key(VK_RETURN));
  EXPECT_EQ(dialog.Result(), Utf8ToSjis("漢字"));
}

TEST(InputDialog, ButtonsAnswerWhenReleasedOverThemAndTabMovesTheFocus) {
  InputDialog dialog("p", 800, 600);
  dialog.Handle(Text("a"));
  // Pressed on OK but released elsewhere: nothing.
  const RECT ok = dialog.OkButton();
  dialog.Handle(Mouse(DialogEvent::Kind::MouseDown, ok.left + 2, ok.top + 2));
  dialog.Handle(Mouse(DialogEvent::Kind::MouseUp, 0, 0));
  EXPECT_FALSE(dialog.Finished());
  // The press gave OK the focus; Enter with the focus on Cancel cancels.
  dialog.Handle(Key(VK_TAB));
  dialog.Handle(Key(VK_TAB, true));
  dialog.Handle(Key(VK_TAB));
  dialog.Handle(Key(VK_RETURN));
  ASSERT_TRUE(dialog.Finished());
  EXPECT_EQ(dialog.Result(), std::nullopt);

  InputDialog clicked("p", 800, 600);
  clicked.Handle(Text("b"));
  Click(clicked, clicked.OkButton());
  EXPECT_EQ(clicked.Result(), "b");
}

TEST(InputDialog, DrawsInsideItsFrameCentredOnThePicture) {
  InputDialog dialog(Utf8ToSjis("名前を入力してください"), 800, 600);
  Bitmap picture(800, 600, 0x123456);
  dialog.Draw(picture);
  const RECT edit = dialog.EditBox();
  EXPECT_EQ(picture.At(0, 0), 0x123456u);
  EXPECT_EQ(picture.At(799, 599), 0x123456u);
  EXPECT_EQ(picture.At(edit.left + 10, (edit.top + edit.bottom) / 2 - 4), 0xFFFFFFu) << "the empty field is white";
  // Typed text shows in the field.
  Bitmap before = picture;
  dialog.Handle(Text("TAV"));
  dialog.Draw(picture);
  int changed = 0;
  for (int y = edit.top; y < edit.bottom; ++y) {
    for (int x = edit.left; x < edit.right; ++x) changed += picture.At(x, y) != before.At(x, y);
  }
  EXPECT_GT(changed, 20);
}

TEST(PopupMenu, AcceleratorsReachExitAndAbout) {
  PopupMenu menu(FrameMenu(), 100, 100, 800, 600);
  EXPECT_TRUE(menu.Handle(Key('F')));
  EXPECT_EQ(menu.OpenLevels(), 2u);
  menu.Handle(Key('X'));
  ASSERT_TRUE(menu.Finished());
  EXPECT_EQ(menu.Command(), kCommandExit);

  PopupMenu about(FrameMenu(), 100, 100, 800, 600);
  about.Handle(Key('H'));
  about.Handle(Key(VK_RETURN));
  EXPECT_EQ(about.Command(), kCommandAbout);
}

TEST(PopupMenu, DisabledEntriesAreNeverChosenAndEscapeClosesOneLevelAtATime) {
  PopupMenu menu(FrameMenu(), 100, 100, 800, 600);
  menu.Handle(Key(VK_DOWN));
  menu.Handle(Key(VK_DOWN));  // 編集
  menu.Handle(Key(VK_RIGHT));
  ASSERT_EQ(menu.OpenLevels(), 2u);
  menu.Handle(Key('C'));  // ｺﾋﾟｰ, disabled: only highlighted
  EXPECT_EQ(menu.Selected(1), 2);
  menu.Handle(Key(VK_RETURN));
  Click(menu, menu.ItemRect(1, 0));
  EXPECT_FALSE(menu.Finished());
  menu.Handle(Key(VK_ESCAPE));
  EXPECT_EQ(menu.OpenLevels(), 1u);
  EXPECT_FALSE(menu.Finished());
  menu.Handle(Key(VK_ESCAPE));
  EXPECT_TRUE(menu.Finished());
  EXPECT_EQ(menu.Command(), kCommandNone);
}

TEST(PopupMenu, PointerOpensSubmenusAndAPressOutsideCloses) {
  PopupMenu menu(FrameMenu(), 790, 590, 800, 600);
  const RECT help = menu.ItemRect(0, 2);
  EXPECT_LE(help.right, 800) << "moved to stay inside the picture";
  EXPECT_LE(help.bottom, 600);
  // The release of the press that opened the menu chooses nothing.
  menu.Handle(Mouse(DialogEvent::Kind::MouseUp, help.left + 2, help.top + 2));
  menu.Handle(Mouse(DialogEvent::Kind::MouseMove, help.left + 2, help.top + 2));
  ASSERT_EQ(menu.OpenLevels(), 2u);
  const RECT about = menu.ItemRect(1, 0);
  EXPECT_LT(about.right, help.left + 4) << "the submenu opens to the left where the right has no room";
  Click(menu, about);
  EXPECT_EQ(menu.Command(), kCommandAbout);

  PopupMenu outside(FrameMenu(), 100, 100, 800, 600);
  outside.Handle(Mouse(DialogEvent::Kind::MouseDown, 5, 5));
  EXPECT_TRUE(outside.Finished());
  EXPECT_EQ(outside.Command(), kCommandNone);
  EXPECT_EQ(MenuAccelerator(Utf8ToSjis("A&&B&c")), 'C');
}

TEST(MessageDialog, AnswersTheStyleButtons) {
  MessageDialog yesNo("q", "TAV", MB_YESNOCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION, 800, 600);
  ASSERT_EQ(yesNo.ButtonCount(), 3u);
  yesNo.Handle(Key(VK_RETURN));
  EXPECT_EQ(yesNo.Answer(), IDNO);

  MessageDialog escaped("q", "TAV", MB_YESNOCANCEL, 800, 600);
  escaped.Handle(Key(VK_ESCAPE));
  EXPECT_EQ(escaped.Answer(), IDCANCEL);

  // Without a cancel button Escape does nothing; closing the window answers the default.
  MessageDialog yesOnly("q", "TAV", MB_YESNO, 800, 600);
  yesOnly.Handle(Key(VK_ESCAPE));
  EXPECT_FALSE(yesOnly.Finished());
  yesOnly.Handle(Key(VK_RIGHT));
  Click(yesOnly, yesOnly.Button(1));
  EXPECT_EQ(yesOnly.Answer(), IDNO);
  MessageDialog closed("q", "TAV", MB_YESNO, 800, 600);
  closed.Cancel();
  EXPECT_EQ(closed.Answer(), IDYES);
}

TEST(AboutBox, NamesTheVersionAndEndsOnEnterOrOk) {
  AboutBox about("1.2.3", 800, 600);
  EXPECT_EQ(about.NameLine(), "TAV Version 1.2.3");
  about.Handle(Key(VK_RETURN));
  EXPECT_TRUE(about.Finished());
  AboutBox clicked("1", 800, 600);
  Click(clicked, clicked.OkButton());
  EXPECT_TRUE(clicked.Finished());
}

}  // namespace
}  // namespace tav::platform
