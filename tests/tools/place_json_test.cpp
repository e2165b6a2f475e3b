#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "dungeon/map_view.h"
#include "dungeon/place_file.h"
#include "dungeon/walk_view.h"
#include "dungeon_test_support.h"
#include "place_json.h"
#include "screen/var_view.h"
#include "view_json.h"

namespace tav::tools {
namespace {

using dungeon::kNorth;
using dungeon::kSouth;
using dungeon::kWest;
using dungeon::MakePart;
using dungeon::TOL_VarDungeon;
using dungeon::TOL_VarField;
using dungeon::testing::MakeField;

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PlaceJson : public dungeon::testing::DungeonTest {
 protected:
  void SetUp() override {
    DungeonTest::SetUp();
    InitializeEngineClasses();
  }

  // build(dump(bytes)) == bytes, and dump(build(dump)) == dump.
  static Json RoundTrip(const std::vector<uint8_t>& bytes) {
    Json json = DumpPlace(bytes);
    EXPECT_EQ(BuildPlace(json), bytes);
    EXPECT_EQ(DumpPlace(BuildPlace(json)), json);
    return json;
  }

  static std::string BuildError(const std::string& text) {
    try {
      BuildPlace(Json::parse(text));
    } catch (const JsonError& e) {
      return e.what();
    }
    return "no error";
  }

  static script::Ref<TOL_VarField> Loaded(const std::vector<uint8_t>& bytes) {
    std::string error;
    script::VarRef place = dungeon::LoadPlaceBytes(bytes, error);
    EXPECT_TRUE(error.empty()) << error;
    return script::Ref<TOL_VarField>(dynamic_cast<TOL_VarField*>(place.get()));
  }
};

TEST_F(PlaceJson, TheGamePlaceFilesSurviveBothRoundTripsAndReadAsMaps) {
  const auto folder = std::filesystem::path(TAV_TEST_DATA) / "games" / "dungeon_places" / "config" / "place";
  Json maze = RoundTrip(ReadBytes(folder / "maze.plc"));
  ASSERT_EQ(maze["fields"].size(), 3u);
  const Json& first = maze["fields"][0];
  EXPECT_EQ(first["floor"], 1);
  ASSERT_EQ(first["map"].size(), 17u);
  EXPECT_EQ(first["map"][0], "+   +   +   +   +   +   +   +   +   +---+");  // the wall north of (9, 0)
  EXPECT_EQ(first["map"][16], first["map"][0]);                             // ... again below row 7
  EXPECT_EQ(first["map"][6].get<std::string>().substr(12, 5), "+ ^ +");      // one-way north of (3, 3)
  EXPECT_EQ(first["map"][11].get<std::string>()[20], 'S');                  // wall-door west of (5, 5)
  EXPECT_EQ(first["map"][12].get<std::string>().substr(24, 5), "+-D-+");     // one door object on two sides
  EXPECT_EQ(first["map"][13].get<std::string>()[24], 'D');
  EXPECT_EQ(first["thresholds"], "shared");
  EXPECT_FALSE(first.contains("threshold_exceptions"));
  EXPECT_EQ(first["cells"][1]["data"]["floor_colour"], "#FF0000");
  EXPECT_EQ(first["cells"][1]["data"]["event_number"], 17);

  Json single = RoundTrip(ReadBytes(folder / "single.plc"));
  EXPECT_EQ(single["map"][2], "+-v-+   +   +   +");  // the one-way both-wall south of (0, 0)
  EXPECT_EQ(single["cells"][0]["data"]["record_text"], "note");

  EXPECT_EQ(RoundTrip({0, 0}), nullptr);  // a file holding a null reference
}

// One wall object per block, one door on many blocks, and a later field that takes a wall of
// the first: each form comes back, and the engine sees the same sharing.
TEST_F(PlaceJson, SharedThresholdsStayShared) {
  auto dungeon = script::Make<TOL_VarDungeon>();
  auto first = MakeField(3, 2, 1);
  auto door = MakePart<dungeon::TOL_Door>();
  auto wall = MakePart<dungeon::TOL_Wall>();
  first->SetThreshold({0, 0}, kNorth, wall);
  first->SetThreshold({1, 0}, kNorth, MakePart<dungeon::TOL_Wall>());
  first->SetThreshold({2, 0}, kNorth, MakePart<dungeon::TOL_Wall>());
  for (int x = 0; x < 3; ++x) first->SetThreshold({x, 1}, kWest, door);
  auto second = MakeField(2, 1, 2);
  second->SetThreshold({1, 0}, kNorth, wall);
  second->SetThreshold({0, 0}, kWest, MakePart<dungeon::TOL_Wall>());
  dungeon->AddField(first);
  dungeon->AddField(second);

  const std::vector<uint8_t> bytes = dungeon::StorePlaceBytes(*dungeon);
  Json json = RoundTrip(bytes);
  const Json& a = json["fields"][0];
  EXPECT_EQ(a["map"][0], "+---+---+---+");
  EXPECT_EQ(a["map"][3], "D   D   D   D");
  EXPECT_EQ(a["thresholds"], "separate");  // three walls, one door: two back-references
  EXPECT_EQ(a["threshold_exceptions"], Json::parse(R"([
      {"x": 1, "y": 1, "side": "west", "same_as": {"x": 0, "y": 1, "side": "west"}},
      {"x": 2, "y": 1, "side": "west", "same_as": {"x": 0, "y": 1, "side": "west"}}])"));
  EXPECT_EQ(json["fields"][1]["threshold_exceptions"], Json::parse(R"([
      {"x": 1, "y": 0, "side": "north", "same_as": {"field": 0, "x": 0, "y": 0, "side": "north"}}])"));

  std::string error;
  script::VarRef again = dungeon::LoadPlaceBytes(BuildPlace(json), error);
  auto* loaded = dynamic_cast<TOL_VarDungeon*>(again.get());
  ASSERT_NE(loaded, nullptr) << error;
  const auto& fields = loaded->Fields();
  EXPECT_EQ(fields[0]->ThresholdAt({0, 1}, kWest), fields[0]->ThresholdAt({2, 1}, kWest));
  EXPECT_EQ(fields[0]->ThresholdAt({0, 0}, kNorth), fields[1]->ThresholdAt({1, 0}, kNorth));
  EXPECT_NE(fields[0]->ThresholdAt({0, 0}, kNorth), fields[0]->ThresholdAt({1, 0}, kNorth));
  EXPECT_NE(fields[1]->ThresholdAt({0, 0}, kWest), fields[1]->ThresholdAt({1, 0}, kNorth));
}

// A threshold referred to in the long form of a reference cannot be drawn: the blocks are
// listed instead, and still come back byte for byte.
TEST_F(PlaceJson, ALongThresholdReferenceListsTheBlocks) {
  std::vector<uint8_t> bytes = {0xFF, 0xFF, 1, 0, 12, 0};
  for (char c : std::string("TOL_VarField")) bytes.push_back(static_cast<uint8_t>(c));
  for (uint8_t b : {1, 0, 1, 0, 0, 0, 0, 0x80, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0}) bytes.push_back(b);
  for (uint8_t b : {0xFF, 0xFF, 1, 0, 8, 0}) bytes.push_back(b);
  for (char c : std::string("TOL_Wall")) bytes.push_back(static_cast<uint8_t>(c));
  for (uint8_t b : {0xFF, 0x7F, 4, 0, 0, 0, 0, 0}) bytes.push_back(b);  // west: object 4, long form
  Json json = RoundTrip(bytes);
  EXPECT_FALSE(json.contains("map"));
  EXPECT_EQ(json["blocks"], Json::parse(R"([{"north": {"class": "TOL_Wall", "id": 4}, "west": {"ref": 4, "wide": true}}])"));
}

TEST_F(PlaceJson, AHandWrittenFieldBuildsWhatItDraws) {
  const char* text = R"({
    "class": "TOL_VarField", "x_length": 3, "y_length": 2, "floor": 4,
    "map": ["+---+---+---+",
            "|   S E < L |",
            "+-D-+ v +DvD+",
            "[ R }   . E [",
            "+---+---+---+"],
    "thresholds": "shared",
    "threshold_exceptions": [{"x": 2, "y": 0, "side": "north", "new": true}],
    "cells": [
      {"x": 1, "y": 0, "data": {"class": "TOL_EventLay", "id": "shared", "floor_colour": "#0000FF", "event_number": 8}},
      {"x": 2, "y": 0, "data": {"class": "TOL_Lay", "data0": -3}},
      {"x": 0, "y": 1, "data": {"class": "TOL_RecordLay", "record_text": "メモ", "record_flag": 2}},
      {"x": 2, "y": 1, "data": {"ref": "shared"}}]
  })";
  std::vector<uint8_t> bytes = BuildPlace(Json::parse(text));
  script::Ref<TOL_VarField> field = Loaded(bytes);
  ASSERT_TRUE(field);
  EXPECT_EQ(field->Floor(), 4);
  EXPECT_EQ(field->GetThreshView({0, 0}, kNorth), 1);
  EXPECT_EQ(field->GetThreshView({0, 1}, kSouth), 1);  // the wrapped north edge of row 0
  EXPECT_EQ(field->ThresholdAt({0, 0}, kNorth), field->ThresholdAt({1, 0}, kNorth));
  EXPECT_NE(field->ThresholdAt({1, 0}, kNorth), field->ThresholdAt({2, 0}, kNorth));  // the exception
  EXPECT_EQ(field->ThresholdAt({0, 0}, kWest), field->ThresholdAt({2, 0}, dungeon::kEast));
  EXPECT_EQ(field->GetPassRule({1, 0}, kWest), 0);     // wall-door: passable
  EXPECT_EQ(field->GetThreshView({1, 0}, kWest), 1);   // ... drawn as a wall
  EXPECT_EQ(field->GetPassRule({2, 0}, kWest), 0);     // one-way, crossed westwards
  EXPECT_EQ(field->GetPassRule({1, 0}, dungeon::kEast), 1);
  EXPECT_EQ(field->GetPassRule({1, 1}, kNorth), 1);    // reverse one-way: only southwards
  EXPECT_EQ(field->GetPassRule({1, 0}, kSouth), 0);
  EXPECT_EQ(field->GetThreshView({2, 1}, kNorth), 2);  // reverse one-way door
  EXPECT_EQ(field->CellData({1, 0}), field->CellData({2, 1}));
  auto* record = dynamic_cast<dungeon::TOL_RecordLay*>(field->CellData({0, 1}));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->recordText, "\x83\x81\x83\x82");  // Shift-JIS
  EXPECT_EQ(record->eventNumber, -1);

  Json dumped = DumpPlace(bytes);
  EXPECT_EQ(dumped["map"], Json::parse(text)["map"]);
  EXPECT_EQ(dumped["threshold_exceptions"], Json::parse(text)["threshold_exceptions"]);
  EXPECT_EQ(BuildPlace(dumped), bytes);
}

TEST_F(PlaceJson, BuildErrorsNameTheJsonPath) {
  const std::string head = R"({"class": "TOL_VarField", "x_length": 2, "y_length": 1, )";
  EXPECT_EQ(BuildError(head + R"("map": ["+   +   +", "         "]})"),
            "/map: expected 3 lines (two per row and a closing line)");
  EXPECT_EQ(BuildError(head + R"("map": ["+   +   +", "        ", "+   +   +"]})"),
            "/map/1: expected a line of 9 characters");
  EXPECT_EQ(BuildError(head + R"("map": ["+-x-+   +", "         ", "+-x-+   +"]})"),
            "/map/0: unknown north threshold mark '-x-' at column 1");
  EXPECT_EQ(BuildError(head + R"("map": ["+---+   +", "         ", "+   +   +"]})"),
            "/map/2: the closing line must repeat the first (the field wraps)");
  EXPECT_EQ(BuildError(head + R"("map": ["+   +   +", "|       ", "+   +   +"]})").substr(0, 12), "/map/1: expe");
  EXPECT_EQ(BuildError(head + R"("map": ["+   +   +", "|       |", "+   +   +"], "cells": [{"x": 1, "y": 0, "data": {"class": "TOL_Lay"}}]})"),
            "/cells/0: the map marks no cell data there");
  EXPECT_EQ(BuildError(head + R"("map": ["+   +   +", "|     E |", "+   +   +"]})"),
            "/cells: the map marks cell data at (1, 0) that is not listed");
  EXPECT_EQ(BuildError(head + R"("map": ["+   +   +", "|     E |", "+   +   +"], "cells": [{"x": 1, "y": 0, "data": {"class": "TOL_Lay"}}]})"),
            "/cells/0/data: a TOL_Lay where the map shows 'E'");
  EXPECT_EQ(BuildError(head + R"("map": ["+   +   +", "|     E |", "+   +   +"], "cells": [{"x": 1, "y": 0, "data": {"class": "TOL_Wall"}}]})"),
            "/cells/0/data/class: a TOL_Wall where cell data is expected");
  EXPECT_EQ(BuildError(head + R"("map": ["+---+---+", "|       |", "+---+---+"], "threshold_exceptions": [{"x": 1, "y": 0, "side": "west", "new": true}]})"),
            "/threshold_exceptions/0: the map shows no threshold there");
  EXPECT_EQ(BuildError(head + R"("map": ["+---+-D-+", "|       |", "+---+-D-+"], "threshold_exceptions": [{"x": 1, "y": 0, "side": "north", "same_as": {"x": 0, "y": 0, "side": "north"}}]})"),
            "/threshold_exceptions/0/same_as: names a TOL_Wall where the map shows a TOL_Door");
  EXPECT_EQ(BuildError(head + R"("map": ["+---+---+", "|       |", "+---+---+"], "threshold_exceptions": [{"x": 0, "y": 0, "side": "north", "same_as": {"x": 1, "y": 0, "side": "north"}}]})"),
            "/threshold_exceptions/0/same_as: no threshold is written there before this one");
  EXPECT_EQ(BuildError(head + R"("map": ["+---+---+", "|       |", "+---+---+"], "threshold_exceptions": [{"x": 2, "y": 0, "side": "north", "new": true}]})"),
            "/threshold_exceptions/0/x: integer out of range (0 to 1)");
  EXPECT_EQ(BuildError(R"({"class": "TOL_VarField", "x_length": 4096, "y_length": 4097})"),
            "/: a field's size must be positive or 0, and at most 2^24 blocks");
  EXPECT_EQ(BuildError(R"({"class": "TOL_VarDungeon", "fields": [{"class": "TOL_VarDungeon"}]})"),
            "/fields/0/class: a TOL_VarDungeon where a TOL_VarField is expected");
  EXPECT_EQ(BuildError(R"({"class": "TOL_VarField", "x_length": 1, "y_length": 1})"),
            "/: a field with blocks needs \"map\" (or \"blocks\")");
}

// A member name written twice keeps the later value, but the earlier one must still be a script
// value: a threshold hidden there was accepted by the engine and could not be dumped back.
TEST_F(PlaceJson, ARepeatedMemberNameCannotHideAnObjectOfTheWrongKind) {
  const auto file = std::filesystem::path(TAV_TEST_DATA) / "fuzz" / "corpus" / "tavtool_place_dump" /
                    "repeated-member-name-hides-a-threshold";
  std::vector<uint8_t> bytes = ReadBytes(file);
  ASSERT_FALSE(bytes.empty());
  std::string error;
  script::VarRef place = dungeon::LoadPlaceBytes(bytes, error);
  EXPECT_EQ(place, nullptr);
  EXPECT_NE(error.find("'TOL_OneAwayWall' is not the kind this field expects"), std::string::npos) << error;
  EXPECT_THROW(DumpPlace(bytes), std::runtime_error);
}

TEST_F(PlaceJson, WalkAndMapViewsInViewFilesKeepEveryValue) {
  auto view = script::Make<screen::TOL_VarView>();
  auto walk = script::Make<dungeon::TOL_VarWalkApp>();
  walk->SetRect(0, 0, 300, 200);
  walk->SetPos(-4, 7);
  walk->SetFacing(3);  // not a direction: kept as the number
  walk->SetShift(12000, -1);
  walk->SetFrame(1, 2, 3, 4);
  walk->SetBackColor(0x112233);
  view->AddChild(walk);
  auto map = script::Make<dungeon::TOL_VarMapApp>();
  map->SetFieldRect(1, 2, 11, 12);
  map->SetCellSize(20, 21);
  map->SetFacing(8);
  map->SetEndBold(true);
  map->SetDrawPositions(false);
  view->AddChild(map);
  const std::vector<uint8_t> bytes = screen::StoreView(*view);
  Json json = DumpView(bytes);
  std::vector<std::string> warnings;
  EXPECT_EQ(BuildView(json, warnings), bytes);
  const Json& w = json["children"][0];
  EXPECT_EQ(w["facing"], 3);
  EXPECT_EQ(w["x"], -4);
  EXPECT_EQ(w["shift_x"], 12000);
  EXPECT_EQ(w["frame_bottom"], 4);
  EXPECT_EQ(w["back_colour"], "#332211");
  const Json& m = json["children"][1];
  EXPECT_EQ(m["facing"], "west");
  EXPECT_EQ(m["y1"], 12);
  EXPECT_EQ(m["cell_height"], 21);
  EXPECT_EQ(m["end_bold"], 1);
  EXPECT_EQ(m["draw_positions"], 0);

  // Absent values are a new view's: the map's own font, north, positions drawn.
  Json built = DumpView(BuildView(Json::parse(R"({"children": [{"class": "TOL_VarMapApp"}, {"class": "TOL_VarWalkApp"}]})"), warnings));
  const Json fresh = DumpView(screen::StoreView(*[] {
    auto v = script::Make<screen::TOL_VarView>();
    v->AddChild(script::Make<dungeon::TOL_VarMapApp>());
    v->AddChild(script::Make<dungeon::TOL_VarWalkApp>());
    return v;
  }()));
  EXPECT_EQ(built, fresh);
  EXPECT_EQ(built["children"][0]["font"]["face"], "ＭＳ Ｐゴシック");
  EXPECT_EQ(built["children"][1]["inner_ratio"], 5000);
}

TEST_F(PlaceJson, TheCommandLineRoundTripsAndReportsBadInput) {
  std::string dir = ::testing::TempDir();
  auto run = [](const std::string& args, std::string& out) {
    std::string cmd = std::string(TAVTOOL_BINARY) + " " + args + " 2>&1";
    FILE* pipe = popen(cmd.c_str(), "r");
    out.clear();
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  const std::string places = std::string(TAV_TEST_DATA) + "/games/dungeon_places/config/place/";
  std::string out;
  ASSERT_EQ(run("place dump " + places + "maze.plc -o " + dir + "/maze.json", out), 0) << out;
  ASSERT_EQ(run("place build " + dir + "/maze.json -o " + dir + "/maze.plc", out), 0) << out;
  EXPECT_EQ(ReadBytes(dir + "/maze.plc"), ReadBytes(places + "maze.plc"));

  EXPECT_EQ(run("place dump " + places + "broken.plc", out), 1);
  EXPECT_NE(out.find("broken.plc: archive: "), std::string::npos) << out;
  EXPECT_NE(out.find("byte offset"), std::string::npos) << out;
  std::ofstream(dir + "/bad.json") << R"({"class": "TOL_VarField", "x_length": 1, "y_length": 1, "map": ["+?+"]})";
  EXPECT_EQ(run("place build " + dir + "/bad.json -o " + dir + "/bad.plc", out), 1);
  EXPECT_NE(out.find("bad.json: /map: expected 3 lines"), std::string::npos) << out;
  EXPECT_EQ(run("place build " + dir + "/bad.json", out), 2);
  EXPECT_EQ(run("place --help", out), 0);
  EXPECT_NE(out.find("TOL_OneAwayRevDoor"), std::string::npos) << out;
}

}  // namespace
}  // namespace tav::tools
