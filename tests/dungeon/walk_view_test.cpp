// Pixel tests of the walk view in the 300 x 200 example: Z = 100, the base frame is 300 x 300
// centred on (150, 100) and equals the nearest frame; the frame at distance 1 is 150 x 150,
// (75, 25) to (225, 175), and at distance 2 it is 75 x 75, (113, 63) to (187, 137).
#include <gtest/gtest.h>

#include <chrono>

#include "archive/archive.h"
#include "dungeon/walk_view.h"
#include "dungeon_test_support.h"
#include "gdi/gdi_types.h"

namespace tav::dungeon::testing {
namespace {

constexpr uint32_t kBack = platform::RGB(0, 0, 255);  // COLORREF blue

class WalkTest : public DungeonTest {
 protected:
  void SetUp() override {
    DungeonTest::SetUp();
    field_ = MakeField(5, 5);
    walk_ = script::Make<TOL_VarWalkApp>();
    walk_->SetRect(0, 0, 300, 200);
    walk_->SetBackColor(kBack);
    walk_->SetField(field_.get());
    walk_->SetPos(2, 2);
    walk_->SetFacing(kNorth);
  }
  void Draw(Canvas& canvas) { walk_->Draw(canvas.dc); }

  script::Ref<TOL_VarField> field_;
  script::Ref<TOL_VarWalkApp> walk_;
};

TEST_F(WalkTest, WallAheadIsTheFrameAtDistanceOne) {
  field_->SetThreshold({2, 2}, kNorth, Part<TOL_Wall>());
  Canvas canvas(300, 200);
  Draw(canvas);
  // Outline in the back colour on columns 75 and 224, rows 25 and 174; white inside.
  EXPECT_EQ(canvas.At(76, 26), kWhite);
  EXPECT_EQ(canvas.At(223, 173), kWhite);
  EXPECT_EQ(canvas.At(75, 100), kBlue);
  EXPECT_EQ(canvas.At(224, 100), kBlue);
  EXPECT_EQ(canvas.At(150, 25), kBlue);
  EXPECT_EQ(canvas.At(150, 174), kBlue);
  EXPECT_EQ(canvas.Count(0, 0, 300, 200, kWhite), 148 * 148);
  EXPECT_EQ(canvas.Count(0, 0, 300, 200, kBlue), 300 * 200 - 148 * 148);
}

TEST_F(WalkTest, DoorsAndFartherWalls) {
  // A door two cells ahead (the frame at distance 2) behind an open cell.
  field_->SetThreshold({2, 1}, kNorth, Part<TOL_Door>());
  Canvas canvas(300, 200);
  Draw(canvas);
  EXPECT_EQ(canvas.At(114, 64), kWhite);
  EXPECT_EQ(canvas.At(113, 100), kBlue);
  EXPECT_EQ(canvas.At(112, 100), kBlue);
  // The door panel: inset 75 × 1500 / 10000 = 11 at the left, right and top: column 124 and
  // row 74 are its outline.
  EXPECT_EQ(canvas.At(124, 100), kBlue);
  EXPECT_EQ(canvas.At(123, 100), kWhite);
  EXPECT_EQ(canvas.At(125, 100), kWhite);
  EXPECT_EQ(canvas.At(150, 74), kBlue);
  EXPECT_EQ(canvas.At(150, 73), kWhite);
  EXPECT_EQ(canvas.At(175, 100), kBlue);  // 187 - 11 - 1
}

TEST_F(WalkTest, SideWallsAndOneWayViews) {
  Canvas open(300, 200);
  Draw(open);
  EXPECT_EQ(open.Count(0, 0, 300, 200, kBlue), 300 * 200);  // nothing in an open field

  // The wall on the party's west side is the side wall of the left column at depth 0: the
  // polygon (75, 25) (75, 175) (0, 250) (0, -50).
  field_->SetThreshold({2, 2}, kWest, Part<TOL_WallDoor>());
  Canvas canvas(300, 200);
  Draw(canvas);
  EXPECT_EQ(canvas.At(30, 100), kWhite);
  EXPECT_EQ(canvas.At(30, 5), kWhite);
  EXPECT_EQ(canvas.At(74, 20), kBlue);
  EXPECT_EQ(canvas.At(80, 100), kBlue);
  EXPECT_EQ(canvas.At(270, 100), kBlue);

  // Without side columns no side wall is drawn, not even the party's own.
  walk_->SetSide(0);
  Canvas none(300, 200);
  Draw(none);
  EXPECT_EQ(none.At(30, 100), kBlue);

  // A one-way wall is invisible from the side it is crossed from.
  walk_->SetSide(1);
  field_->SetThreshold({2, 2}, kWest, Part<TOL_Threshold>());
  field_->SetThreshold({2, 2}, kNorth, Part<TOL_OneAwayWall>());
  Canvas oneWay(300, 200);
  Draw(oneWay);
  EXPECT_EQ(oneWay.At(150, 100), kBlue);
  walk_->SetPos(2, 1);
  walk_->SetFacing(kSouth);
  Canvas back(300, 200);
  Draw(back);
  EXPECT_EQ(back.At(150, 100), kWhite);
}

TEST_F(WalkTest, FloorAndCeilingOfEventCells) {
  field_->SetCellData({2, 2}, EventCell(platform::RGB(255, 0, 0), platform::RGB(0, 255, 0)));
  field_->SetCellData({2, 1}, EventCell(0, 0));  // colour 0 draws nothing
  Canvas canvas(300, 200);
  Draw(canvas);
  // The party's own cell: floor (75, 175) (225, 175) (300, 250) (0, 250), ceiling mirrored.
  EXPECT_EQ(canvas.At(150, 190), kRed);
  EXPECT_EQ(canvas.At(150, 176), kRed);
  EXPECT_EQ(canvas.At(150, 10), kGreen);
  EXPECT_EQ(canvas.At(150, 100), kBlue);
  EXPECT_EQ(canvas.At(150, 150), kBlue);  // the next cell's floor has colour 0
}

TEST_F(WalkTest, NothingWithoutAFieldWithCells) {
  Canvas canvas(300, 200);
  walk_->SetField(nullptr);
  Draw(canvas);
  EXPECT_EQ(canvas.Count(0, 0, 300, 200, kUntouched), 300 * 200);
  walk_->SetField(MakeField(0, 7).get());
  Draw(canvas);
  EXPECT_EQ(canvas.Count(0, 0, 300, 200, kUntouched), 300 * 200);
}

TEST_F(WalkTest, ClipsToItsRectangleAndShiftsBelowOneWholeMoveNothing) {
  field_->SetThreshold({2, 0}, kNorth, Part<TOL_Wall>());
  field_->SetThreshold({1, 2}, kWest, Part<TOL_Wall>());
  walk_->SetRect(50, 20, 350, 220);
  Canvas plain(400, 260);
  Draw(plain);
  EXPECT_EQ(plain.Count(0, 0, 400, 20, kUntouched), 400 * 20);
  EXPECT_EQ(plain.Count(0, 220, 400, 260, kUntouched), 400 * 40);
  EXPECT_EQ(plain.Count(350, 0, 400, 260, kUntouched), 50 * 260);
  walk_->SetShift(5000, -9999);
  Canvas shifted(400, 260);
  Draw(shifted);
  EXPECT_EQ(shifted.bitmap, plain.bitmap);
  walk_->SetShift(10000, 0);
  Canvas moved(400, 260);
  Draw(moved);
  EXPECT_NE(moved.bitmap, plain.bitmap);
}

TEST_F(WalkTest, MethodsClampAndSetField) {
  EXPECT_EQ(CallInt(walk_.get(), "GETFRONT"), 3);
  EXPECT_EQ(CallInt(walk_.get(), "GETSIDE"), 1);
  EXPECT_EQ(CallInt(walk_.get(), "GETINNERPAR"), 5000);
  Call(walk_.get(), "SETFRONT", {Int(20)});
  Call(walk_.get(), "SETSIDE", {Int(-1)});
  Call(walk_.get(), "SETINNERPAR", {Int(50)});
  EXPECT_EQ(CallInt(walk_.get(), "GETFRONT"), 10);
  EXPECT_EQ(CallInt(walk_.get(), "GETSIDE"), 0);
  EXPECT_EQ(CallInt(walk_.get(), "GETINNERPAR"), 100);
  Call(walk_.get(), "SETINNERPAR", {Int(20000)});
  EXPECT_EQ(CallInt(walk_.get(), "GETINNERPAR"), 10000);
  Call(walk_.get(), "SETPOS", {Int(-4), Int(9), Int(77)});
  EXPECT_EQ(CallInt(walk_.get(), "GETX"), -4);
  EXPECT_EQ(CallInt(walk_.get(), "GETY"), 9);
  EXPECT_EQ(CallInt(walk_.get(), "GETDIR"), 77);
  Call(walk_.get(), "SETBACKCOLOR", {Int(0x123456)});
  EXPECT_EQ(CallInt(walk_.get(), "GETBACKCOLOR"), 0x123456);
  // The walk table is the only one: the window methods are not there.
  EXPECT_EQ(walk_->FindMember(script::Atom::Intern("SETRECT")), nullptr);

  EXPECT_EQ(CallTarget(walk_.get(), "GETFIELD"), field_.get());
  auto other = MakeField(3, 3);
  Call(walk_.get(), "SETFIELD", {script::NewRef(other.get())});
  EXPECT_EQ(CallTarget(walk_.get(), "GETFIELD"), other.get());
  Call(walk_.get(), "SETFIELD", {Int(5)});
  EXPECT_EQ(CallTarget(walk_.get(), "GETFIELD"), nullptr);
}

// The view holds a count on its field: dropping every other reference and collecting leaves it.
TEST_F(WalkTest, KeepsItsFieldAlive) {
  auto field = MakeField(2, 2);
  field->SetThreshold({0, 0}, kNorth, Part<TOL_Wall>());
  walk_->SetField(field.get());
  walk_->SetPos(0, 0);
  field.reset();
  script::Registry::CollectGarbageAll();
  ASSERT_NE(walk_->Field(), nullptr);
  EXPECT_EQ(walk_->Field()->XLength(), 2);
  Canvas canvas(300, 200);
  Draw(canvas);
  EXPECT_EQ(canvas.At(150, 100), kWhite);
}

TEST_F(WalkTest, StoredFormAndCopies) {
  walk_->SetFront(7);
  walk_->SetSide(2);
  walk_->SetShift(-3, 4);
  walk_->SetFrame(1, 2, 3, 4);
  walk_->SetInnerRatio(6000);
  walk_->SetPos(-5, 6);
  archive::Archive out = archive::Archive::ForWriting();
  out.WriteObject(walk_.get());
  archive::Archive in = archive::Archive::ForReading(out.Bytes());
  auto loaded = script::Ref<TOL_VarWalkApp>::Adopt(in.ReadObjectAs<TOL_VarWalkApp>());
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->Field(), nullptr);
  for (TOL_VarWalkApp* w : {loaded.get(), dynamic_cast<TOL_VarWalkApp*>(walk_->Clone(nullptr).get())}) {
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Front(), 7);
    EXPECT_EQ(w->Side(), 2);
    EXPECT_EQ(w->ShiftX(), -3);
    EXPECT_EQ(w->ShiftY(), 4);
    EXPECT_EQ(w->FrameBottom(), 4);
    EXPECT_EQ(w->InnerRatio(), 6000);
    EXPECT_EQ(w->BackColor(), kBack);
    EXPECT_EQ(w->Facing(), kNorth);
    EXPECT_EQ(w->X(), -5);
    EXPECT_EQ(w->Y(), 6);
  }
  EXPECT_EQ(dynamic_cast<TOL_VarWalkApp*>(walk_->Clone(nullptr).get())->Field(), nullptr);
}

// Stored values are taken unchecked; drawing still ends quickly and never divides by zero.
TEST_F(WalkTest, UncheckedStoredValuesDrawSafely) {
  field_->SetThreshold({2, 0}, kNorth, Part<TOL_Door>());
  field_->SetThreshold({2, 2}, kWest, Part<TOL_Wall>());
  walk_->SetFront(10);
  walk_->SetSide(5);
  Canvas limit(300, 200);
  Draw(limit);

  archive::Archive out = archive::Archive::ForWriting();
  walk_->Serialize(out);
  std::vector<uint8_t> bytes = out.Bytes();
  auto patch = [&bytes](size_t fromEnd, int32_t v) {
    for (int i = 0; i < 4; ++i) bytes[bytes.size() - fromEnd + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
  };
  patch(52, INT32_MAX);  // side
  patch(48, INT32_MAX);  // front
  archive::Archive in = archive::Archive::ForReading(bytes);
  auto huge = script::Make<TOL_VarWalkApp>();
  huge->Serialize(in);
  EXPECT_EQ(huge->Front(), INT32_MAX);
  huge->SetField(field_.get());
  Canvas capped(300, 200);
  const auto start = std::chrono::steady_clock::now();
  huge->Draw(capped.dc);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(capped.bitmap, limit.bitmap);

  // Zero and extreme frames, ratios and shifts.
  for (auto [frame, inner, shift] : {std::tuple{0, 5000, 0}, std::tuple{-20000, 5000, 0},
                                     std::tuple{15000, -7, INT32_MIN}, std::tuple{INT32_MAX, INT32_MAX, INT32_MAX},
                                     std::tuple{INT32_MIN, 0, 30000}}) {
    walk_->SetFrame(frame, frame, frame, frame);
    walk_->SetShift(shift, shift);
    Canvas canvas(300, 200);
    archive::Archive raw = archive::Archive::ForWriting();
    walk_->Serialize(raw);
    std::vector<uint8_t> b = raw.Bytes();
    const uint32_t v = static_cast<uint32_t>(inner);
    for (int i = 0; i < 4; ++i) b[b.size() - 20 + i] = static_cast<uint8_t>(v >> (8 * i));  // inner ratio
    archive::Archive read = archive::Archive::ForReading(b);
    auto odd = script::Make<TOL_VarWalkApp>();
    odd->Serialize(read);
    EXPECT_EQ(odd->InnerRatio(), inner);
    odd->SetField(field_.get());
    odd->Draw(canvas.dc);
    EXPECT_EQ(canvas.Count(0, 0, 300, 200, kUntouched), 0);  // the background is always filled
  }
  walk_->SetRect(10, 10, 10, 50);  // no width at all
  Canvas empty(300, 200);
  Draw(empty);
  EXPECT_EQ(empty.Count(0, 0, 300, 200, kUntouched), 300 * 200);
}

}  // namespace
}  // namespace tav::dungeon::testing
