// Random draws, RGB and inspection, the keyboard, and the sound functions' channels and paths.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "builtin_call.h"
#include "engine/builtins/builtin_bodies.h"
#include "engine/builtins/sound_functions.h"
#include "sound/sound_manager.h"
#include "screen/random.h"
#include "screen/var_random.h"
#include "script/core/var_ref.h"

namespace tav::engine::testing {
namespace {

using script::VarRef;

class BuiltinValues : public BuiltinTest {
 protected:
  void SetUp() override {
    BuiltinTest::SetUp();
    screen::SystemRandom().SetSeed(1);
    builtins::ClearKeyboardSnapshot();
  }

  script::Ref<script::TOL_VarObArray> Weights(std::initializer_list<int32_t> weights) {
    auto array = script::NewArray();
    for (int32_t w : weights) array->Add(script::NewInt(w).get());
    return array;
  }
};

TEST_F(BuiltinValues, RandStaysInItsRangeAndSurvivesALimitOfZero) {
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(Call("Rand", {Int(0)})->GetLong(), 0);
    EXPECT_EQ(Call("Rand", {Int(1)})->GetLong(), 0);
    int32_t five = Call("Rand", {Int(-5)})->GetLong();
    EXPECT_TRUE(five >= 0 && five < 5) << five;
    EXPECT_GE(Call("Rand")->GetLong(), 0);
  }
  // The draw is the system generator's 32-bit draw, made non-negative.
  screen::SystemRandom().SetSeed(77);
  int64_t draw = screen::SystemRandom().Next32();
  screen::SystemRandom().SetSeed(77);
  EXPECT_EQ(Call("Rand", {Int(1000)})->GetLong(), (draw < 0 ? -draw : draw) % 1000);
}

TEST_F(BuiltinValues, DiceAddsRollsAndNeedsSides) {
  EXPECT_EQ(Call("Dice", {Int(6), Int(0), Int(7)})->GetLong(), 7);
  EXPECT_EQ(Call("Dice", {Int(6), Int(-3), Int(7)})->GetLong(), 7);
  EXPECT_EQ(Call("Dice", {Int(0)}), nullptr);
  EXPECT_EQ(Call("Dice", {Int(-2), Int(3)}), nullptr);
  EXPECT_EQ(Call("Dice"), nullptr);
  for (int i = 0; i < 200; ++i) {
    int32_t one = Call("Dice", {Int(6)})->GetLong();
    EXPECT_TRUE(one >= 1 && one <= 6) << one;
    int32_t three = Call("Dice", {Int(6), Int(3), Int(10)})->GetLong();
    EXPECT_TRUE(three >= 13 && three <= 28) << three;
  }
}

TEST_F(BuiltinValues, SelectIndexFollowsTheWeights) {
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(Call("SelectIndex", {Weights({0, 0, 5})})->GetLong(), 2);
  }
  EXPECT_EQ(Call("SelectIndex", {Weights({0, 0, 0})})->GetLong(), -1);
  EXPECT_EQ(Call("SelectIndex", {Weights({})})->GetLong(), -1);
  EXPECT_EQ(Call("SelectIndex", {Weights({3, -5})})->GetLong(), -1);
  EXPECT_EQ(Call("SelectIndex")->GetLong(), -1);
  EXPECT_EQ(Call("SelectIndex", {Int(4)})->GetLong(), -1);
  // Weights past the 32-bit range still select by weight.
  std::vector<int> hits(2);
  for (int i = 0; i < 400; ++i) {
    ++hits[Call("SelectIndex", {Weights({INT_MAX, INT_MAX})})->GetLong()];
  }
  EXPECT_GT(hits[0], 100);
  EXPECT_GT(hits[1], 100);
}

TEST_F(BuiltinValues, SelectIndexDrawsFromAGivenRandomObject) {
  auto seed = script::NewArray();
  seed->Add(script::NewInt64(42).get());
  VarRef generator = screen::CreateRandom(seed.get());
  VarRef twin = screen::CreateRandom(seed.get());
  auto* twinRandom = dynamic_cast<screen::TOL_VarRandom*>(twin.get());
  screen::SystemRandom().SetSeed(9);
  int32_t systemDraw = screen::SystemRandom().Next(31);
  screen::SystemRandom().SetSeed(9);
  for (int i = 0; i < 20; ++i) {
    int32_t expected = twinRandom->Generator().NextInt(7);
    EXPECT_EQ(Call("SelectIndex", {Weights({1, 1, 1, 1, 1, 1, 1}), generator})->GetLong(), expected);
  }
  EXPECT_EQ(screen::SystemRandom().Next(31), systemDraw);  // the system generator was not used
}

TEST_F(BuiltinValues, RgbPacksTheLowBytes) {
  EXPECT_EQ(Call("RGB", {Int(0x1FF), Int(0x12), Int(-1)})->GetLong(), 0xFF12FF);
  EXPECT_EQ(Call("RGB", {Int(1), Int(2)})->GetLong(), 0);
}

TEST_F(BuiltinValues, InspectionTellsValuesFromTheirReferences) {
  auto object = script::Make<script::TOL_VarObject>();
  auto address = [](script::TOL_Var* v) {
    return static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(v)));
  };
  auto args = script::NewArray();
  args->Add(script::NewRef(object.get()).get());
  EXPECT_EQ(CallWith("GetClassName", args.get())->GetString(), "TOL_VarRef");
  EXPECT_EQ(CallWith("GetRefClassName", args.get())->GetString(), "TOL_VarObject");
  EXPECT_EQ(CallWith("GetRefAddr", args.get())->GetLong(), address(object.get()));
  EXPECT_EQ(CallWith("GetAddr", args.get())->GetLong(), address(args->GetAt(0)));
  EXPECT_EQ(Call("GetClassName", {script::NewInt64(3)})->GetString(), "TOL_VarInt64");
  EXPECT_EQ(Call("GetRefAddr", {Int(3)})->GetLong(), 0);
  EXPECT_EQ(Call("GetRefClassName", {script::NewRef()})->GetString(), "");
  EXPECT_EQ(Call("GetClassName")->GetString(), "");
  EXPECT_EQ(Call("GetAddr")->GetLong(), 0);
}

TEST_F(BuiltinValues, KeyStateIsSignExtendedWithItsToggle) {
  platform::Host& host = UseHost("down A\nwait 10\nup A\nwait 10\ndown 16\n");
  platform::Message message;
  EXPECT_EQ(Call("GetKeyState")->GetLong(), -1);
  EXPECT_EQ(Call("GetKeyState", {Int('A')})->GetLong(), 0);
  host.PeekMessage(message, false);  // the down line is due now
  EXPECT_EQ(Call("GetKeyState", {Int('A')})->GetLong(), -127);  // held, toggled on
  host.Sleep(10);
  host.PeekMessage(message, false);
  EXPECT_EQ(Call("GetKeyState", {Int('A')})->GetLong(), 1);
  EXPECT_EQ(Call("GetKeyState", {Int('A' + 256)})->GetLong(), 0);
  host.Sleep(10);
  host.PeekMessage(message, false);
  EXPECT_EQ(Call("GetKeyState", {Int(16)})->GetLong(), -127);
}

TEST_F(BuiltinValues, LastKeyStateReadsTheSnapshot) {
  platform::Host& host = UseHost("down A\nwait 10\nup A\n");
  for (int i = 0; i < 256; ++i) ASSERT_EQ(Call("GetLastKeyState", {Int(i)})->GetLong(), 0) << i;
  EXPECT_EQ(Call("GetLastKeyState", {Int(256)})->GetLong(), -1);
  EXPECT_EQ(Call("GetLastKeyState", {Int(-1)})->GetLong(), -1);
  EXPECT_EQ(Call("GetLastKeyState")->GetLong(), -1);
  platform::Message message;
  host.PeekMessage(message, false);
  EXPECT_EQ(Call("GetLastKeyState", {Int('A')})->GetLong(), 0);  // not taken yet
  EXPECT_TRUE(Call("GetKbState")->GetBool());
  host.Sleep(10);
  host.PeekMessage(message, false);  // released now, but the snapshot keeps its moment
  EXPECT_EQ(Call("GetLastKeyState", {Int('A')})->GetLong(), 0x81);
  EXPECT_TRUE(Call("GetKbState")->GetBool());
  EXPECT_EQ(Call("GetLastKeyState", {Int('A')})->GetLong(), 0x01);
}

// A sound manager whose one factory records what it is asked to open and what its sounds are
// asked to do; files named "playing*" answer that they play.
std::vector<std::string>* g_soundCalls = nullptr;

class RecordingSound : public sound::ISoundBuffer {
 public:
  explicit RecordingSound(std::string name) : name_(std::move(name)) {}
  intptr_t Open(const std::string&, int) override { return 0; }
  intptr_t Play(bool loop) override { return Log(std::string("play") + (loop ? " loop" : "")); }
  intptr_t Stop() override { return Log("stop"); }
  intptr_t Pause() override { return 0; }
  intptr_t Resume() override { return 0; }
  intptr_t SetVolume(int, int) override { return 0; }
  bool IsPlaying() override {
    Log("playing?");
    return name_.find("playing") != std::string::npos;
  }

 private:
  intptr_t Log(const std::string& what) {
    g_soundCalls->push_back(what + " " + name_);
    return 0;
  }
  std::string name_;
};

std::unique_ptr<sound::ISoundBuffer> RecordingFactory(sound::EWaveMixingServer*, const std::string& path, int mode) {
  g_soundCalls->push_back("open " + path + " mode " + std::to_string(mode));
  return std::make_unique<RecordingSound>(path.substr(path.rfind('\\') + 1));
}

TEST_F(BuiltinValues, SoundFunctionsChooseChannelsPathsAndLoops) {
  std::vector<std::string> calls;
  g_soundCalls = &calls;
  sound::SoundManager manager;
  manager.RegisterStreamFactory(RecordingFactory);
  SetSoundManager(&manager);
  Call("PlaySound", {Int(3), Text("hit.wav")});
  Call("PlaySound", {Int(3), Text("rain.ogg"), Int(1)});
  Call("PlaySound", {Int(0), Text("a.wav")});
  Call("PlaySound", {Int(16), Text("a.wav")});
  Call("PlaySound", {Int(2)});
  Call("PlayMusicFile", {Text("town.ogg")});
  Call("PlayMusicFile", {Text("fanfare.mio"), Int(0)});
  Call("PlayMusicFile");
  Call("PlayMusic", {Int(1)});  // no game, so no music table: nothing
  Call("StopSound", {Int(15)});  // never used: nothing to stop
  Call("StopSound", {Int(3)});
  Call("StopSound", {Int(0)});
  Call("StopMusic");
  Call("PlayMusicFile", {Text("playing.ogg")});
  Call("StopMusic");
  EXPECT_TRUE(Call("PlayingSound", {Int(0)})->GetBool());
  EXPECT_FALSE(Call("PlayingSound", {Int(99)})->GetBool());
  EXPECT_EQ(Call("PlayingSound"), nullptr);
  std::vector<std::string> expected = {
      "open config\\sound\\hit.wav mode 1",    "play hit.wav",
      "open config\\sound\\rain.ogg mode 1",   "play loop rain.ogg",
      "open config\\music\\town.ogg mode 1",   "play loop town.ogg",
      "open config\\music\\fanfare.mio mode 1", "play fanfare.mio",
      "stop rain.ogg",                          "playing? fanfare.mio",
      "open config\\music\\playing.ogg mode 1", "play loop playing.ogg",
      "playing? playing.ogg",                   "stop playing.ogg",
      "playing? playing.ogg"};
  EXPECT_EQ(calls, expected);
  SetSoundManager(nullptr);
  // Without a manager nothing plays.
  Call("PlayMusicFile", {Text("town.ogg")});
  EXPECT_FALSE(Call("PlayingMusic")->GetBool());
  EXPECT_FALSE(Call("PlayingSound", {Int(3)})->GetBool());
  g_soundCalls = nullptr;
}

}  // namespace
}  // namespace tav::engine::testing
