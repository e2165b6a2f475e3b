#include <gtest/gtest.h>

#include "dungeon/directions.h"
#include "dungeon/place_file.h"
#include "dungeon_test_support.h"

namespace tav::dungeon::testing {
namespace {

TEST(Directions, TurnsAndSteps) {
  EXPECT_EQ(TurnLeft(1), 8);
  EXPECT_EQ(TurnLeft(2), 1);
  EXPECT_EQ(TurnRight(8), 1);
  EXPECT_EQ(TurnRight(4), 8);
  EXPECT_EQ(Reverse(2), 8);
  EXPECT_EQ(Reverse(4), 1);
  for (int32_t bad : {0, 3, 16, -1}) {
    EXPECT_EQ(TurnLeft(bad), 0);
    EXPECT_EQ(TurnRight(bad), 0);
    EXPECT_EQ(Reverse(bad), 0);
    EXPECT_EQ((CellPos{3, 4}.Moved(bad, 7)), (CellPos{3, 4}));
  }
  EXPECT_EQ((CellPos{3, 4}.Moved(kWest, 5)), (CellPos{-2, 4}));
  // C's arithmetic wraps instead of overflowing.
  EXPECT_EQ((CellPos{INT32_MAX, 0}.Moved(kEast)), (CellPos{INT32_MIN, 0}));
}

class FieldTest : public DungeonTest {};

TEST_F(FieldTest, CellsWrapAroundTheTorus) {
  auto field = MakeField(10, 8, 3);
  field->SetThreshold({9, 0}, kNorth, Part<TOL_Wall>());
  EXPECT_EQ(CallInt(field.get(), "GETTHRESHVIEW", {Int(-1), Int(0), Int(1)}), 1);
  // The south side of (9, 7) is the north side of (9, 8), which wraps to (9, 0).
  EXPECT_EQ(CallInt(field.get(), "GETPASSRULE", {Int(9), Int(7), Int(4)}), 1);
  EXPECT_EQ(CallInt(field.get(), "GETPASSRULE", {Int(19), Int(-9), Int(4)}), 1);
  EXPECT_EQ(CallInt(field.get(), "GETPASSRULE", {Int(8), Int(7), Int(4)}), 0);
  // East of (8, 0) is the west threshold of (9, 0); east of (9, 0) that of (0, 0).
  field->SetThreshold({9, 0}, kEast, Part<TOL_Door>());
  EXPECT_EQ(CallInt(field.get(), "GETTHRESHVIEW", {Int(0), Int(0), Int(8)}), 2);
  EXPECT_EQ(CallInt(field.get(), "GETTHRESHVIEW", {Int(-1), Int(0), Int(2)}), 2);
  EXPECT_EQ(CallInt(field.get(), "GETTHRESHVIEW", {Int(9), Int(0), Int(3)}), 0);  // not a direction
  EXPECT_EQ(CallInt(field.get(), "GETFLOOR"), 3);
  EXPECT_EQ(CallInt(field.get(), "GETXLENGTH"), 10);
  EXPECT_EQ(CallInt(field.get(), "GETYLENGTH"), 8);
}

TEST_F(FieldTest, OneWayThresholdsFromBothSides) {
  auto field = MakeField(6, 6);
  field->SetThreshold({3, 3}, kNorth, Part<TOL_OneAwayWall>());
  EXPECT_EQ(field->GetPassRule({3, 3}, kNorth), 0);
  EXPECT_EQ(field->GetThreshView({3, 3}, kNorth), 0);
  EXPECT_EQ(field->GetPassRule({3, 2}, kSouth), 1);
  EXPECT_EQ(field->GetThreshView({3, 2}, kSouth), 1);

  field->SetThreshold({3, 3}, kWest, Part<TOL_OneAwayRevDoor>());
  EXPECT_EQ(field->GetPassRule({3, 3}, kWest), 1);  // westwards: blocked
  EXPECT_EQ(field->GetThreshView({3, 3}, kWest), 2);
  EXPECT_EQ(field->GetPassRule({2, 3}, kEast), 0);  // eastwards: open
  EXPECT_EQ(field->GetThreshView({2, 3}, kEast), 2);

  field->SetThreshold({1, 1}, kNorth, Part<TOL_OneAwayBothWall>());
  EXPECT_EQ(field->GetThreshView({1, 1}, kNorth), 1);
  EXPECT_EQ(field->GetPassRule({1, 1}, kNorth), 0);
  EXPECT_EQ(field->GetPassRule({1, 0}, kSouth), 1);

  field->SetThreshold({1, 1}, kWest, Part<TOL_WallDoor>());
  for (int32_t d : {kWest}) EXPECT_EQ(field->GetThreshView({1, 1}, d), 1);
  EXPECT_EQ(field->GetThreshView({0, 1}, kEast), 1);
  EXPECT_EQ(field->GetPassRule({1, 1}, kWest), 0);
  EXPECT_EQ(field->GetPassRule({0, 1}, kEast), 0);
}

TEST_F(FieldTest, CellDataMethodsByKind) {
  auto field = MakeField(4, 4);
  field->SetCellData({1, 1}, Part<TOL_Lay>());
  field->SetCellData({2, 2}, Part<TOL_EventLay>());
  field->SetCellData({3, 3}, Part<TOL_RecordLay>());
  EXPECT_EQ(CallInt(field.get(), "GETEVENTNUMBER", {Int(1), Int(1)}), 0);
  EXPECT_EQ(CallInt(field.get(), "GETEVENTNUMBER", {Int(2), Int(2)}), -1);
  EXPECT_EQ(CallInt(field.get(), "GETEVENTNUMBER", {Int(3), Int(3)}), -1);
  Call(field.get(), "SETDATA0", {Int(5), Int(5), Int(42)});  // wraps to (1, 1)
  Call(field.get(), "SETDATA1", {Int(0), Int(0), Int(7)});   // no data there: nothing
  EXPECT_EQ(CallInt(field.get(), "GETDATA0", {Int(1), Int(1)}), 42);
  EXPECT_EQ(CallInt(field.get(), "GETDATA1", {Int(0), Int(0)}), 0);
  Call(field.get(), "SETFLOORCOLOR", {Int(1), Int(1), Int(255)});  // plain data: nothing
  Call(field.get(), "SETFLOORCOLOR", {Int(3), Int(3), Int(255)});
  Call(field.get(), "SETCEILINGCOLOR", {Int(2), Int(2), Int(0xFF00)});
  EXPECT_EQ(CallInt(field.get(), "GETFLOORCOLOR", {Int(1), Int(1)}), 0);
  EXPECT_EQ(CallInt(field.get(), "GETFLOORCOLOR", {Int(3), Int(3)}), 255);
  EXPECT_EQ(CallInt(field.get(), "GETCEILINGCOLOR", {Int(-2), Int(2)}), 0xFF00);
}

// A field without cells answers every cell question as a cell without thresholds or data.
TEST_F(FieldTest, FieldWithoutCells) {
  for (auto [x, y] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{0, 0}}) {
    auto field = MakeField(x, y, 2);
    EXPECT_FALSE(field->HasCells());
    EXPECT_EQ(CallInt(field.get(), "GETPASSRULE", {Int(1), Int(1), Int(1)}), 0);
    EXPECT_EQ(CallInt(field.get(), "GETTHRESHVIEW", {Int(0), Int(0), Int(4)}), 0);
    EXPECT_EQ(CallInt(field.get(), "GETEVENTNUMBER", {Int(0), Int(0)}), 0);
    Call(field.get(), "SETDATA0", {Int(0), Int(0), Int(3)});
    EXPECT_EQ(CallInt(field.get(), "GETDATA0", {Int(0), Int(0)}), 0);
    EXPECT_EQ(CallInt(field.get(), "GETXLENGTH"), x);
  }
  auto field = MakeField(2, 2);
  EXPECT_FALSE(field->Recreate(-1, 3, 0));
  EXPECT_FALSE(field->Recreate(1 << 13, 1 << 12, 0));
  EXPECT_EQ(field->XLength(), 2);
}

TEST_F(FieldTest, DungeonFindsFieldsByFloor) {
  auto dungeon = script::Make<TOL_VarDungeon>();
  auto a = MakeField(2, 2, 5), b = MakeField(2, 2, 1), c = MakeField(2, 2, 9);
  dungeon->AddField(a);
  dungeon->AddField(nullptr);  // an empty slot is skipped by the floor search
  dungeon->AddField(b);
  dungeon->AddField(c);
  EXPECT_EQ(CallInt(dungeon.get(), "COUNT"), 4);
  EXPECT_EQ(CallTarget(dungeon.get(), "GETFIELD", {Int(1)}), b.get());
  EXPECT_EQ(CallTarget(dungeon.get(), "GETFIELD", {Int(7)}), nullptr);
  EXPECT_EQ(CallTarget(dungeon.get(), "GETUPPERFIELD"), c.get());  // last in file order
  EXPECT_EQ(CallTarget(dungeon.get(), "GETLOWERFIELD"), a.get());
  EXPECT_EQ(CallTarget(dungeon.get(), "GETNEXTFIELD", {Int(5)}), nullptr);  // the empty slot
  EXPECT_EQ(CallTarget(dungeon.get(), "GETNEXTFIELD", {Int(1)}), c.get());
  EXPECT_EQ(CallTarget(dungeon.get(), "GETNEXTFIELD", {Int(5), Int(-1), Int(1)}), c.get());
  EXPECT_EQ(CallTarget(dungeon.get(), "GETNEXTFIELD", {Int(5), Int(-1), Int(0)}), nullptr);
  EXPECT_EQ(CallTarget(dungeon.get(), "GETNEXTFIELD", {Int(9), Int(9), Int(1)}), a.get());  // 12 % 4
  EXPECT_EQ(CallTarget(dungeon.get(), "GETNEXTFIELD", {Int(9), Int(1)}), nullptr);
  EXPECT_EQ(CallTarget(dungeon.get(), "GETNEXTFIELD", {Int(4), Int(1), Int(1)}), nullptr);

  auto empty = script::Make<TOL_VarDungeon>();
  EXPECT_EQ(CallTarget(empty.get(), "GETUPPERFIELD"), nullptr);
  EXPECT_EQ(CallTarget(empty.get(), "GETLOWERFIELD"), nullptr);
}

TEST_F(FieldTest, PlaceFileRoundTripSharesPieces) {
  auto dungeon = script::Make<TOL_VarDungeon>();
  auto field = MakeField(3, 2, 1);
  auto wall = Part<TOL_Wall>();
  field->SetThreshold({0, 0}, kNorth, wall);
  field->SetThreshold({1, 1}, kWest, wall);  // the same object twice: a back-reference
  auto record = MakePart<TOL_RecordLay>();
  record->recordText = "abc";
  record->recordFlag = 7;
  record->eventNumber = 12;
  field->SetCellData({2, 1}, record);
  field->SetCellData({0, 1}, record);
  dungeon->AddField(field);
  dungeon->AddField(MakeField(0, 4, 2));
  const std::vector<uint8_t> bytes = StorePlaceBytes(*dungeon);

  std::string error;
  script::VarRef loaded = LoadPlaceBytes(bytes, error);
  ASSERT_TRUE(loaded) << error;
  auto* again = dynamic_cast<TOL_VarDungeon*>(loaded.get());
  ASSERT_NE(again, nullptr);
  ASSERT_EQ(again->Fields().size(), 2u);
  TOL_VarField* f = again->Fields()[0].get();
  EXPECT_EQ(f->XLength(), 3);
  EXPECT_EQ(f->Floor(), 1);
  TOL_Threshold* north = f->ThresholdAt({0, 0}, kNorth);
  ASSERT_NE(north, nullptr);
  EXPECT_EQ(north, f->ThresholdAt({1, 1}, kWest));
  EXPECT_EQ(north->RefCount(), 2);  // one count per block, none left with the archive
  auto* cell = dynamic_cast<TOL_RecordLay*>(f->CellData({2, 1}));
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell, f->CellData({0, 1}));
  EXPECT_EQ(cell->recordText, "abc");
  EXPECT_EQ(cell->recordFlag, 7);
  EXPECT_EQ(cell->eventNumber, 12);
  EXPECT_FALSE(again->Fields()[1]->HasCells());
  EXPECT_EQ(StorePlaceBytes(*again), bytes);

  // Re-creating drops this field's counts on the shared pieces and nothing more.
  PartRef<TOL_Threshold> keep(north);
  f->Recreate(1, 1, 0);
  EXPECT_EQ(north->RefCount(), 1);
}

TEST_F(FieldTest, MalformedPlaceFilesFailCleanly) {
  auto field = MakeField(2, 2, 1);
  field->SetThreshold({0, 0}, kNorth, Part<TOL_Wall>());
  field->SetCellData({1, 1}, Part<TOL_EventLay>());
  const std::vector<uint8_t> good = StorePlaceBytes(*field);
  std::string error;
  for (size_t cut = 0; cut < good.size(); ++cut) {
    error.clear();
    EXPECT_FALSE(LoadPlaceBytes({good.begin(), good.begin() + cut}, error)) << cut;
    EXPECT_FALSE(error.empty()) << cut;
  }
  auto patched = [&](int32_t x, int32_t y) {
    auto fresh = MakeField(0, 0, 1);
    std::vector<uint8_t> bytes = StorePlaceBytes(*fresh);
    // An empty field ends with its x length, y length and floor.
    const size_t at = bytes.size() - 12;
    for (int i = 0; i < 4; ++i) {
      bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(x) >> (8 * i));
      bytes[at + 4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(y) >> (8 * i));
    }
    return bytes;
  };
  for (auto [x, y] : {std::pair{-3, -4}, std::pair{-1, 5}, std::pair{1 << 16, 1 << 16}, std::pair{1000, 1000}}) {
    error.clear();
    EXPECT_FALSE(LoadPlaceBytes(patched(x, y), error)) << x << " " << y;
    EXPECT_FALSE(error.empty());
  }
  // A cell-data object where a threshold belongs: a 1 x 1 field whose north slot holds the
  // cell data (the class record is the tag, schema and name length in front of the name).
  auto lay = MakeField(1, 1, 0);
  lay->SetCellData({0, 0}, Part<TOL_Lay>());
  std::vector<uint8_t> layBytes = StorePlaceBytes(*lay);
  std::string text(layBytes.begin(), layBytes.end());
  const size_t record = text.find("TOL_Lay");
  ASSERT_NE(record, std::string::npos);
  std::vector<uint8_t> moved(layBytes.begin(), layBytes.begin() + (record - 10));
  moved.insert(moved.end(), layBytes.begin() + (record - 6), layBytes.end());
  moved.insert(moved.end(), 4, 0);
  error.clear();
  script::VarRef result = LoadPlaceBytes(moved, error);
  EXPECT_FALSE(result);
  EXPECT_NE(error.find("not the kind"), std::string::npos) << error;
}

}  // namespace
}  // namespace tav::dungeon::testing
