// Screens on the view stack as scripts drive them: hit tests and key matching, the engine
// integers, modal loops and their results, popping, resuming, and the pictures screens draw.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/message_pump.h"
#include "engine/view_stack.h"
#include "game_folder.h"
#include "screen/appear_box.h"
#include "screen/appear_string.h"
#include "script/methods/native_function.h"
#include "script/core/scalars.h"
#include "script/core/var_ref.h"

namespace tav::engine::testing {
namespace {

using screen::TOL_VarAppear;
using script::Make;
using script::Ref;

class ViewStackTest : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    Write("global.def", "STRING LOG\nINT SHOWN\n");
    Write("view.def", "1 MENU\n2 DIALOG\n");
    WriteMenu();
    WriteDialog();
    for (int handler : {1, 2, 3, 4, 5}) {
      Write("view/MENU/LEFTDOWN" + std::to_string(handler) + ".tas",
            "LOG = LOG + \"" + std::to_string(handler) + ":\" + _NUMBER + \",\" + _INDEX + \";\";");
    }
    Write("view/DIALOG/LEFTDOWN1.tas", "DestroyView(42);");
    Start();
    SetMessageDispatcher([this](const platform::Message& message) {
      if (message.kind == platform::MessageKind::LButtonDown) DispatchClick(*game_, message.x, message.y);
      if (message.kind == platform::MessageKind::Close) {
        Services().closing = true;
        host_->PostQuit();
      }
    });
  }
  void TearDown() override {
    SetMessageDispatcher(nullptr);
    GameFolderTest::TearDown();
  }

  template <typename T>
  static Ref<T> Child(screen::TOL_VarView& view, int active, int part, screen::WindowRect rect) {
    auto child = Make<T>();
    child->SetActiveNumber(active);
    child->SetPartNumber(part);
    child->SetRect(rect);
    view.AddChild(child);
    return child;
  }

  void Store(const std::string& name, screen::TOL_VarView& view) {
    std::vector<uint8_t> bytes = screen::StoreView(view);
    Write("view/" + name + ".tav", std::string(bytes.begin(), bytes.end()));
  }

  // Overlapping text and box; one hidden by its condition; 'A' with the key-click flag, then
  // any key without it.
  void WriteMenu() {
    auto view = Make<screen::TOL_VarView>();
    view->SetRect(0, 0, 800, 600);
    Child<screen::TOL_VarTextAppear>(*view, 1, 10, {10, 10, 110, 40})->SetIndexOffset(3);
    auto box = Child<screen::TOL_VarBoxFillAppear>(*view, 2, 20, {50, 20, 200, 80});
    box->SetFillColor(0x0000FF);
    box->SetColor(0x00FF00);
    Child<screen::TOL_VarTextAppear>(*view, 3, 30, {300, 300, 400, 340})->SetCondition("SHOWN");
    Child<TOL_VarAppear>(*view, 4, 40, {0, 0, 0, 0})->SetKeyWord(0x1000041);
    Child<TOL_VarAppear>(*view, 5, 50, {0, 0, 0, 0})->SetKeyWord(0xFFFFFF);
    Store("MENU", *view);
  }

  void WriteDialog() {
    auto view = Make<screen::TOL_VarView>();
    auto box = Child<screen::TOL_VarBoxFillAppear>(*view, 1, 1, {100, 100, 200, 200});
    box->SetFillColor(0xFFFFFF);
    Store("DIALOG", *view);
  }

  std::string Log() { return RunText("RETURN LOG;"); }
  uint32_t Pixel(int x, int y) { return game_->Screens().Top()->Picture().At(x, y); }
};

TEST_F(ViewStackTest, ClicksRunTheFirstVisibleActiveAppearanceWithNumberAndIndex) {
  Run("CreateView(1); RefreshView(20);");
  DispatchClick(*game_, 60, 25);   // text and box overlap: the text comes first
  DispatchClick(*game_, 150, 60);  // the box alone
  DispatchClick(*game_, 350, 320); // hidden at the last update
  DispatchClick(*game_, 700, 500); // nothing there
  EXPECT_EQ(Log(), "1:10,23;2:20,20;");
  EXPECT_EQ(RunLong("RETURN _LASTTOP;"), 20);

  Run("SHOWN = 1;");
  DispatchClick(*game_, 350, 320);  // still hidden: visibility is what the last update found
  Run("RefreshView();");
  DispatchClick(*game_, 350, 320);
  EXPECT_EQ(Log(), "1:10,23;2:20,20;3:30,0;");
}

TEST_F(ViewStackTest, KeysMatchTheFirstBoundAppearanceAndNeedItsClickFlag) {
  Run("CreateView(1); RefreshView();");
  DispatchKey(*game_, 'A');
  DispatchKey(*game_, 'B');  // the any-key appearance has no key-click flag: nothing
  EXPECT_EQ(Log(), "4:40,0;");
}

TEST_F(ViewStackTest, AScreenDrawsOverTheBlackBaseAndIsShownOnlyWhenRefreshed) {
  Run("CreateView(1);");
  EXPECT_EQ(Pixel(150, 60), 0u);  // made, not drawn
  Run("RefreshView();");
  EXPECT_EQ(Pixel(150, 60), 0xFF0000u);   // the fill colour, red
  EXPECT_EQ(Pixel(50, 60), 0x00FF00u);    // the pen, green
  EXPECT_EQ(Pixel(500, 500), 0u);         // the base screen's black
  Run("CreateView(2); RefreshView();");   // drawn over a copy of the menu's picture
  EXPECT_EQ(Pixel(150, 150), 0xFFFFFFu);
  EXPECT_EQ(Pixel(60, 60), 0xFF0000u);
}

TEST_F(ViewStackTest, ModalViewAnswersWhatTheClosingHandlerGave) {
  UseEvents("click 150 150\n");
  Run("CreateView(1); RefreshView();");
  EXPECT_EQ(RunLong("RETURN ModalView(2);"), 42);
  EXPECT_EQ(game_->Screens().Size(), 2u);
  EXPECT_EQ(RunLong("RETURN ModalView(99);"), 0);  // no such view
  EXPECT_EQ(game_->Screens().Size(), 2u);
}

TEST_F(ViewStackTest, AModalLoopThatTheWindowClosesAnswersNone) {
  UseEvents("wait 10\n");  // then the events run out and the window closes
  script::VarRef answer = Call("ModalView", {script::NewInt(2)});
  EXPECT_EQ(answer, nullptr);
  EXPECT_TRUE(Services().closing);
}

TEST_F(ViewStackTest, DestroyViewPopsButNeverTheBaseScreenWhichKeepsTheResult) {
  Run("CreateView(1); CreateView(2);");
  ASSERT_EQ(game_->Screens().Size(), 3u);
  Run("DestroyView(5, 10);");
  ASSERT_EQ(game_->Screens().Size(), 1u);
  TAV_Screen* base = game_->Screens().Top();
  EXPECT_FALSE(base->HasResult());  // the 5 went to the dialog, popped with it
  Run("DestroyView(7);");
  EXPECT_EQ(base->Result()->GetLong(), 7);
  EXPECT_EQ(RunText("RETURN GetClassName(GetTopView());"), "TOL_VarRef");
  EXPECT_EQ(RunText("RETURN GetRefClassName(GetTopView());"), "TAV_Screen");
  EXPECT_EQ(RunLong("OBJECT a = CreateArray(1); a[0] = GetTopView(); ARRAY b; RETURN b.CopyElements(a);"), 0);
}

TEST_F(ViewStackTest, TheScreenBelowResumesWithItsWithObjectAsThisSees) {
  script::TOL_Var* seenThis = nullptr;
  script::TOL_Var* seenParent = nullptr;
  script::VarRef resume = script::NewNative("resume", [&](script::TOL_Var* self, script::TOL_VarObArray*,
                                                          script::TOL_VarObArray* frame) -> script::VarRef {
    seenThis = self;
    seenParent = frame->FindMember(script::Atom::Intern("PARENT"));
    return nullptr;
  });
  script::VarRef with = script::NewArray();
  script::VarRef first = Call("CreateView", {script::NewInt(1), with, script::NewInt(0), resume});
  Call("CreateView", {script::NewInt(2)});
  Call("DestroyView");
  EXPECT_EQ(seenThis, first->GetTarget());
  EXPECT_EQ(seenParent, with.get());  // PARENT only because WITH is an array
}

}  // namespace
}  // namespace tav::engine::testing
