#include "dungeon/cell_data.h"

#include "archive/archive.h"

namespace tav::dungeon {

TOL_IMPLEMENT_CLASS(TOL_Lay)
TOL_IMPLEMENT_CLASS(TOL_EventLay)
TOL_IMPLEMENT_CLASS(TOL_RecordLay)

namespace {

// A polygon outlined and filled in one colour; the caller's pen and brush come back afterwards.
void FillPolygon(platform::DeviceContext& dc, std::span<const platform::POINT, 4> points, uint32_t color) {
  platform::Pen oldPen = dc.SelectPen(platform::CreatePen(platform::PS_SOLID, 1, color));
  platform::Brush oldBrush = dc.SelectBrush(platform::CreateSolidBrush(color));
  dc.Polygon(points);
  dc.SelectPen(oldPen);
  dc.SelectBrush(oldBrush);
}

}  // namespace

void TOL_Lay::Serialize(archive::Archive& ar) {
  if (ar.IsStoring()) {
    ar.WriteLong(data0);
    ar.WriteLong(data1);
    return;
  }
  data0 = ar.ReadLong();
  data1 = ar.ReadLong();
}

void TOL_EventLay::DrawMapCell(platform::DeviceContext& dc, const platform::RECT& rect, int32_t) const {
  if (floorColor == 0) return;
  platform::RECT moved{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
  dc.FillRect(moved, platform::CreateSolidBrush(floorColor));
}

void TOL_EventLay::DrawFloor(platform::DeviceContext& dc, std::span<const platform::POINT, 4> points) const {
  if (floorColor != 0) FillPolygon(dc, points, floorColor);
}

void TOL_EventLay::DrawCeiling(platform::DeviceContext& dc, std::span<const platform::POINT, 4> points) const {
  if (ceilingColor != 0) FillPolygon(dc, points, ceilingColor);
}

void TOL_EventLay::Serialize(archive::Archive& ar) {
  TOL_Lay::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteWord(1);
    ar.WriteDword(floorColor);
    ar.WriteDword(ceilingColor);
    ar.WriteLong(eventNumber);
    return;
  }
  ar.ReadWord();
  floorColor = ar.ReadDword();
  ceilingColor = ar.ReadDword();
  eventNumber = ar.ReadLong();
}

void TOL_RecordLay::Serialize(archive::Archive& ar) {
  TOL_EventLay::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteWord(1);
    ar.WriteString(recordText);
    ar.WriteByte(recordFlag);
    return;
  }
  ar.ReadWord();
  recordText = ar.ReadString();
  recordFlag = ar.ReadByte();
}

void RegisterCellDataClasses() {
  archive::RegisterClass(TOL_Lay::kClassInfo);
  archive::RegisterClass(TOL_EventLay::kClassInfo);
  archive::RegisterClass(TOL_RecordLay::kClassInfo);
}

}  // namespace tav::dungeon
