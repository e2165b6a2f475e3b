// Drawing the walk view: a painter's algorithm over flat shapes. Faces seen straight on are
// rectangles, side walls, floors and ceilings four-point polygons; depths are drawn from the
// farthest to the nearest so nearer shapes cover farther ones.
//
// Values of a stored view are unchecked, so the arithmetic is the guarded kind of
// int32_math.h, and the depth and side loops run at most as far as the script setters allow
// (a stored front above 10 draws 10 deep, a side above 5 draws 5 columns): a huge count would
// otherwise keep the loops going for minutes.
#include <algorithm>
#include <array>
#include <cmath>

#include "dungeon/int32_math.h"
#include "dungeon/walk_view.h"
#include "gdi/gdi_dc.h"

namespace tav::dungeon {

namespace {

using platform::POINT;

struct Frame {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return Wrap32(int64_t{right} - left); }
  int32_t Height() const { return Wrap32(int64_t{bottom} - top); }
  Frame Moved(int32_t dx, int32_t dy) const {
    return {Wrap32(int64_t{left} + dx), Wrap32(int64_t{top} + dy), Wrap32(int64_t{right} + dx),
            Wrap32(int64_t{bottom} + dy)};
  }
};

int32_t Sign(int32_t v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

// v × 1500 / 10000: the 15 % door inset.
int32_t Inset(int64_t v) { return MulDivC(Wrap32(v), 1500, 10000); }

class WalkRenderer {
 public:
  WalkRenderer(const TOL_VarWalkApp& view, const TOL_VarField& field, platform::DeviceContext& dc)
      : view_(view), field_(field), dc_(dc) {}

  void Draw();

 private:
  // The shift of the frame at exponent k along one axis. The quotient is taken before the
  // power, so shifts below 10000 in size move nothing.
  static int32_t Shift(int32_t shift, int k, int32_t half) {
    const int64_t whole = (shift < 0 ? -int64_t{shift} : int64_t{shift}) / 10000;
    return Wrap32(int64_t{Sign(shift)} * TruncToInt(std::pow(static_cast<double>(whole), k) * half));
  }
  Frame FrameAt(int k, int e) const {
    const double scale = std::pow(ratio_, k);
    const int32_t hw = TruncToInt(scale * baseWidth_) / 2;
    const int32_t hh = TruncToInt(scale * baseHeight_) / 2;
    const int32_t sx = Shift(view_.ShiftX(), e, halfW_), sy = Shift(view_.ShiftY(), e, halfH_);
    return {Wrap32(int64_t{cx_} - hw + sx), Wrap32(int64_t{cy_} - hh + sy), Wrap32(int64_t{cx_} + hw + sx),
            Wrap32(int64_t{cy_} + hh + sy)};
  }

  void FrontFace(CellPos cell, const Frame& face);
  void FloorAndCeiling(CellPos cell, const Frame& far, const Frame& near, int64_t farShift, int64_t nearShift);
  void SideWall(int32_t view, int32_t xf, int32_t xn, const Frame& far, const Frame& near);
  void SideColumns(CellPos middle, int side, const Frame& far, const Frame& near, bool leftSide);

  const TOL_VarWalkApp& view_;
  const TOL_VarField& field_;
  platform::DeviceContext& dc_;
  int32_t cx_ = 0, cy_ = 0, halfW_ = 0, halfH_ = 0;
  int32_t baseWidth_ = 0, baseHeight_ = 0;
  double ratio_ = 0;
};

void WalkRenderer::FrontFace(CellPos cell, const Frame& face) {
  const int32_t v = field_.GetThreshView(cell, view_.Facing());
  if (v != kViewWall && v != kViewDoor) return;
  dc_.Rectangle(face.left, face.top, face.right, face.bottom);
  if (v != kViewDoor) return;
  dc_.Rectangle(Wrap32(int64_t{face.left} + Inset(face.Width())), Wrap32(int64_t{face.top} + Inset(face.Height())),
                Wrap32(int64_t{face.right} + Inset(int64_t{face.left} - face.right)), face.bottom);
}

void WalkRenderer::FloorAndCeiling(CellPos cell, const Frame& far, const Frame& near, int64_t farShift,
                                   int64_t nearShift) {
  const TOL_Lay* data = field_.CellData(cell);
  if (!data) return;
  const int32_t fl = Wrap32(far.left + farShift), fr = Wrap32(far.right + farShift);
  const int32_t nl = Wrap32(near.left + nearShift), nr = Wrap32(near.right + nearShift);
  const std::array<POINT, 4> floor{POINT{fl, far.bottom}, POINT{fr, far.bottom}, POINT{nr, near.bottom},
                                   POINT{nl, near.bottom}};
  data->DrawFloor(dc_, floor);
  const std::array<POINT, 4> ceiling{POINT{fl, far.top}, POINT{fr, far.top}, POINT{nr, near.top},
                                     POINT{nl, near.top}};
  data->DrawCeiling(dc_, ceiling);
}

void WalkRenderer::SideWall(int32_t v, int32_t xf, int32_t xn, const Frame& far, const Frame& near) {
  if (v != kViewWall && v != kViewDoor) return;
  const std::array<POINT, 4> wall{POINT{xf, far.top}, POINT{xf, far.bottom}, POINT{xn, near.bottom},
                                  POINT{xn, near.top}};
  dc_.Polygon(wall);
  if (v != kViewDoor) return;
  const int32_t dxf = Wrap32(int64_t{xf} + Inset(int64_t{xn} - xf));
  const int32_t dxn = Wrap32(int64_t{xn} + Inset(int64_t{xf} - xn));
  const std::array<POINT, 4> door{
      POINT{dxf, Wrap32(int64_t{far.top} + Inset(int64_t{far.bottom} - far.top))},
      POINT{dxf, Wrap32(int64_t{far.bottom} + Inset(int64_t{near.bottom} - far.bottom))},
      POINT{dxn, Wrap32(int64_t{near.bottom} + Inset(int64_t{far.bottom} - near.bottom))},
      POINT{dxn, Wrap32(int64_t{near.top} + Inset(int64_t{near.bottom} - near.top))}};
  dc_.Polygon(door);
}

// The columns on one side of the middle, from the outermost inwards.
void WalkRenderer::SideColumns(CellPos middle, int side, const Frame& far, const Frame& near, bool leftSide) {
  const int32_t facing = view_.Facing();
  const int32_t outward = leftSide ? TurnLeft(facing) : TurnRight(facing);
  const int32_t inward = leftSide ? TurnRight(facing) : TurnLeft(facing);
  const int64_t sign = leftSide ? -1 : 1;
  const int32_t fw = far.Width(), nw = near.Width();
  CellPos cell = middle.Moved(outward, side);
  for (int i = side; i >= 1; --i) {
    const int64_t farShift = sign * i * fw, nearShift = sign * i * nw;
    FrontFace(cell, far.Moved(Wrap32(farShift), 0));
    FloorAndCeiling(cell, far, near, farShift, nearShift);
    const int32_t xf = Wrap32((leftSide ? far.right : far.left) + farShift);
    const int32_t xn = Wrap32((leftSide ? near.right : near.left) + nearShift);
    SideWall(field_.GetThreshView(cell, inward), xf, xn, far, near);
    cell = cell.Moved(inward);
  }
}

void WalkRenderer::Draw() {
  const screen::WindowRect& rect = view_.Rect();
  const int32_t w = Wrap32(int64_t{rect.right} - rect.left), h = Wrap32(int64_t{rect.bottom} - rect.top);
  halfW_ = w / 2;
  halfH_ = h / 2;
  cx_ = Wrap32(int64_t{rect.left} + halfW_);
  cy_ = Wrap32(int64_t{rect.top} + halfH_);
  const int32_t z = std::min(h, w) / 2;
  ratio_ = view_.InnerRatio() * 0.0001;

  const int saved = dc_.SaveDC();
  dc_.IntersectClipRect(rect.left, rect.top, rect.right, rect.bottom);
  const platform::Brush colorBrush = platform::CreateSolidBrush(view_.Color());
  dc_.SelectPen(platform::CreatePen(platform::PS_SOLID, 1, view_.BackColor()));
  dc_.SelectBrush(colorBrush);
  dc_.FillRect({rect.left, rect.top, rect.right, rect.bottom}, platform::CreateSolidBrush(view_.BackColor()));

  // The base frame, and the nearest frame: the base widened to the view's width (keeping its
  // aspect) when it is narrower. A base frame without width has no aspect to keep: it stays.
  const int32_t left0 = Wrap32(int64_t{cx_} - MulDivC(z, view_.FrameLeft(), 10000));
  const int32_t right0 = Wrap32(int64_t{cx_} + MulDivC(z, view_.FrameRight(), 10000));
  const int32_t top0 = Wrap32(int64_t{cy_} - MulDivC(view_.FrameTop(), z, 10000));
  const int32_t bottom0 = Wrap32(int64_t{cy_} + MulDivC(view_.FrameBottom(), z, 10000));
  baseWidth_ = Wrap32(int64_t{right0} - left0);
  baseHeight_ = Wrap32(int64_t{bottom0} - top0);
  Frame nearest{left0, top0, right0, bottom0};
  if (baseWidth_ < w && baseWidth_ != 0) {
    const int32_t centreX = Wrap32((int64_t{left0} + right0) / 2);
    const int32_t centreY = Wrap32((int64_t{top0} + bottom0) / 2);
    const int32_t hh = TruncToInt(static_cast<double>(baseHeight_) * 2 * halfW_ / baseWidth_) / 2;
    nearest = {Wrap32(int64_t{centreX} - halfW_), Wrap32(int64_t{centreY} - hh), Wrap32(int64_t{centreX} + halfW_),
               Wrap32(int64_t{centreY} + hh)};
  }

  const int front = std::clamp(view_.Front(), 0, TOL_VarWalkApp::kMaxFront);
  const int side = std::clamp(view_.Side(), 0, TOL_VarWalkApp::kMaxSide);
  const int32_t facing = view_.Facing();
  const CellPos party{view_.X(), view_.Y()};
  Frame far = FrameAt(front + 1, front + 1);
  for (int d = front; d >= 0; --d) {
    const Frame near = d >= 1 ? FrameAt(d, d + 1)
                              : nearest.Moved(Shift(view_.ShiftX(), 1, halfW_), Shift(view_.ShiftY(), 1, halfH_));
    const CellPos middle = party.Moved(facing, d);
    FrontFace(middle, far);
    FloorAndCeiling(middle, far, near, 0, 0);
    // No kind of cell data draws contents today; a kind that does is asked for the cells
    // straight ahead, with the middle half of the cell's far face.
    if (const TOL_Lay* data = field_.CellData(middle); data && data->DrawsContents()) {
      const int32_t qw = far.Width() / 4, qh = far.Height() / 4;
      data->DrawContents(dc_, {Wrap32(int64_t{far.left} + qw), Wrap32(int64_t{far.top} + qh),
                               Wrap32(int64_t{far.right} - qw), Wrap32(int64_t{far.bottom} - qh)}, 0);
    }
    SideColumns(middle, side, far, near, true);
    SideColumns(middle, side, far, near, false);
    far = near;
  }
  dc_.RestoreDC(saved);
}

}  // namespace

void TOL_VarWalkApp::Draw(platform::DeviceContext& dc) {
  // Without a field, or with a field that has no cells, nothing is drawn, not even the background.
  if (!Field() || !Field()->HasCells()) return;
  WalkRenderer(*this, *Field(), dc).Draw();
}

}  // namespace tav::dungeon
