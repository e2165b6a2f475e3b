// Saved games on disk: a damaged save falls back to its backup, a save killed at any moment
// leaves the old or the new save, a full disk fails the save and keeps the old one, and the
// save folder and graph details a game-folder test cannot reach.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "engine/save/save_files.h"
#include "engine/save/save_format.h"
#include "engine/save/save_location.h"
#include "game_folder.h"
#include "script/core/scalars.h"
#include "script/core/var_array.h"
#include "script/core/var_func.h"

namespace tav::engine::testing {
namespace {

namespace fs = std::filesystem;
using script::VarRef;

class Saves : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    saves_ = root_ / "saves";
    ConfigureSaveLocation(saves_.string(), root_);
    Start();
  }

  VarRef Text(const std::string& text) { return script::NewString(text); }
  VarRef Int(int32_t value) { return script::NewInt(value); }
  bool Save(const std::string& name, VarRef value) { return Call("TavSave", {Text(name), value})->GetBool(); }
  VarRef Load(const std::string& name) { return Call("TavLoad", {Text(name)}); }

  // An array of `count` INTs all holding `value`: a mixture of two saves could not pass for one.
  static VarRef Uniform(int32_t value, int count) {
    auto array = script::NewArray();
    for (int i = 0; i < count; ++i) array->Add(script::NewInt(value).get());
    return array;
  }
  // The uniform value of such an array, or -1.
  static int32_t UniformValue(const VarRef& loaded, int count) {
    if (!loaded || loaded->GetCount() != count) return -1;
    const int32_t first = loaded->GetAt(0)->GetLong();
    for (int i = 1; i < count; ++i) {
      if (loaded->GetAt(i)->GetLong() != first) return -1;
    }
    return first;
  }

  std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(bytes.data()),
                                                                  static_cast<std::streamsize>(bytes.size()));
  }
  // The save file alone, decoded without any fallback.
  VarRef DecodeFile(const fs::path& path, std::string& error) {
    std::vector<std::string> warnings;
    SaveContext context{CurrentSaveLocation().gameName, &game_->Types(), &game_->Views()};
    return DecodeSave(ReadBytes(path), context, error, warnings);
  }
  // The names in the save folder, sorted.
  std::vector<std::string> SaveFolderFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(saves_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path saves_;
};

TEST_F(Saves, ADamagedSaveFallsBackToItsBackupOrAnswersNone) {
  ASSERT_TRUE(Save("slot", Int(1)));
  ASSERT_TRUE(Save("slot", Int(2)));
  const SavePaths paths = SaveFilePaths(saves_, "slot");
  EXPECT_EQ(Load("slot")->GetLong(), 2);
  const std::vector<uint8_t> good = ReadBytes(paths.save);

  // One flipped bit in the payload, a cut-off file, stray bytes, another game's save.
  std::vector<uint8_t> flipped = good;
  flipped.back() ^= 0x01;
  std::vector<uint8_t> cut(good.begin(), good.end() - 3);
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  SaveContext other{"another game", nullptr, nullptr};
  std::vector<uint8_t> foreign;
  std::string error;
  ASSERT_TRUE(EncodeSave(script::NewInt(9).get(), other, foreign, error)) << error;
  for (const auto& damaged : {flipped, cut, longer, foreign, std::vector<uint8_t>{}}) {
    WriteBytes(paths.save, damaged);
    VarRef loaded = Load("slot");
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetLong(), 1);
    EXPECT_EQ(DecodeFile(paths.save, error), nullptr);
    EXPECT_FALSE(error.empty());
  }
  // With the backup damaged too there is nothing sound to answer.
  WriteBytes(paths.backup, flipped);
  EXPECT_EQ(Load("slot"), nullptr);
  // Missing save, sound backup: the backup.
  fs::remove(paths.save);
  WriteBytes(paths.backup, good);
  EXPECT_EQ(Load("slot")->GetLong(), 2);
  EXPECT_TRUE(Call("TavSaveExists", {Text("slot")})->GetBool());
  EXPECT_TRUE(Call("TavDeleteSave", {Text("slot")})->GetBool());
  EXPECT_FALSE(Call("TavSaveExists", {Text("slot")})->GetBool());
  EXPECT_EQ(Load("slot"), nullptr);
}

TEST_F(Saves, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewSave) {
  constexpr int kElements = 2000;
  constexpr int kRounds = 300;
  const SavePaths paths = SaveFilePaths(saves_, "run");
  // Kills are spread over about two saves' time after the child started, so that they land
  // before, during and after complete saves however fast this machine saves.
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(Save("run", Uniform(0, kElements)));
  const auto oneSave = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
  std::uniform_int_distribution<int64_t> delay(0, 2 * oneSave.count() + 200);
  std::mt19937 random(12345);
  int32_t previous = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  int rounds = 0;
  int changed = 0;
  for (; rounds < kRounds && std::chrono::steady_clock::now() < deadline; ++rounds) {
    const int32_t base = (rounds + 1) * 100000;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      char go = 1;
      if (::write(ready[1], &go, 1) != 1) ::_exit(1);
      for (int32_t k = 1; k < 100000; ++k) Save("run", Uniform(base + k, kElements));
      ::_exit(0);
    }
    char go = 0;
    ASSERT_EQ(::read(ready[0], &go, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);

    std::string error;
    const int32_t value = UniformValue(DecodeFile(paths.save, error), kElements);
    ASSERT_TRUE(value == previous || (value > base && value < base + 100000))
        << "round " << rounds << ": loaded " << value << " after " << previous << " " << error;
    changed += value != previous;
    previous = value;
  }
  EXPECT_GE(rounds, 50);
  // Kills landed after complete saves as well as before or during them.
  EXPECT_GT(changed, 0);
  EXPECT_LT(changed, rounds);
  // The next save clears what the killed ones left behind.
  ASSERT_TRUE(Save("run", Uniform(7, kElements)));
  EXPECT_EQ(UniformValue(Load("run"), kElements), 7);
  EXPECT_EQ(SaveFolderFiles(), (std::vector<std::string>{"run.sav", "run.sav.bak"}));
}

TEST_F(Saves, AFullDiskFailsTheSaveAndKeepsTheOldOne) {
  ASSERT_TRUE(Save("full", Int(5)));
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    struct rlimit limit {4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    // Exit code: 0 when the big save failed and a small one still succeeds.
    const bool big = Save("full", Uniform(1, 5000));
    const bool small = Save("other", Int(3));
    ::_exit(!big && small ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Load("full")->GetLong(), 5);
  EXPECT_EQ(Load("other")->GetLong(), 3);
  // No half-written file is left beside the saves.
  EXPECT_EQ(SaveFolderFiles(), (std::vector<std::string>{"full.sav", "other.sav"}));
}

TEST_F(Saves, AFolderThatCannotBeMadeFailsTheSave) {
  std::ofstream(root_ / "plain file") << "x";
  ConfigureSaveLocation((root_ / "plain file" / "saves").string(), root_);
  EXPECT_FALSE(Save("nowhere", Int(1)));
  EXPECT_EQ(Load("nowhere"), nullptr);
  EXPECT_FALSE(Call("TavSaveExists", {Text("nowhere")})->GetBool());
}

// A clone of a plain object falls back on its source; the source goes into the save with it.
// A FORM shared with the source comes back with its expression.
TEST_F(Saves, AnObjectClonedFromAnotherKeepsItsSourceAndSharedCallables) {
  auto source = script::Make<script::TOL_VarObject>();
  source->SetMember(script::NewString("from the source").get(), "Note");
  auto form = script::Make<script::TOL_VarFuncForm>();
  ASSERT_TRUE(form->Compile("6 * 7"));
  source->SetMember(form.get(), "Answer");
  VarRef clone = source->Clone(nullptr);
  clone->SetMember(script::NewInt(1).get(), "Own");
  ASSERT_TRUE(Save("clone", clone));
  VarRef loaded = Load("clone");
  ASSERT_NE(loaded, nullptr);
  ASSERT_NE(loaded->GetBase(), nullptr);
  EXPECT_NE(loaded->GetBase(), source.get());
  EXPECT_EQ(loaded->FindMember("NOTE")->GetString(), "from the source");
  EXPECT_EQ(loaded->FindMember("OWN")->GetLong(), 1);
  EXPECT_EQ(loaded->FindMember("ANSWER")->Call(game_->NewGlobalFrame().get())->GetLong(), 42);
}

TEST(SaveLocation, TheDefaultFolderIsPerGameFolderUnderXdgDataHome) {
  const char* oldData = std::getenv("XDG_DATA_HOME");
  const std::string keep = oldData ? oldData : "";
  ::setenv("XDG_DATA_HOME", "/data/home", 1);
  ConfigureSaveLocation("", "/games/one/Quest");
  EXPECT_EQ(CurrentSaveLocation().folder, fs::path("/data/home/tav") / GameSaveId("/games/one/Quest"));
  EXPECT_EQ(CurrentSaveLocation().gameName, "Quest");
  EXPECT_EQ(GameSaveId("/games/one/Quest").rfind("Quest-", 0), 0u);
  EXPECT_NE(GameSaveId("/games/one/Quest"), GameSaveId("/games/two/Quest"));
  // A relative XDG_DATA_HOME is ignored for $HOME/.local/share.
  ::setenv("XDG_DATA_HOME", "relative", 1);
  ConfigureSaveLocation("", "/games/one/Quest");
  EXPECT_EQ(CurrentSaveLocation().folder.parent_path().filename(), "tav");
  EXPECT_NE(CurrentSaveLocation().folder.string().find(".local/share/tav/"), std::string::npos);
  ConfigureSaveLocation("/my/saves", "/games/one/Quest");
  EXPECT_EQ(CurrentSaveLocation().folder, fs::path("/my/saves"));
  if (oldData) ::setenv("XDG_DATA_HOME", keep.c_str(), 1); else ::unsetenv("XDG_DATA_HOME");
}

TEST(SaveLocation, NamesThatCouldLeaveTheFolderAreRefused) {
  std::string reason;
  EXPECT_EQ(SaveFileStem("slot 1", reason), "slot 1");
  // "ソ" is 0x83 0x5C in Shift-JIS: its second byte is no backslash.
  EXPECT_EQ(SaveFileStem("\x83\x5C", reason), "ソ");
  for (const char* bad : {"", "a/b", "a\\b", "..", "x..y", "a\x01", "a\x7F", "\x83", "\xA0\xFD"}) {
    EXPECT_EQ(SaveFileStem(bad, reason), std::nullopt) << bad;
    EXPECT_FALSE(reason.empty());
  }
  EXPECT_TRUE(SaveFileStem(std::string(64, 'a'), reason));
  EXPECT_FALSE(SaveFileStem(std::string(65, 'a'), reason));
  // 22 two-byte characters are 44 bytes of Shift-JIS but 66 of UTF-8.
  std::string wide;
  for (int i = 0; i < 22; ++i) wide += "\x82\xA0";
  EXPECT_FALSE(SaveFileStem(wide, reason));
}

}  // namespace
}  // namespace tav::engine::testing
