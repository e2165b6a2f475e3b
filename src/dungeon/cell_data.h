// Cell data: what a block may carry besides its thresholds. Plain cell data holds two integers
// for the game's scripts; event cells add a floor colour, a ceiling colour and an event number
// (the walk and map views draw the colours); record cells add a text and a flag that are only
// stored. A colour of 0 draws nothing, so pure black cannot be shown.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "dungeon/counted_part.h"
#include "gdi/gdi_dc.h"
#include "script/core/var.h"

namespace tav::dungeon {

class TOL_Lay : public CountedPart {
  TOL_DECLARE_CLASS(TOL_Lay)
 public:
  int32_t data0 = 0;
  int32_t data1 = 0;

  // The drawing hooks of the views. Plain cell data draws nothing.
  virtual void DrawContents(platform::DeviceContext&, const platform::RECT&, int32_t) const {}
  virtual void DrawMapCell(platform::DeviceContext&, const platform::RECT&, int32_t) const {}
  virtual void DrawFloor(platform::DeviceContext&, std::span<const platform::POINT, 4>) const {}
  virtual void DrawCeiling(platform::DeviceContext&, std::span<const platform::POINT, 4>) const {}
  // True for a kind whose DrawContents draws something: the walk view asks no other kind.
  virtual bool DrawsContents() const { return false; }

  // data0, data1; no version word.
  void Serialize(archive::Archive& ar) override;
};

class TOL_EventLay : public TOL_Lay {
  TOL_DECLARE_CLASS(TOL_EventLay)
 public:
  uint32_t floorColor = 0;    // COLORREF
  uint32_t ceilingColor = 0;  // COLORREF
  int32_t eventNumber = -1;

  // The cell's rectangle moved by (1, 1), filled with the floor colour.
  void DrawMapCell(platform::DeviceContext& dc, const platform::RECT& rect, int32_t flag) const override;
  // The closed polygon through the points, outlined and filled in the floor / ceiling colour.
  void DrawFloor(platform::DeviceContext& dc, std::span<const platform::POINT, 4> points) const override;
  void DrawCeiling(platform::DeviceContext& dc, std::span<const platform::POINT, 4> points) const override;

  // The plain part, a version word, floor colour, ceiling colour, event number.
  void Serialize(archive::Archive& ar) override;
};

class TOL_RecordLay : public TOL_EventLay {
  TOL_DECLARE_CLASS(TOL_RecordLay)
 public:
  std::string recordText;
  uint8_t recordFlag = 0;

  // The event part, a version word, the text, the flag byte.
  void Serialize(archive::Archive& ar) override;
};

void RegisterCellDataClasses();

}  // namespace tav::dungeon
