#include <gtest/gtest.h>

#include "screen/appear_box.h"
#include "screen/appear_string.h"
#include "screen/geometry_values.h"
#include "screen/var_view.h"
#include "screen/view_classes.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/core/var_ref.h"
#include "script_call.h"

namespace tav::screen {
namespace {

using script::Make;
using script::NewArray;
using script::NewInt;
using script::VarRef;
using testing::CallMethod;

class Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    script::InitializeRuntime();
    RegisterViewClasses();
  }
  void TearDown() override { script::Registry::CollectGarbageAll(); }
};

TEST_F(Windows, GeometryValuesHoldTheirMembersWithDefaults) {
  auto rect = Make<TOL_VarRect>();
  std::vector<std::string> names;
  for (const auto& entry : rect->Members().Entries()) {
    names.push_back(entry.name.Text());
    EXPECT_EQ(entry.value->GetType(), script::kTypeInt);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"TOP", "LEFT", "BOTTOM", "RIGHT"}));
  auto font = Make<TOL_VarFont>();
  EXPECT_EQ(font->FindMember("FACENAME")->GetString(),
            "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
  EXPECT_EQ(font->FindMember("POINTSIZE")->GetLong(), 12);
}

TEST_F(Windows, NewWindowsAndAppearancesStartAt100_100_300_200) {
  const WindowRect expected{100, 100, 300, 200};
  EXPECT_EQ(Make<TOL_VarWindow>()->Rect(), expected);
  EXPECT_EQ(Make<TOL_VarView>()->Rect(), expected);
  EXPECT_EQ(Make<TOL_VarBoxFillAppear>()->Rect(), expected);
}

TEST_F(Windows, SingleEdgeSettersAndSetRect) {
  auto box = Make<TOL_VarBoxAppear>();
  CallMethod(box.get(), "SETRECT", {NewInt(10), script::NewString("20"), NewInt(30), NewInt(40)});
  EXPECT_EQ(box->Rect(), (WindowRect{10, 20, 30, 40}));
  CallMethod(box.get(), "SETTOP", {NewInt(1)});
  CallMethod(box.get(), "SETLEFT", {NewInt(2)});
  CallMethod(box.get(), "SETRIGHT", {NewInt(3)});
  CallMethod(box.get(), "SETBOTTOM", {NewInt(4)});
  EXPECT_EQ(box->Rect(), (WindowRect{2, 1, 3, 4}));
}

TEST_F(Windows, SetRectWithAnArrayNeedsFourElementsAndUsesTheFirstFour) {
  auto view = Make<TOL_VarView>();
  auto three = NewArray();
  for (int v : {1, 2, 3}) three->Add(NewInt(v).get());
  CallMethod(view.get(), "SETRECT", {three});
  EXPECT_EQ(view->Rect(), (WindowRect{100, 100, 300, 200}));

  auto five = NewArray();
  for (int v : {5, 6, 7, 8, 9}) five->Add(NewInt(v).get());
  // Through a reference, as a script variable passes it.
  CallMethod(view.get(), "SETRECT", {script::NewRef(five.get())});
  EXPECT_EQ(view->Rect(), (WindowRect{5, 6, 7, 8}));
}

TEST_F(Windows, MethodTablesComeBeforeMembersAndOnlyWhereTheClassHasThem) {
  // A plain window has no methods: its members and its base answer.
  auto window = Make<TOL_VarWindow>();
  EXPECT_EQ(window->FindMember("SETRECT"), nullptr);
  window->SetMember(NewInt(5).get(), "SETRECT");
  EXPECT_EQ(window->FindMember("SETRECT")->GetLong(), 5);

  // A member cannot hide a method of the tables.
  auto view = Make<TOL_VarView>();
  view->SetMember(NewInt(5).get(), "GETPART");
  view->SetMember(NewInt(6).get(), "CAPTION");
  EXPECT_EQ(view->FindMember("GETPART")->GetType(), script::kTypeFunction);
  EXPECT_EQ(view->FindMember("CAPTION")->GetLong(), 6);
  EXPECT_EQ(view->FindMember("SETKEY"), nullptr);  // appearance methods are not the view's

  auto text = Make<TOL_VarTextAppear>();
  for (const char* name : {"GETTEXT", "SETTEXT", "SETKEY", "GETKEY", "SETRECT"}) {
    EXPECT_NE(text->FindMember(name), nullptr) << name;
  }
  EXPECT_EQ(text->FindMember("GETPART"), nullptr);
  EXPECT_EQ(Make<TOL_VarStringAppear>()->FindMember("GETTEXT"), nullptr);
  EXPECT_EQ(Make<TOL_VarFormTextApp>()->FindMember("GETTEXT"), nullptr);
}

}  // namespace
}  // namespace tav::screen
