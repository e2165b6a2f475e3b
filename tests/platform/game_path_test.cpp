#include "platform/game_path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace tav::platform {
namespace {

namespace fs = std::filesystem;

const std::string kHyojiSjis = "\x95\x5C\x8E\xA6";  // 表示, second byte 0x5C
const std::string kHyojiUtf8 = "\xE8\xA1\xA8\xE7\xA4\xBA";
const std::string kShinkiSjis = "\x90\x56\x8B\x4B";  // 新規
const std::string kShinkiUtf8 = "\xE6\x96\xB0\xE8\xA6\x8F";

void Touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << "x";
}

class GamePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tav_game_path_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    base_ = pattern;
    root_ = base_ / "game";
    Touch(root_ / "config" / "View" / "Main.TAV");
    Touch(root_ / "config" / "utf8" / kHyojiUtf8 / "a.txt");
    Touch(root_ / "config" / "raw" / kHyojiSjis / "b.txt");
    Touch(root_ / "config" / "kana" / "\x83\x41");  // ア, whose trail byte is 'A'
    Touch(root_ / "config" / "mixed" / (kShinkiUtf8 + "Data.txt"));
    fs::create_directories(root_ / "config" / "save");
    Touch(base_ / "secret.txt");
  }
  void TearDown() override { fs::remove_all(base_); }

  std::string Real(const fs::path& relative) const { return (root_ / relative).string(); }

  fs::path base_;
  fs::path root_;
};

TEST_F(GamePathTest, MatchesExactlyThenIgnoringAsciiCase) {
  GamePathResolver resolver(root_.string());
  EXPECT_EQ(resolver.Resolve("config\\View\\Main.TAV"), Real("config/View/Main.TAV"));
  EXPECT_EQ(resolver.Resolve("CONFIG\\view\\main.tav"), Real("config/View/Main.TAV"));
  EXPECT_EQ(resolver.Resolve("config/VIEW//main.Tav"), Real("config/View/Main.TAV"));
  EXPECT_EQ(resolver.Resolve(""), root_.string());
  EXPECT_EQ(resolver.Resolve("config\\View"), Real("config/View"));
}

TEST_F(GamePathTest, TrailByte5CDoesNotSplitAComponent) {
  GamePathResolver resolver(root_.string());
  // Raw Shift-JIS names on disk match byte for byte.
  EXPECT_EQ(resolver.Resolve("config\\raw\\" + kHyojiSjis + "\\b.txt"),
            Real("config/raw/" + kHyojiSjis + "/b.txt"));
  // Names converted to UTF-8 on disk are found from the Shift-JIS spelling.
  EXPECT_EQ(resolver.Resolve("config\\utf8\\" + kHyojiSjis + "\\a.txt"),
            Real("config/utf8/" + kHyojiUtf8 + "/a.txt"));
  EXPECT_EQ(resolver.Resolve("config\\MIXED\\" + kShinkiSjis + "DATA.TXT"),
            Real("config/mixed/" + kShinkiUtf8 + "Data.txt"));
}

TEST_F(GamePathTest, CaseFoldingLeavesTrailBytesAlone) {
  GamePathResolver resolver(root_.string());
  EXPECT_EQ(resolver.Resolve("config\\kana\\\x83\x41"), Real("config/kana/\x83\x41"));
  EXPECT_EQ(resolver.Resolve("config\\kana\\\x83\x61"), std::nullopt);  // a different character
}

TEST_F(GamePathTest, MissingPathsResolveToNothing) {
  GamePathResolver resolver(root_.string());
  EXPECT_EQ(resolver.Resolve("config\\nope.txt"), std::nullopt);
  EXPECT_EQ(resolver.Resolve("config\\View\\Main.TAV\\inner"), std::nullopt);
  EXPECT_EQ(resolver.Resolve("nope\\Main.TAV"), std::nullopt);
  EXPECT_EQ(resolver.List("nope"), std::vector<std::string>{});
  EXPECT_EQ(std::string(resolver.Resolve("config").value()), Real("config"));
  EXPECT_EQ(GamePathResolver((base_ / "absent").string()).Resolve(""), std::nullopt);
}

TEST_F(GamePathTest, NeverLeavesTheGameFolder) {
  GamePathResolver resolver(root_.string());
  EXPECT_EQ(resolver.Resolve("..\\secret.txt"), std::nullopt);
  EXPECT_EQ(resolver.Resolve("config\\..\\..\\secret.txt"), std::nullopt);
  EXPECT_EQ(resolver.Resolve("C:\\secret.txt"), std::nullopt);
  EXPECT_EQ(resolver.ResolveForCreate("..\\evil.txt"), std::nullopt);
  EXPECT_EQ(resolver.ResolveForCreate("config\\.."), std::nullopt);
  EXPECT_EQ(resolver.Resolve("\\config\\.\\View\\..\\View\\Main.TAV"), Real("config/View/Main.TAV"));
  EXPECT_EQ(resolver.Resolve(std::string("config\0x", 8)), std::nullopt);
}

TEST_F(GamePathTest, ResolveForCreateKeepsExistingNamesAndConvertsNewOnes) {
  GamePathResolver resolver(root_.string());
  EXPECT_EQ(resolver.ResolveForCreate("CONFIG\\SAVE\\" + kShinkiSjis + ".dat"),
            Real("config/save/" + kShinkiUtf8 + ".dat"));
  EXPECT_EQ(resolver.ResolveForCreate("config\\view\\MAIN.tav"), Real("config/View/Main.TAV"));
  EXPECT_EQ(resolver.ResolveForCreate("config\\nodir\\x.dat"), std::nullopt);
}

TEST_F(GamePathTest, CreatedFilesAreFoundAndInvalidateForgetsListings) {
  GamePathResolver resolver(root_.string());
  EXPECT_EQ(resolver.Resolve("config\\save\\slot1.dat"), std::nullopt);
  std::string created = resolver.ResolveForCreate("config\\save\\slot1.dat").value();
  Touch(created);
  // A miss re-reads a directory that changed since it was listed.
  EXPECT_EQ(resolver.Resolve("config\\save\\SLOT1.DAT"), created);

  // A hit is served from the cache until the cache is invalidated.
  ASSERT_EQ(resolver.Resolve("config\\View\\Main.TAV"), Real("config/View/Main.TAV"));
  fs::rename(root_ / "config" / "View", root_ / "config" / "view2");
  EXPECT_EQ(resolver.Resolve("config\\View\\Main.TAV"), Real("config/View/Main.TAV"));
  resolver.Invalidate();
  EXPECT_EQ(resolver.Resolve("config\\View\\Main.TAV"), std::nullopt);
  EXPECT_EQ(resolver.Resolve("config\\VIEW2\\Main.TAV"), Real("config/view2/Main.TAV"));
}

TEST_F(GamePathTest, ListShowsNamesAsShiftJis) {
  GamePathResolver resolver(root_.string());
  EXPECT_EQ(resolver.List("config\\utf8"), std::vector<std::string>{kHyojiSjis});
  EXPECT_EQ(resolver.List("config\\raw"), std::vector<std::string>{kHyojiSjis});
  EXPECT_EQ(resolver.List("Config"),
            (std::vector<std::string>{"View", "kana", "mixed", "raw", "save", "utf8"}));
  Touch(root_ / "config" / "save" / "b.dat");
  Touch(root_ / "config" / "save" / "a.dat");
  EXPECT_EQ(resolver.List("config\\save"), (std::vector<std::string>{"a.dat", "b.dat"}));
}

}  // namespace
}  // namespace tav::platform
