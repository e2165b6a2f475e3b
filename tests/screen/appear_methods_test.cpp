#include <gtest/gtest.h>

#include "screen/appear_box.h"
#include "screen/appear_string.h"
#include "screen/view_classes.h"
#include "script/core/frame.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script_call.h"
#include "view_samples.h"

namespace tav::screen {
namespace {

using script::Make;
using script::NewInt;
using script::NewString;
using script::VarRef;
using testing::CallMethod;

class Appearances : public ::testing::Test {
 protected:
  void SetUp() override {
    script::InitializeRuntime();
    RegisterViewClasses();
    frame_ = script::NewFrame(nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    frame_.reset();
    script::Registry::CollectGarbageAll();
  }
  script::Ref<script::TOL_VarObArray> frame_;
};

TEST_F(Appearances, ANewAppearanceIsVisibleWithNoKeyAndTheKeyClickFlag) {
  auto appear = Make<TOL_VarAppear>();
  EXPECT_EQ(appear->Condition().Source(), "1");
  EXPECT_TRUE(appear->IsVisible(frame_.get()));
  EXPECT_EQ(appear->KeyWord(), 0x1000000u);
  EXPECT_EQ(CallMethod(appear.get(), "GETKEY")->GetLong(), 0);
  // A condition that does not compile is refused and the old one stays.
  EXPECT_FALSE(appear->SetCondition("(1"));
  EXPECT_EQ(appear->Condition().Source(), "1");

  auto color = Make<TOL_VarColorAppear>();
  EXPECT_EQ(color->Color(), 0xFFFFFFu);
  EXPECT_FALSE(color->HasShadow());
  color->SetShadowColor(0x123456);
  EXPECT_FALSE(color->HasShadow());  // a colour alone makes no shadow
  color->SetShadowOffset(0, -1);
  EXPECT_TRUE(color->HasShadow());

  EXPECT_EQ(Make<TOL_VarStringAppear>()->PadChar(), ' ');
  EXPECT_EQ(Make<TOL_VarBoxAppear>()->PenWidth(), 1);
  EXPECT_EQ(Make<TOL_VarBoxFillAppear>()->FillColor(), 0u);
}

TEST_F(Appearances, SetKeyReplacesOnlyTheKeyCode) {
  auto appear = Make<TOL_VarAppear>();
  CallMethod(appear.get(), "SETKEY", {NewInt(0xFFFFFF)});
  EXPECT_EQ(appear->KeyWord(), 0x1FFFFFFu);
  EXPECT_EQ(CallMethod(appear.get(), "GETKEY")->GetLong(), 0xFFFFFF);
  CallMethod(appear.get(), "SETKEY");
  EXPECT_EQ(appear->KeyWord(), 0x1000000u);

  // Bits 24 to 31 survive whatever the key's own high bits are.
  appear->SetKeyWord(0xFE000000u);
  CallMethod(appear.get(), "SETKEY", {NewInt(-1)});
  EXPECT_EQ(appear->KeyWord(), 0xFEFFFFFFu);
  CallMethod(appear.get(), "SETKEY", {NewInt(0x41)});
  EXPECT_EQ(appear->KeyWord(), 0xFE000041u);
  EXPECT_EQ(CallMethod(appear.get(), "GETKEY")->GetLong(), 0x41);
}

TEST_F(Appearances, TextMethods) {
  auto text = Make<TOL_VarTextAppear>();
  EXPECT_EQ(CallMethod(text.get(), "GETTEXT")->GetString(), "");
  CallMethod(text.get(), "SETTEXT", {NewString("\x83\x65\x83\x4C")});
  EXPECT_EQ(text->Text(), "\x83\x65\x83\x4C");
  CallMethod(text.get(), "SETTEXT");
  EXPECT_EQ(text->Text(), "\x83\x65\x83\x4C");
  CallMethod(text.get(), "SETTEXT", {NewInt(12)});
  VarRef got = CallMethod(text.get(), "GETTEXT");
  EXPECT_EQ(got->GetType(), script::kTypeString);
  EXPECT_EQ(got->GetString(), "12");
}

TEST_F(Appearances, FillToWidthPadsOnlyForFormatsZeroAndTwo) {
  struct Case {
    int32_t format;
    const char* expected;
  };
  for (const Case& c : {Case{0, "abc  "}, Case{2, "  abc"}, Case{1, "abc"}, Case{6, "abc"},
                        Case{4, "abc"}, Case{8, "abc"}}) {
    auto text = Make<TOL_VarTextAppear>();
    text->SetText("abc");
    text->SetWidth(5);
    text->SetFormat(c.format);
    text->FillToWidth();
    EXPECT_EQ(text->Text(), c.expected) << "format " << c.format;
    // The padded text is what GETTEXT answers, and a second fill finds nothing to pad.
    text->FillToWidth();
    EXPECT_EQ(CallMethod(text.get(), "GETTEXT")->GetString(), c.expected);
  }

  auto text = Make<TOL_VarTextAppear>();
  text->SetText("\x83\x65");  // one double-byte character counts two bytes
  text->SetWidth(3);
  text->SetPadChar('*');
  text->FillToWidth();
  EXPECT_EQ(text->Text(), "\x83\x65*");

  // A plain string appearance has no text of its own, so the width alone is drawn.
  auto string = Make<TOL_VarStringAppear>();
  string->SetWidth(2);
  string->FillToWidth();
  EXPECT_EQ(string->Text(), "  ");

  // Widths no screen could show are not padded (a hostile file would exhaust memory).
  auto huge = Make<TOL_VarStringAppear>();
  huge->SetWidth(0x7FFFFFFF);
  huge->FillToWidth();
  EXPECT_EQ(huge->Text(), "");
}

TEST_F(Appearances, CloneCopiesEveryFieldButOnlyTheTextAppearanceCopiesItsText) {
  auto view = testing::SampleView();
  for (const auto& child : view->Children()) {
    const char* name = child->GetRuntimeClass().name;
    VarRef copy = child->Clone(nullptr);
    auto* c = dynamic_cast<TOL_VarAppear*>(copy.get());
    ASSERT_NE(c, nullptr) << name;
    EXPECT_EQ(&c->GetRuntimeClass(), &child->GetRuntimeClass());
    // Every stored field (the string appearances' texts aside) came along.
    EXPECT_EQ(testing::Stored(c), testing::Stored(child.get())) << name;
    EXPECT_EQ(c->Condition().Items().size(), child->Condition().Items().size()) << name;
    if (auto* font = dynamic_cast<TOL_VarFontAppear*>(c)) {
      EXPECT_NE(font->Font(), dynamic_cast<TOL_VarFontAppear*>(child.get())->Font());
    }
    if (auto* string = dynamic_cast<TOL_VarStringAppear*>(c)) {
      bool isText = dynamic_cast<TOL_VarTextAppear*>(c) != nullptr;
      EXPECT_EQ(string->Text(), isText ? std::string(300, 'x') : "") << name;
    }
  }
}

TEST_F(Appearances, FaceNamesAreCutAtThirtyOneBytesWithoutSplittingACharacter) {
  LogFont font;
  std::string name(30, 'a');
  font.SetFaceName(name + "\x83\x65");  // the double-byte character would end at byte 32
  EXPECT_EQ(font.FaceName(), name);
  font.SetFaceName("short");
  EXPECT_EQ(font.FaceName(), "short");
  EXPECT_EQ(font.faceName[5], 0);
  EXPECT_EQ(font.faceName[31], 0);
}

}  // namespace
}  // namespace tav::screen
