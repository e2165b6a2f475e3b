// TOL_VarMapApp: a top-down map of a window of cells of a field. Floors of event cells are
// filled, thresholds are lines (solid for what blocks or is a door, dotted for what can be
// walked through), doors get a small box, one-way and walk-through passages an arrow; bold
// lines can mark the field's wrap edges and numbers label the columns and rows. Any of the four
// directions can point up.
//
// Like the walk view, the map keeps the field it shows alive.
#pragma once

#include <cstdint>

#include "dungeon/field_holder.h"
#include "dungeon/var_field.h"
#include "screen/appear.h"

namespace tav::dungeon {

class TOL_VarMapApp : public screen::TOL_VarFontAppear, public FieldHolder {
  TOL_DECLARE_CLASS(TOL_VarMapApp)
 public:
  // A new map view has its own font: the proportional Gothic face at 12 points.
  TOL_VarMapApp();


  struct CellWindow {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  };
  const CellWindow& Window() const { return window_; }
  void SetFieldRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) { window_ = {x0, y0, x1, y1}; }
  int32_t CellWidth() const { return cellWidth_; }
  int32_t CellHeight() const { return cellHeight_; }
  void SetCellSize(int32_t width, int32_t height) {
    cellWidth_ = width;
    cellHeight_ = height;
  }
  int32_t Facing() const { return facing_; }
  void SetFacing(int32_t facing) { facing_ = facing; }
  uint32_t BackColor() const { return backColor_; }
  void SetBackColor(uint32_t color) { backColor_ = color; }
  bool NoDrawOut() const { return noDrawOut_ != 0; }
  void SetNoDrawOut(bool value) { noDrawOut_ = value ? 1 : 0; }
  bool EndBold() const { return endBold_ != 0; }
  void SetEndBold(bool value) { endBold_ = value ? 1 : 0; }
  bool DrawPositions() const { return drawPositions_ != 0; }
  void SetDrawPositions(bool value) { drawPositions_ = value ? 1 : 0; }

  // The cell sizes from the view's size and the cell window; a window without columns or rows
  // keeps the sizes it had.
  void Update(script::TOL_VarObArray* context) override;
  void Draw(platform::DeviceContext& dc) override;  // map_render.cpp

  // The map table only, then the members and the base object.
  script::TOL_Var* FindMember(script::Atom name) override;
  using script::TOL_Var::FindMember;
  // After the font part: a version word 1; x0, y0, x1, y1; cell width, cell height; facing,
  // back colour, no-draw-out, end bold, draw positions. The field is not stored.
  void Serialize(archive::Archive& ar) override;

 protected:
  void CopyFieldsTo(screen::TOL_VarWindow& target) const override;

 private:
  CellWindow window_;
  int32_t cellWidth_ = 0;
  int32_t cellHeight_ = 0;
  int32_t facing_ = 1;
  uint32_t backColor_ = 0;
  int32_t noDrawOut_ = 0;
  int32_t endBold_ = 0;
  int32_t drawPositions_ = 1;
};

int MapMethodTableId();
void DefineMapMethods();

}  // namespace tav::dungeon
