#include <gtest/gtest.h>

#include <climits>

#include "screen/appear_box.h"
#include "screen/appear_string.h"
#include "screen/var_view.h"
#include "screen/view_classes.h"
#include "script/core/frame.h"
#include "script/methods/native_function.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/core/var_ref.h"
#include "script_call.h"
#include "view_samples.h"

namespace tav::screen {
namespace {

using script::Make;
using script::NewInt;
using script::Ref;
using script::VarRef;
using testing::CallMethod;

class Views : public ::testing::Test {
 protected:
  void SetUp() override {
    script::InitializeRuntime();
    RegisterViewClasses();
    view_ = Make<TOL_VarView>();
  }
  void TearDown() override {
    view_.reset();
    script::Registry::CollectGarbageAll();
  }

  template <class T = TOL_VarAppear>
  T* Add(const char* condition, int32_t indexOffset = 0) {
    auto child = Make<T>();
    EXPECT_TRUE(child->SetCondition(condition)) << condition;
    child->SetIndexOffset(indexOffset);
    T* raw = child.get();
    view_->AddChild(std::move(child));
    return raw;
  }

  std::vector<bool> Flags() const {
    std::vector<bool> flags;
    for (size_t i = 0; i < view_->Flags().Size(); ++i) flags.push_back(view_->WasVisible(i));
    return flags;
  }

  Ref<TOL_VarView> view_;
};

TEST_F(Views, AnEmptyViewHasNoFlags) {
  auto frame = script::NewFrame(nullptr, nullptr, nullptr);
  view_->Update(frame.get());
  EXPECT_EQ(view_->Flags().Size(), 0u);
  EXPECT_EQ(view_->Flags().Capacity(), 0u);
  EXPECT_FALSE(view_->WasVisible(0));
  view_->Update(nullptr);  // no frame at all is no list either
  EXPECT_EQ(view_->Flags().Size(), 0u);
}

TEST_F(Views, ChildrenSeeTheListElementAtTheirOffsetOrElseTheContext) {
  // The frame an event handler would pass: the list in element 2, TOP, PARENT and a member of
  // the frame itself (MARK) that only an evaluation against the frame can see.
  auto frame = script::NewFrame(nullptr, nullptr, nullptr);
  auto list = script::NewArray();
  for (int v : {10, 20, 30}) list->Add(NewInt(v).get());
  frame->SetAt(script::kWithSlot, list.get());
  frame->SetMember(NewInt(1).get(), "TOP");
  auto parent = Make<script::TOL_VarObject>();
  parent->SetMember(NewInt(5).get(), "N");
  frame->SetMember(parent.get(), "PARENT");
  frame->SetMember(NewInt(7).get(), "MARK");

  Add("WITH == 20", 0);                 // list[1]
  Add("WITH == 30 && TOP == 1", 1);     // list[2], TOP entered into the scope
  Add("PARENT.N == 5", -1);             // list[0], PARENT entered into the scope
  Add("MARK == 7", 1);                  // in range: the scope does not carry MARK
  Add("MARK == 7", 2);                  // index 3: past the end, the frame itself
  Add("MARK == 7", -2);                 // index -1: before the start, the frame itself
  Add("MARK == 7", INT_MAX);            // the sum must not wrap into the list
  auto* form = Add<TOL_VarFormTextApp>("1", 1);
  ASSERT_TRUE(form->SetTextExpression("WITH * 2"));
  auto* hidden = Add<TOL_VarFormTextApp>("0", 0);
  ASSERT_TRUE(hidden->SetTextExpression("1"));

  view_->Update(frame.get());
  EXPECT_EQ(Flags(), (std::vector<bool>{true, true, true, false, true, true, true, true, false}));
  EXPECT_EQ(form->Text(), "60");
  EXPECT_EQ(hidden->Text(), "");  // invisible children are not updated

  // Nothing of the scope leaks into the caller's frame.
  EXPECT_EQ(frame->FindMember("WITH"), nullptr);
  EXPECT_EQ(frame->GetAt(script::kWithSlot), list.get());

  // With a TOP far below the list every child sees the frame (which has PARENT but no WITH),
  // and INT_MAX + INT_MIN lands on -1, not inside the list.
  frame->SetMember(NewInt(INT_MIN).get(), "TOP");
  view_->Update(frame.get());
  EXPECT_EQ(Flags(), (std::vector<bool>{false, false, true, true, true, true, true, true, false}));
  EXPECT_EQ(form->Text(), "0");
}

TEST_F(Views, FlagsGrowByAnEighthBetweenFourAnd1024AndNewBytesAreClear) {
  VisibilityFlags flags;
  flags.Resize(3);
  EXPECT_EQ(flags.Capacity(), 3u);  // the first storage is exact
  flags.Set(2, true);
  flags.Resize(4);
  EXPECT_EQ(flags.Capacity(), 7u);  // grows by at least 4
  flags.Resize(2);
  EXPECT_EQ(flags.Capacity(), 7u);
  flags.Resize(4);
  EXPECT_FALSE(flags.IsSet(2));  // a byte dropped and regained starts clear
  flags.Resize(8);
  EXPECT_EQ(flags.Capacity(), 11u);
  flags.Resize(8000);
  flags.Resize(8001);
  EXPECT_EQ(flags.Capacity(), 9000u);  // an eighth of 8000
  flags.Resize(20000);
  flags.Resize(20001);
  EXPECT_EQ(flags.Capacity(), 21024u);  // at most 1024
  flags.Resize(0);
  EXPECT_EQ(flags.Capacity(), 0u);
  EXPECT_FALSE(flags.IsSet(0));
}

TEST_F(Views, GetPartFindsTheFirstChildWithThatPartNumber) {
  EXPECT_EQ(CallMethod(view_.get(), "GETPART", {NewInt(0)})->GetTarget(), nullptr);
  auto* a = Add("1");
  auto* b = Add("1");
  auto* c = Add("1");
  a->SetPartNumber(3);
  b->SetPartNumber(5);
  c->SetPartNumber(5);
  VarRef found = CallMethod(view_.get(), "GETPART", {NewInt(5)});
  EXPECT_EQ(found->GetType(), script::kTypeObject);  // a reference to the child itself
  EXPECT_EQ(found->GetTarget(), b);
  VarRef none = CallMethod(view_.get(), "GETPART", {NewInt(4)});
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->GetType(), script::kTypeNone);
  EXPECT_EQ(none->GetTarget(), nullptr);
}

TEST_F(Views, CloneCopiesChildrenDeeplyAndSharesHandlers) {
  auto stored = testing::SampleView();
  VarRef handler = script::NewNative("LEFTDOWN3", [](auto*, auto*, auto*) { return VarRef(); });
  stored->SetMember(handler.get(), "LEFTDOWN3");
  stored->Update(nullptr);

  // Into a given target, as a screen is made from a stored view.
  auto screen = Make<TOL_VarView>();
  EXPECT_EQ(stored->Clone(screen.get()).get(), screen.get());
  EXPECT_EQ(screen->Rect(), stored->Rect());
  ASSERT_NE(screen->Font(), nullptr);
  EXPECT_NE(screen->Font(), stored->Font());
  EXPECT_EQ(screen->Font()->Description(), stored->Font()->Description());
  ASSERT_EQ(screen->Children().size(), stored->Children().size());
  for (size_t i = 0; i < stored->Children().size(); ++i) {
    EXPECT_NE(screen->Children()[i], stored->Children()[i]);
    EXPECT_EQ(&screen->Children()[i]->GetRuntimeClass(), &stored->Children()[i]->GetRuntimeClass());
  }
  EXPECT_EQ(screen->Flags().Size(), stored->Children().size());
  EXPECT_FALSE(screen->WasVisible(0));  // nothing is visible before the copy's own update
  EXPECT_EQ(screen->FindOwnMember(script::Atom::Intern("LEFTDOWN3")), handler.get());

  // Changing the copy leaves the stored view alone.
  CallMethod(screen->Children()[4].get(), "SETTEXT", {script::NewString("changed")});
  EXPECT_EQ(dynamic_cast<TOL_VarTextAppear*>(stored->Children()[4].get())->Text(),
            std::string(300, 'x'));

  // Without a target: a new view based on the stored one.
  VarRef copy = stored->Clone(nullptr);
  auto* fresh = dynamic_cast<TOL_VarView*>(copy.get());
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->GetBase(), stored.get());
  EXPECT_EQ(fresh->Children().size(), stored->Children().size());
}

}  // namespace
}  // namespace tav::screen
