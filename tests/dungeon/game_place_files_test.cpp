// The place files of the game-folder test tests/games/dungeon_places are built here, through
// the engine's own archive code, and must match the checked-in files byte for byte. Run with
// TAV_WRITE_PLACES=1 to write them after changing what is built.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "dungeon/place_file.h"
#include "dungeon_test_support.h"

namespace tav::dungeon::testing {
namespace {

// Floor 1: 10 x 8 with a wall on the north of (9, 0), a one-way wall on the north of (3, 3),
// a wall-door west of (5, 5), one shared door on two blocks, an event cell at (2, 2) and plain
// cell data at (1, 1). Floors 2 and 7 are small and empty.
script::Ref<TOL_VarDungeon> BuildDungeon() {
  auto dungeon = script::Make<TOL_VarDungeon>();
  auto first = MakeField(10, 8, 1);
  first->SetThreshold({9, 0}, kNorth, Part<TOL_Wall>());
  first->SetThreshold({3, 3}, kNorth, Part<TOL_OneAwayWall>());
  first->SetThreshold({5, 5}, kWest, Part<TOL_WallDoor>());
  auto door = Part<TOL_Door>();
  first->SetThreshold({6, 6}, kNorth, door);
  first->SetThreshold({6, 6}, kWest, door);
  auto event = EventCell(0x0000FF, 0x00FF00);
  event->eventNumber = 17;
  first->SetCellData({2, 2}, event);
  first->SetCellData({1, 1}, Part<TOL_Lay>());
  dungeon->AddField(first);
  dungeon->AddField(MakeField(2, 2, 7));
  dungeon->AddField(MakeField(3, 1, 2));
  return dungeon;
}

script::Ref<TOL_VarField> BuildField() {
  auto field = MakeField(4, 3, 5);
  auto record = MakePart<TOL_RecordLay>();
  record->eventNumber = 3;
  record->recordText = "note";
  field->SetCellData({3, 2}, record);
  field->SetThreshold({0, 0}, kSouth, Part<TOL_OneAwayRevBothWall>());
  return field;
}

class GamePlaceFiles : public DungeonTest {};

TEST_F(GamePlaceFiles, MatchTheCheckedInFiles) {
  const std::filesystem::path folder =
      std::filesystem::path(TAV_TEST_DATA) / "games" / "dungeon_places" / "config" / "place";
  const std::pair<const char*, std::vector<uint8_t>> files[] = {
      {"maze.plc", StorePlaceBytes(*BuildDungeon())},
      {"single.plc", StorePlaceBytes(*BuildField())},
  };
  for (const auto& [name, bytes] : files) {
    if (std::getenv("TAV_WRITE_PLACES")) {
      std::filesystem::create_directories(folder);
      std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    std::ifstream in(folder / name, std::ios::binary);
    std::vector<uint8_t> stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(stored, bytes) << name;
  }
}

}  // namespace
}  // namespace tav::dungeon::testing
