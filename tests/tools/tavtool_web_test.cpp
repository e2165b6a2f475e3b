// `tavtool web` end to end: a game folder becomes a site whose index sends the scripts, definitions
// and views before the start and leaves music, sounds, text and lists (and the fonts) to be
// fetched when first opened; the copies are the game's bytes; bad input fails with a message and
// writes no index.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include <nlohmann/json.hpp>

namespace {

namespace fs = std::filesystem;

class TavtoolWebTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tavtool_web_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    Write("game/config/startup.tas", "Main { }\n");
    Write("game/config/view.def", "view\n");
    Write("game/config/view/Title/title.tav", std::string(300, 'v'));
    Write("game/config/music/theme.ogg", std::string(5000, 'm'));
    Write("game/config/sound/hit.WAV", std::string(700, 's'));
    Write("game/config/list/items.csv", "a,b\n");
    Write("game/readme.txt", "text\n");
    Write("game/config/音楽/曲.mio", "mio");
    for (const char* name : {"index.html", "tav-page.js", "tav-page.css", "tav-web.js", "tav-web.wasm"}) {
      Write(std::string("engine/") + name, std::string("engine file ") + name);
    }
    for (const char* name : {"ipag.ttf", "ipagp.ttf", "ipam.ttf", "ipamp.ttf"}) Write(std::string("fonts/") + name, name);
    Write("fonts/IPA_Font_License_Agreement_v1.0.txt", "licence");
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Write(const std::string& relative, const std::string& content) {
    const fs::path path = dir_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }
  std::string Path(const std::string& relative) const { return (dir_ / relative).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  int Run(const std::string& arguments) {
    const std::string command = std::string(TAVTOOL) + " web " + arguments + " > " + Path("out.txt") + " 2> " +
                                Path("err.txt");
    const int status = std::system(command.c_str());
    errors_ = Read(Path("err.txt"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Engine() const { return " --engine " + Path("engine") + " --fonts " + Path("fonts"); }

  fs::path dir_;
  std::string errors_;
};

TEST_F(TavtoolWebTest, WritesTheSiteWithEarlyAndLazyFiles) {
  ASSERT_EQ(Run(Path("game") + " " + Path("site") + Engine()), 0) << errors_;
  const nlohmann::json index = nlohmann::json::parse(Read(Path("site/site.json")));
  EXPECT_EQ(index["game"], "game");
  std::map<std::string, bool> lazy;
  for (const auto& file : index["files"]) {
    lazy[file["path"].get<std::string>()] = file["lazy"].get<bool>();
    const std::string path = file["path"].get<std::string>();
    EXPECT_EQ(Read(Path("site/game/" + path)), Read(Path("game/" + path))) << path;
    EXPECT_EQ(file["size"].get<uintmax_t>(), fs::file_size(Path("game/" + path))) << path;
  }
  const std::map<std::string, bool> expected = {
      {"config/startup.tas", false}, {"config/view.def", false},     {"config/view/Title/title.tav", false},
      {"config/music/theme.ogg", true}, {"config/sound/hit.WAV", true}, {"config/list/items.csv", true},
      {"readme.txt", true},          {"config/音楽/曲.mio", true}};
  EXPECT_EQ(lazy, expected);
  ASSERT_EQ(index["fonts"].size(), 4u);
  EXPECT_EQ(index["fonts"][0]["path"], "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf");
  EXPECT_EQ(Read(Path("site/") + index["fonts"][0]["url"].get<std::string>()), "ipag.ttf");
  EXPECT_EQ(Read(Path("site/fonts/IPA_Font_License_Agreement_v1.0.txt")), "licence");
  EXPECT_EQ(Read(Path("site/tav-web.wasm")), "engine file tav-web.wasm");
  EXPECT_EQ(Read(Path("site/index.html")), "engine file index.html");

  // Written again after a file left the game: the old copy does not linger.
  fs::remove(Path("game/readme.txt"));
  ASSERT_EQ(Run(Path("game") + " " + Path("site") + Engine()), 0) << errors_;
  EXPECT_FALSE(fs::exists(Path("site/game/readme.txt")));
}

TEST_F(TavtoolWebTest, ASiteInsideTheGameFolderIsNotCopiedIntoItself) {
  ASSERT_EQ(Run(Path("game") + " " + Path("game/site") + Engine()), 0) << errors_;
  ASSERT_EQ(Run(Path("game") + " " + Path("game/site") + Engine()), 0) << errors_;
  const nlohmann::json index = nlohmann::json::parse(Read(Path("game/site/site.json")));
  for (const auto& file : index["files"]) EXPECT_NE(file["path"].get<std::string>().rfind("site/", 0), 0u);
}

TEST_F(TavtoolWebTest, BadInputFailsWithAMessageAndNoIndex) {
  EXPECT_EQ(Run(Path("game") + " " + Path("site") + " --engine " + Path("nothing") + " --fonts " + Path("fonts")), 1);
  EXPECT_NE(errors_.find("tav-web"), std::string::npos) << errors_;
  EXPECT_NE(errors_.find("index.html"), std::string::npos) << errors_;
  EXPECT_FALSE(fs::exists(Path("site/site.json")));

  EXPECT_EQ(Run(Path("engine") + " " + Path("site") + Engine()), 1);
  EXPECT_NE(errors_.find("not a game folder"), std::string::npos) << errors_;

  EXPECT_EQ(Run(Path("game") + " " + Path("site") + " --engine " + Path("engine") + " --fonts " + Path("game")), 1);
  EXPECT_NE(errors_.find("ipag.ttf"), std::string::npos) << errors_;

  EXPECT_EQ(Run(Path("game") + " " + Path("game") + Engine()), 1);
  EXPECT_NE(errors_.find("game folder itself"), std::string::npos) << errors_;

  Write("game/config/\x83\x65.tas", "sjis name");
  EXPECT_EQ(Run(Path("game") + " " + Path("site") + Engine()), 1);
  EXPECT_NE(errors_.find("not UTF-8"), std::string::npos) << errors_;
  EXPECT_FALSE(fs::exists(Path("site/site.json")));

  EXPECT_EQ(Run(Path("game")), 2);
}

}  // namespace
