// TOL_VarWalkApp: the first-person view of a party standing on a cell of a field, facing one
// of the four directions. Walls and doors are filled polygons in perspective, event cells show
// their floor and ceiling colours; `front` cells ahead and `side` cells to each side are drawn,
// from the farthest depth to the nearest.
//
// The view keeps the field it shows alive (a count), so a script that drops its own reference
// to the field cannot leave the view pointing at a freed one.
#pragma once

#include <cstdint>

#include "dungeon/field_holder.h"
#include "dungeon/var_field.h"
#include "screen/appear.h"

namespace tav::dungeon {

class TOL_VarWalkApp : public screen::TOL_VarColorAppear, public FieldHolder {
  TOL_DECLARE_CLASS(TOL_VarWalkApp)
 public:
  static constexpr int32_t kMaxSide = 5;
  static constexpr int32_t kMaxFront = 10;
  static constexpr int32_t kMinInner = 100;
  static constexpr int32_t kMaxInner = 10000;

  TOL_VarWalkApp() = default;


  int32_t Facing() const { return facing_; }
  int32_t X() const { return x_; }
  int32_t Y() const { return y_; }
  int32_t Side() const { return side_; }
  int32_t Front() const { return front_; }
  int32_t ShiftX() const { return shiftX_; }
  int32_t ShiftY() const { return shiftY_; }
  int32_t FrameLeft() const { return frameLeft_; }
  int32_t FrameRight() const { return frameRight_; }
  int32_t FrameTop() const { return frameTop_; }
  int32_t FrameBottom() const { return frameBottom_; }
  int32_t InnerRatio() const { return inner_; }
  uint32_t BackColor() const { return backColor_; }

  void SetPos(int32_t x, int32_t y) {
    x_ = x;
    y_ = y;
  }
  void SetFacing(int32_t facing) { facing_ = facing; }
  // The clamping setters of the script methods.
  void SetSide(int32_t n) { side_ = n < 0 ? 0 : n > kMaxSide ? kMaxSide : n; }
  void SetFront(int32_t n) { front_ = n < 0 ? 0 : n > kMaxFront ? kMaxFront : n; }
  void SetInnerRatio(int32_t n) { inner_ = n < kMinInner ? kMinInner : n > kMaxInner ? kMaxInner : n; }
  void SetBackColor(uint32_t color) { backColor_ = color; }
  void SetShift(int32_t x, int32_t y) {
    shiftX_ = x;
    shiftY_ = y;
  }
  void SetFrame(int32_t left, int32_t right, int32_t top, int32_t bottom) {
    frameLeft_ = left;
    frameRight_ = right;
    frameTop_ = top;
    frameBottom_ = bottom;
  }

  void Update(script::TOL_VarObArray*) override {}
  void Draw(platform::DeviceContext& dc) override;  // walk_render.cpp

  // The walk table only, then the members and the base object.
  script::TOL_Var* FindMember(script::Atom name) override;
  using script::TOL_Var::FindMember;
  // After the coloured part: a version word 1; side, front, shift x, shift y, frame left,
  // right, top, bottom, inner ratio, back colour, facing, x, y. The field is not stored.
  void Serialize(archive::Archive& ar) override;

 protected:
  // Every value but the field.
  void CopyFieldsTo(screen::TOL_VarWindow& target) const override;

 private:
  int32_t facing_ = 0;
  int32_t x_ = 0;
  int32_t y_ = 0;
  int32_t side_ = 1;
  int32_t front_ = 3;
  int32_t shiftX_ = 0;
  int32_t shiftY_ = 0;
  int32_t frameLeft_ = 15000;
  int32_t frameRight_ = 15000;
  int32_t frameTop_ = 15000;
  int32_t frameBottom_ = 15000;
  int32_t inner_ = 5000;
  uint32_t backColor_ = 0;
};

int WalkMethodTableId();
void DefineWalkMethods();

// The field a SETFIELD argument names, or none when it is not a field.
TOL_VarField* FieldArgument(script::TOL_Var* value);

}  // namespace tav::dungeon
