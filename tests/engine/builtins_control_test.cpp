// Control, time, dialogs and loaded data: Wait, Sleep, Exit, GetTickCount, MessageBox, InputBox,
// LoadString, LoadPlace, CollectGarbage and the registration table.
#include <gtest/gtest.h>

#include <vector>

#include "archive/archive.h"
#include "engine/builtins/builtin_bodies.h"
#include "builtin_call.h"
#include "script/core/var_ref.h"

namespace tav::engine::testing {
namespace {

using script::VarRef;

using BuiltinControl = BuiltinTest;

TEST_F(BuiltinControl, TableHoldsTheFunctionsInOrderAndSharesThem) {
  std::vector<std::string_view> names = BuiltinFunctionNames();
  ASSERT_EQ(names.size(), 46u);
  EXPECT_EQ(names[0], "CreateArray");
  EXPECT_EQ(names[5], "CreateMap");
  EXPECT_EQ(names[18], "CreateView");
  EXPECT_EQ(names[25], "GetKeyState");
  EXPECT_EQ(names[31], "Exit");
  EXPECT_EQ(names[45], "UpdateView");
  auto other = script::Make<script::TOL_VarObject>();
  AddBuiltinFunctions(other.get());
  for (std::string_view name : names) {
    script::TOL_Var* function = globals_->FindMember(name);
    ASSERT_NE(function, nullptr) << name;
    EXPECT_EQ(function->GetType(), script::kTypeFunction);
    EXPECT_EQ(other->FindMember(name), function) << name << " is not shared";
  }
}

TEST_F(BuiltinControl, MessageBoxAnswersFromTheEventsOrTheStyleDefault) {
  UseHost("answer 7\n");
  ::testing::internal::CaptureStdout();
  VarRef first = Call("MessageBox", {Text("Save?"), Int(4)});
  VarRef second = Call("MessageBox", {Text("Again?"), Int(4)});
  VarRef plain = Call("MessageBox", {Text("Hello")});
  VarRef none = Call("MessageBox");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "MessageBox: Save?\nMessageBox: Again?\nMessageBox: Hello\n");
  EXPECT_EQ(first->GetLong(), 7);
  EXPECT_EQ(second->GetLong(), 6);  // Yes is the default button of a Yes/No box
  EXPECT_EQ(plain->GetLong(), 1);
  EXPECT_EQ(none->GetType(), script::kTypeInt);
  EXPECT_EQ(none->GetLong(), 0);
}

TEST_F(BuiltinControl, InputBoxGivesTheTextOrAnEmptyString) {
  UseHost("input hello there\ncancel\n");
  ::testing::internal::CaptureStdout();
  VarRef entered = Call("InputBox", {Text("Name?")});
  VarRef cancelled = Call("InputBox", {Text("Name?")});
  VarRef unanswered = Call("InputBox", {Text("Name?")});
  VarRef none = Call("InputBox");
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(entered->GetString(), "hello there");
  ASSERT_NE(cancelled, nullptr);
  EXPECT_EQ(cancelled->GetType(), script::kTypeString);
  EXPECT_EQ(cancelled->GetString(), "");
  EXPECT_EQ(unanswered->GetString(), "");
  EXPECT_EQ(none, nullptr);
}

TEST_F(BuiltinControl, TickCountIsUnsignedAndSleepMovesTheClock) {
  platform::Host& host = UseHost();
  Call("Sleep", {Int(250)});
  Call("Sleep", {Int(-1)});  // would never return if taken as unsigned
  Call("Sleep");
  EXPECT_EQ(host.GetTickCount(), 250u);
  host.Sleep(0x80000000u);
  VarRef ticks = Call("GetTickCount");
  EXPECT_EQ(ticks->GetType(), script::kTypeInt64);
  EXPECT_EQ(ticks->GetInt64(), 0x80000000LL + 250);
}

TEST_F(BuiltinControl, WaitPumpsWithInputDisabledAndRestoresIt) {
  platform::Host& host = UseHost("wait 20\nclick 5 6\nwait 30\nkey A\n");
  std::vector<platform::MessageKind> seen;
  std::vector<bool> inputWhileSeen;
  SetMessageDispatcher([&](const platform::Message& message) {
    seen.push_back(message.kind);
    inputWhileSeen.push_back(Services().inputEnabled);
  });
  Call("Wait", {Int(100)});
  EXPECT_TRUE(Services().inputEnabled);
  EXPECT_GE(host.GetTickCount(), 100u);
  EXPECT_LE(host.GetTickCount(), 110u);
  std::vector<platform::MessageKind> expected = {
      platform::MessageKind::LButtonDown, platform::MessageKind::LButtonUp,
      platform::MessageKind::KeyDown, platform::MessageKind::KeyUp};
  EXPECT_EQ(seen, expected);
  for (bool enabled : inputWhileSeen) EXPECT_FALSE(enabled);
  // Without steps the wait still ends on the virtual clock.
  Call("Wait", {Int(40), Int(0)});
  EXPECT_GE(host.GetTickCount(), 140u);
  // Without an argument nothing happens at all.
  uint32_t before = host.GetTickCount();
  Services().inputEnabled = true;
  Call("Wait");
  EXPECT_EQ(host.GetTickCount(), before);
}

TEST_F(BuiltinControl, WaitEndsAtOnceWhenTheWindowCloses) {
  platform::Host& host = UseHost("wait 30\nquit\n");
  Call("Wait", {Int(100000)});
  EXPECT_TRUE(Services().closing);
  EXPECT_LT(host.GetTickCount(), 100u);
  EXPECT_TRUE(Services().inputEnabled);
  // Once closing, a wait does not wait at all.
  uint32_t before = host.GetTickCount();
  Call("Wait", {Int(5000)});
  EXPECT_EQ(host.GetTickCount(), before);
}

TEST_F(BuiltinControl, ExitPostsTheCloseAndReturns) {
  platform::Host& host = UseHost();
  EXPECT_EQ(Call("Exit"), nullptr);
  platform::Message message;
  ASSERT_TRUE(host.PeekMessage(message, true));
  EXPECT_EQ(message.kind, platform::MessageKind::Close);
  EXPECT_FALSE(Services().closing);  // only pumping the message closes
}

TEST_F(BuiltinControl, StringEscapesApplyInTheirOrderAndSkipTwoByteCharacters) {
  using builtins::ExpandStringEscapes;
  EXPECT_EQ(ExpandStringEscapes("a\\nb\\rc\\\\d"), "a\nb\rc\\d");
  // The backslash pair is reduced first, so its result can start the next escape.
  EXPECT_EQ(ExpandStringEscapes("x\\\\ny"), "x\ny");
  // 0x95 0x5C is one character whose second byte is not a backslash.
  EXPECT_EQ(ExpandStringEscapes("\x95\\n"), "\x95\\n");
  EXPECT_EQ(ExpandStringEscapes("\x95\\\\n"), "\x95\\\n");
}

TEST_F(BuiltinControl, LoadStringReadsTheNumberedTextFileAsBytes) {
  UseGameFolder();
  WriteFile("config/text/12.txt", std::string("line\\n one\r\nline two\x1a tail", 25));
  VarRef text = Call("LoadString", {Int(12)});
  EXPECT_EQ(text->GetString(), std::string("line\\n one\r\nline two\x1a tail", 25));
  EXPECT_EQ(Call("LoadString", {Int(13)})->GetString(), "");
  VarRef none = Call("LoadString");
  EXPECT_EQ(none->GetType(), script::kTypeString);
  EXPECT_EQ(none->GetString(), "");
}

TEST_F(BuiltinControl, LoadPlaceReadsOneObjectAndSurvivesBrokenFiles) {
  UseGameFolder();
  auto place = script::Make<script::TOL_VarObject>();
  place->SetMember(script::NewInt(42).get(), "DEPTH");
  archive::Archive out = archive::Archive::ForWriting();
  out.WriteObject(place.get());
  const std::vector<uint8_t>& bytes = out.Bytes();
  WriteFile("config/place/cave.dat", std::string(bytes.begin(), bytes.end()));
  WriteFile("config/place/broken.dat", std::string(bytes.begin(), bytes.begin() + bytes.size() / 2));

  VarRef loaded = Call("LoadPlace", {Text("cave.dat")});
  ASSERT_NE(loaded->GetTarget(), nullptr);
  EXPECT_EQ(loaded->GetType(), script::kTypeObject);
  ASSERT_NE(loaded->FindMember("DEPTH"), nullptr);
  EXPECT_EQ(loaded->FindMember("DEPTH")->GetLong(), 42);

  for (VarRef empty : {Call("LoadPlace", {Text("broken.dat")}), Call("LoadPlace", {Text("none.dat")}),
                       Call("LoadPlace")}) {
    ASSERT_NE(dynamic_cast<script::TOL_VarRef*>(empty.get()), nullptr);
    EXPECT_EQ(empty->GetTarget(), nullptr);
  }
}

TEST_F(BuiltinControl, CollectGarbageAnswersTheValuesLeft) {
  script::Registry::CollectGarbageAll();
  script::NewInt(5);  // dropped at once: the next pass frees it
  VarRef left = Call("CollectGarbageAll");
  EXPECT_EQ(left->GetLong(), script::Registry::TrackedCount() - 1);  // minus the answer itself
  VarRef map = Call("CreateMap", {Int(50)});
  EXPECT_EQ(map->GetType(), script::kTypeArray);
}

}  // namespace
}  // namespace tav::engine::testing
