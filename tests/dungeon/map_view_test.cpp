// Pixel tests of the map view. With draw positions set, the grid starts one cell right and one
// cell down; the colour is white and the back colour black.
#include <gtest/gtest.h>

#include "archive/archive.h"
#include "dungeon/map_view.h"
#include "dungeon_test_support.h"
#include "gdi/gdi_types.h"
#include "screen/geometry_values.h"

namespace tav::dungeon::testing {
namespace {

class MapTest : public DungeonTest {
 protected:
  void SetUp() override {
    DungeonTest::SetUp();
    field_ = MakeField(10, 10);
    map_ = script::Make<TOL_VarMapApp>();
    map_->SetField(field_.get());
  }
  void Show(int32_t l, int32_t t, int32_t r, int32_t b, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    map_->SetRect(l, t, r, b);
    Call(map_.get(), "SETFIELDRECT", {Int(x0), Int(y0), Int(x1), Int(y1)});
    map_->Update(nullptr);
  }
  bool Lit(const Canvas& c, int x, int y) { return c.At(x, y) == kWhite; }

  script::Ref<TOL_VarField> field_;
  script::Ref<TOL_VarMapApp> map_;
};

TEST_F(MapTest, CellSizesAndLabelsIn220Square) {
  Show(0, 0, 220, 220, 0, 0, 10, 10);
  EXPECT_EQ(map_->CellWidth(), 20);
  EXPECT_EQ(map_->CellHeight(), 20);
  Canvas canvas(220, 220);
  map_->Draw(canvas.dc);
  EXPECT_EQ(canvas.CountOther(0, 0, 20, 20, kBlack), 0);  // the corner carries no label
  for (int b = 0; b < 10; ++b) {
    EXPECT_GT(canvas.CountOther(20 + 20 * b, 0, 40 + 20 * b, 20, kBlack), 0) << "column label " << b;
    EXPECT_GT(canvas.CountOther(0, 20 + 20 * b, 20, 40 + 20 * b, kBlack), 0) << "row label " << b;
  }
  EXPECT_EQ(canvas.CountOther(21, 21, 220, 220, kBlack), 0);  // an open field: no lines

  // A window without columns keeps the sizes; without draw positions there is no label row.
  Show(0, 0, 220, 220, 3, 0, 3, 5);
  EXPECT_EQ(map_->CellWidth(), 20);
  Call(map_.get(), "SETDRAWPOS", {Int(0)});
  Show(0, 0, 220, 220, 0, 0, 10, 10);
  EXPECT_EQ(map_->CellWidth(), 22);
}

TEST_F(MapTest, WallDoorOneWayWallAndDoor) {
  field_->SetThreshold({3, 3}, kWest, Part<TOL_WallDoor>());
  field_->SetThreshold({5, 5}, kNorth, Part<TOL_OneAwayWall>());
  field_->SetThreshold({7, 2}, kNorth, Part<TOL_Door>());
  Show(0, 0, 220, 220, 0, 0, 10, 10);
  Canvas canvas(220, 220);
  map_->Draw(canvas.dc);

  // Wall-door: the left edge of (3, 3) at x = 80, rows 80 … 99, dotted; a passage mark across
  // it at y = 90 from 74 to 86 with both arrowheads (their backs on columns 81 and 79).
  int on = 0, off = 0;
  for (int y = 80; y < 100; ++y) {
    if (y >= 88 && y <= 92) continue;
    (Lit(canvas, 80, y) ? on : off)++;
  }
  EXPECT_GT(on, 0);
  EXPECT_GT(off, 0);
  EXPECT_TRUE(Lit(canvas, 75, 90));
  EXPECT_TRUE(Lit(canvas, 81, 89));
  EXPECT_TRUE(Lit(canvas, 79, 89));

  // One-way wall: a solid top edge of (5, 5) on row 120 and an arrow pointing north only.
  for (int x = 120; x < 140; ++x) EXPECT_TRUE(Lit(canvas, x, 120)) << x;
  EXPECT_TRUE(Lit(canvas, 130, 116));
  EXPECT_TRUE(Lit(canvas, 129, 119));  // the arrowhead's back at y1 + ch/4
  EXPECT_FALSE(Lit(canvas, 129, 121));  // none at y2

  // Door: a solid line, the door box from (165, 58) to (175, 62), and no passage mark.
  for (int x = 160; x < 180; ++x) EXPECT_TRUE(Lit(canvas, x, 60)) << x;
  EXPECT_TRUE(Lit(canvas, 165, 59));
  EXPECT_TRUE(Lit(canvas, 170, 58));
  EXPECT_FALSE(Lit(canvas, 170, 55));
  EXPECT_FALSE(Lit(canvas, 170, 65));
}

TEST_F(MapTest, FacingChoosesTheTopLeftCell) {
  field_->SetCellData({4, 4}, EventCell(platform::RGB(255, 0, 0)));
  Show(0, 0, 250, 250, 0, 0, 4, 4);
  ASSERT_EQ(map_->CellWidth(), 50);
  Call(map_.get(), "SETDIR", {Int(4)});
  Canvas south(250, 250);
  map_->Draw(south.dc);
  EXPECT_EQ(south.At(75, 75), kRed);  // grid cell (0, 0) shows (x1, y1)
  EXPECT_EQ(south.At(51, 51), kRed);  // the fill is moved by one pixel
  EXPECT_EQ(south.At(50, 75), kBlack);

  Call(map_.get(), "SETDIR", {Int(1)});
  Canvas north(250, 250);
  map_->Draw(north.dc);
  EXPECT_EQ(north.Count(0, 0, 250, 250, kRed), 0);  // (4, 4) lies only on the closing row
  Call(map_.get(), "SETDIR", {Int(3)});
  Canvas odd(250, 250);
  map_->Draw(odd.dc);
  EXPECT_EQ(odd.bitmap, north.bitmap);  // not a direction: drawn as north
}

TEST_F(MapTest, NoDrawOutAndEndBold) {
  field_->SetThreshold({9, 9}, kNorth, Part<TOL_Wall>());
  field_->SetCellData({9, 9}, EventCell(platform::RGB(255, 0, 0)));
  Call(map_.get(), "SETDRAWPOS", {Int(0)});
  Show(0, 0, 200, 200, -2, -2, 2, 2);
  Canvas out(200, 200);
  map_->Draw(out.dc);
  // (-1, -1) is grid cell (1, 1): the wrapped field's wall, but never its floor colour.
  EXPECT_TRUE(Lit(out, 60, 50));
  EXPECT_EQ(out.Count(0, 0, 200, 200, kRed), 0);
  EXPECT_EQ(CallInt(map_.get(), "ISDRAWOUT"), 1);

  Call(map_.get(), "SETDRAWOUT", {Int(0)});
  EXPECT_EQ(CallInt(map_.get(), "ISDRAWOUT"), 0);
  Canvas in(200, 200);
  map_->Draw(in.dc);
  EXPECT_EQ(in.Count(0, 0, 200, 200, kWhite), 0);

  field_->SetThreshold({0, 0}, kNorth, Part<TOL_Wall>());
  Show(0, 0, 200, 200, 0, 0, 4, 4);
  Canvas thin(200, 200);
  map_->Draw(thin.dc);
  EXPECT_TRUE(Lit(thin, 10, 0));
  EXPECT_FALSE(Lit(thin, 10, 1));
  Call(map_.get(), "SETENDBOLD", {Int(1)});
  EXPECT_EQ(CallInt(map_.get(), "ISENDBOLD"), 1);
  Canvas bold(200, 200);
  map_->Draw(bold.dc);
  EXPECT_TRUE(Lit(bold, 10, 1));
}

TEST_F(MapTest, MarksReachOutsideTheUnclippedView) {
  field_->SetThreshold({0, 0}, kNorth, Part<TOL_Door>());
  Call(map_.get(), "SETDRAWPOS", {Int(0)});
  Show(20, 20, 220, 220, 0, 0, 4, 4);
  Canvas canvas(240, 240, kBlack);
  map_->Draw(canvas.dc);
  EXPECT_GT(canvas.CountOther(0, 0, 240, 20, kBlack), 0);  // the door box above the view
}

TEST_F(MapTest, NothingWithoutAFieldWithCells) {
  Show(0, 0, 100, 100, 0, 0, 4, 4);
  Canvas canvas(100, 100);
  map_->SetField(MakeField(6, 0).get());
  map_->Draw(canvas.dc);
  Call(map_.get(), "SETFIELD", {script::NewString("not a field")});
  EXPECT_EQ(CallTarget(map_.get(), "GETFIELD"), nullptr);
  map_->Draw(canvas.dc);
  EXPECT_EQ(canvas.Count(0, 0, 100, 100, kUntouched), 100 * 100);
}

TEST_F(MapTest, HugeWindowsDrawOnlyWhatCanShow) {
  field_->SetThreshold({0, 0}, kNorth, Part<TOL_WallDoor>());
  Show(0, 0, 220, 220, 0, 0, 10, 10);
  Canvas small(220, 220);
  map_->Draw(small.dc);
  // The same cells in a window reaching far beyond the screen, with the same cell size.
  Call(map_.get(), "SETFIELDRECT", {Int(0), Int(0), Int(INT32_MAX), Int(INT32_MAX)});
  Canvas huge(220, 220);
  map_->Draw(huge.dc);
  EXPECT_EQ(huge.CountOther(20, 20, 220, 220, kBlack), small.CountOther(20, 20, 220, 220, kBlack));
  map_->SetCellSize(0, 0);
  map_->Draw(huge.dc);  // every cell on the same pixels: bounded, ends
}

TEST_F(MapTest, DefaultsStoredFormAndCopies) {
  ASSERT_NE(map_->Font(), nullptr);
  EXPECT_EQ(map_->Font()->Description().height, -16);
  EXPECT_EQ(map_->Font()->Description().FaceName(), screen::TOL_VarFont::kDefaultFace);
  EXPECT_EQ(CallInt(map_.get(), "GETDIR"), 1);
  EXPECT_EQ(CallInt(map_.get(), "ISDRAWPOS"), 1);
  EXPECT_EQ(CallInt(map_.get(), "ISENDBOLD"), 0);
  Show(0, 0, 220, 220, -1, 2, 5, 9);
  Call(map_.get(), "SETDIR", {Int(8)});
  Call(map_.get(), "SETBACKCOLOR", {Int(0x404040)});
  Call(map_.get(), "SETENDBOLD", {Int(1)});
  Call(map_.get(), "SETDRAWOUT", {Int(0)});
  archive::Archive out = archive::Archive::ForWriting();
  out.WriteObject(map_.get());
  archive::Archive in = archive::Archive::ForReading(out.Bytes());
  auto loaded = script::Ref<TOL_VarMapApp>::Adopt(in.ReadObjectAs<TOL_VarMapApp>());
  ASSERT_TRUE(loaded);
  script::VarRef copy = map_->Clone(nullptr);
  for (auto* m : {loaded.get(), dynamic_cast<TOL_VarMapApp*>(copy.get())}) {
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Field(), nullptr);
    EXPECT_EQ(m->Window().x0, -1);
    EXPECT_EQ(m->Window().y1, 9);
    EXPECT_EQ(m->CellWidth(), map_->CellWidth());
    EXPECT_EQ(m->Facing(), 8);
    EXPECT_EQ(m->BackColor(), 0x404040u);
    EXPECT_TRUE(m->NoDrawOut());
    EXPECT_TRUE(m->EndBold());
    EXPECT_TRUE(m->DrawPositions());
  }
}

}  // namespace
}  // namespace tav::dungeon::testing
