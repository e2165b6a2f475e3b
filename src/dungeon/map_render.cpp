// Drawing the map view. The grid is visited row by row with the facing pointing up; every
// position draws its floor, then its top edge and its left edge (line, door mark, passage
// mark), so the extra column and row only close the grid. The map sets no clip: marks of the
// edge cells may reach a few pixels outside the view.
//
// Stored views are unchecked, so a cell window may be huge. Only positions whose marks can
// reach the drawable part of the device context are visited: a mark never reaches further than
// one cell (plus the bold line's extra pixel) beyond its own cell, so skipping the others
// changes no pixel. With a cell size of 0 every column (or row) lands on the same pixels; then
// at most kMaxCollapsed of them are visited.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "dungeon/int32_math.h"
#include "dungeon/map_view.h"
#include "gdi/gdi_dc.h"
#include "gdi/gdi_text.h"
#include "screen/geometry_values.h"

namespace tav::dungeon {

namespace {

constexpr int64_t kMaxCollapsed = 256;

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

struct IndexRange {
  int64_t first = 0;
  int64_t last = -1;  // inclusive
};

// The indexes 0 … count of cells laid out from `origin` in steps of `size` whose extent,
// widened by `margin`, can meet [from, to).
IndexRange VisibleRange(int64_t origin, int64_t size, int64_t count, int64_t from, int64_t to, int64_t margin) {
  if (count < 0 || from >= to) return {};
  IndexRange range;
  if (size == 0) {
    if (origin + margin < from || origin - margin >= to) return {};
    return {0, std::min(count, kMaxCollapsed)};
  }
  if (size > 0) {
    range.first = FloorDiv(from - origin - size - margin, size);
    range.last = FloorDiv(to - origin + margin, size) + 1;
  } else {
    const int64_t s = -size;
    range.first = FloorDiv(origin - margin - to, s) - 1;
    range.last = FloorDiv(origin + margin + s - from, s) + 1;
  }
  range.first = std::max<int64_t>(range.first, 0);
  range.last = std::min(range.last, count);
  return range;
}

class MapRenderer {
 public:
  MapRenderer(const TOL_VarMapApp& view, const TOL_VarField& field, platform::DeviceContext& dc)
      : view_(view), field_(field), dc_(dc) {}

  void Draw();

 private:
  struct CellRect {
    int32_t left, top, right, bottom;
  };
  void Line(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    dc_.MoveTo(x0, y0);
    dc_.LineTo(x1, y1);
  }
  void Outline(int32_t l, int32_t t, int32_t r, int32_t b) {
    dc_.MoveTo(l, t);
    dc_.LineTo(r, t);
    dc_.LineTo(r, b);
    dc_.LineTo(l, b);
    dc_.LineTo(l, t);
  }
  // The threshold on side d of a cell, seen from both sides; `top` chooses the cell's top edge
  // (else its left edge).
  void Edge(CellPos cell, int32_t d, const CellRect& r, bool top);
  void Labels();

  const TOL_VarMapApp& view_;
  const TOL_VarField& field_;
  platform::DeviceContext& dc_;
  platform::Pen solid_;
  platform::Pen dotted_;
  int32_t cw_ = 0, ch_ = 0;
};

void MapRenderer::Edge(CellPos cell, int32_t d, const CellRect& r, bool top) {
  const int32_t a = field_.GetThreshView(cell, d), pa = field_.GetPassRule(cell, d);
  const CellPos across = cell.Moved(d);
  const int32_t b = field_.GetThreshView(across, Reverse(d)), pb = field_.GetPassRule(across, Reverse(d));
  const bool shown = a != 0 || b != 0;
  const bool door = a == kViewDoor || b == kViewDoor;
  const bool walkThrough = shown && pa == 0 && pb == 0 && !door;
  const int32_t cw = cw_, ch = ch_;
  if (shown) {
    if (walkThrough) dc_.SelectPen(dotted_);
    const bool bold = view_.EndBold() && (top ? cell.y % field_.YLength() == 0 : cell.x % field_.XLength() == 0);
    if (top) {
      Line(r.left, r.top, r.right, r.top);
      if (bold) Line(r.left, Wrap32(int64_t{r.top} + 1), r.right, Wrap32(int64_t{r.top} + 1));
    } else {
      Line(r.left, r.top, r.left, r.bottom);
      if (bold) Line(Wrap32(int64_t{r.left} + 1), r.top, Wrap32(int64_t{r.left} + 1), r.bottom);
    }
    if (walkThrough) dc_.SelectPen(solid_);
  }
  if (door) {
    if (top) {
      Outline(Wrap32(int64_t{r.left} + cw / 4), Wrap32(int64_t{r.top} - ch / 9), Wrap32(int64_t{r.right} - cw / 4),
              Wrap32(int64_t{r.top} + ch / 9));
    } else {
      Outline(Wrap32(int64_t{r.left} - cw / 9), Wrap32(int64_t{r.top} + ch / 4), Wrap32(int64_t{r.left} + cw / 9),
              Wrap32(int64_t{r.bottom} - ch / 4));
    }
  }
  if (!((pa == 1) != (pb == 1) || walkThrough)) return;
  if (top) {
    // Arrowheads at y2 (into this cell) when entering is possible, at y1 when leaving is.
    const int32_t xc = Wrap32(int64_t{r.left} + cw / 2);
    const int32_t y1 = Wrap32(int64_t{r.top} - MulDivC(ch, 3, 9)), y2 = Wrap32(int64_t{r.top} + MulDivC(ch, 3, 9));
    Line(xc, y1, xc, y2);
    const int32_t xl = Wrap32(int64_t{xc} - cw / 9), xr = Wrap32(int64_t{xc} + cw / 9);
    if (pb == 0) {
      const int32_t yw = Wrap32(int64_t{y2} - ch / 4);
      Line(xc, y2, xl, yw);
      dc_.LineTo(xr, yw);
      dc_.LineTo(xc, y2);
    }
    if (pa == 0) {
      const int32_t yw = Wrap32(int64_t{y1} + ch / 4);
      Line(xc, y1, xl, yw);
      dc_.LineTo(xr, yw);
      dc_.LineTo(xc, y1);
    }
  } else {
    const int32_t yc = Wrap32(int64_t{r.top} + ch / 2);
    const int32_t xa = Wrap32(int64_t{r.left} - MulDivC(cw, 3, 9)), xb = Wrap32(int64_t{r.left} + MulDivC(cw, 3, 9));
    Line(xa, yc, xb, yc);
    const int32_t yu = Wrap32(int64_t{yc} - ch / 9), yd = Wrap32(int64_t{yc} + ch / 9);
    if (pb == 0) {
      const int32_t xw = Wrap32(int64_t{xb} - cw / 4);
      Line(xb, yc, xw, yu);
      dc_.LineTo(xw, yd);
      dc_.LineTo(xb, yc);
    }
    if (pa == 0) {
      const int32_t xw = Wrap32(int64_t{xa} + cw / 4);
      Line(xa, yc, xw, yu);
      dc_.LineTo(xw, yd);
      dc_.LineTo(xa, yc);
    }
  }
}

void MapRenderer::Labels() {
  const screen::WindowRect& rect = view_.Rect();
  const TOL_VarMapApp::CellWindow& w = view_.Window();
  if (cw_ <= 0 || ch_ <= 0) return;  // label boxes without width or height show nothing
  platform::LOGFONTA logFont;
  if (const screen::TOL_Font* font = view_.Font()) {
    logFont = font->Description().ToLogFontA();
    logFont.lfHeight = -platform::MulDiv(cw_ * 5 / 10, platform::kLogPixels, 72);
  } else {
    logFont = platform::PointFontLogFont(Wrap32(int64_t{cw_} * 5), screen::TOL_VarFont::kDefaultFace);
  }
  dc_.SelectFont(platform::Font::Shared(logFont));
  dc_.SetTextColor(view_.Color());
  dc_.SetBkMode(platform::TRANSPARENT);
  constexpr unsigned kFlags = platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE;
  const platform::RECT area = dc_.DrawableArea();
  const int64_t cols = int64_t{w.x1} - w.x0, rows = int64_t{w.y1} - w.y0;
  const IndexRange across = VisibleRange(int64_t{rect.left} + cw_, cw_, cols - 1, area.left, area.right, 0);
  for (int64_t b = across.first; b <= across.last; ++b) {
    const int64_t left = rect.left + cw_ * (b + 1);
    platform::DrawTextA(dc_, std::to_string(Wrap32(w.x0 + b)),
                        {Wrap32(left), rect.top, Wrap32(left + cw_), Wrap32(int64_t{rect.top} + ch_)}, kFlags);
  }
  const IndexRange down = VisibleRange(int64_t{rect.top} + ch_, ch_, rows - 1, area.top, area.bottom, 0);
  for (int64_t i = down.first; i <= down.last; ++i) {
    const int64_t top = rect.top + ch_ * (i + 1);
    platform::DrawTextA(dc_, std::to_string(Wrap32(w.y0 + i)),
                        {rect.left, Wrap32(top), Wrap32(int64_t{rect.left} + cw_), Wrap32(top + ch_)}, kFlags);
  }
}

void MapRenderer::Draw() {
  const screen::WindowRect& rect = view_.Rect();
  const TOL_VarMapApp::CellWindow& w = view_.Window();
  cw_ = view_.CellWidth();
  ch_ = view_.CellHeight();
  const int saved = dc_.SaveDC();
  solid_ = platform::CreatePen(platform::PS_SOLID, 1, view_.Color());
  dotted_ = platform::CreatePen(platform::PS_DOT, 1, view_.Color());
  dc_.SelectPen(solid_);
  if (view_.BackColor() != view_.Color()) {
    dc_.FillRect({rect.left, rect.top, rect.right, rect.bottom}, platform::CreateSolidBrush(view_.BackColor()));
  }

  // A facing that is not a direction draws as north.
  const int32_t up = IsDirection(view_.Facing()) ? view_.Facing() : kNorth;
  const int32_t screenRight = TurnRight(up), screenDown = Reverse(up), leftSide = TurnLeft(up);
  CellPos topLeft;
  switch (up) {
    case kNorth: topLeft = {w.x0, w.y0}; break;
    case kEast: topLeft = {w.x1, w.y0}; break;
    case kSouth: topLeft = {w.x1, w.y1}; break;
    default: topLeft = {w.x0, w.y1}; break;
  }
  const int64_t cols = int64_t{w.x1} - w.x0, rows = int64_t{w.y1} - w.y0;
  const bool labels = view_.DrawPositions();
  const int64_t gridLeft = int64_t{rect.left} + (labels ? cw_ : 0);
  const int64_t gridTop = int64_t{rect.top} + (labels ? ch_ : 0);
  const int32_t xLength = field_.XLength(), yLength = field_.YLength();
  const bool noDrawOut = view_.NoDrawOut();

  const platform::RECT area = dc_.DrawableArea();
  const IndexRange columns =
      VisibleRange(gridLeft, cw_, cols, area.left, area.right, std::abs(int64_t{cw_}) + 2);
  const IndexRange rowRange = VisibleRange(gridTop, ch_, rows, area.top, area.bottom, std::abs(int64_t{ch_}) + 2);
  for (int64_t i = rowRange.first; i <= rowRange.last; ++i) {
    const CellPos rowStart = topLeft.Moved(screenDown, i);
    for (int64_t j = columns.first; j <= columns.last; ++j) {
      const CellPos cell = rowStart.Moved(screenRight, j);
      if (noDrawOut && (cell.x < 0 || cell.y < 0)) continue;
      const int64_t left = gridLeft + cw_ * j, top = gridTop + ch_ * i;
      const CellRect r{Wrap32(left), Wrap32(top), Wrap32(left + cw_), Wrap32(top + ch_)};
      const bool inWindow = j < cols && i < rows;
      if (inWindow && cell.x >= 0 && cell.x < xLength && cell.y >= 0 && cell.y < yLength) {
        if (const TOL_Lay* data = field_.CellData(cell)) {
          data->DrawMapCell(dc_, {r.left, r.top, r.right, r.bottom}, 0);
        }
      }
      if (j < cols && (!noDrawOut || (cell.x < xLength && cell.y <= yLength))) Edge(cell, up, r, true);
      if (i < rows && (!noDrawOut || (cell.x <= xLength && cell.y < yLength))) Edge(cell, leftSide, r, false);
    }
  }
  if (labels) Labels();
  dc_.RestoreDC(saved);
}

}  // namespace

void TOL_VarMapApp::Draw(platform::DeviceContext& dc) {
  // Without a field, or with a field that has no cells, nothing is drawn.
  if (!Field() || !Field()->HasCells()) return;
  MapRenderer(*this, *Field(), dc).Draw();
}

}  // namespace tav::dungeon
