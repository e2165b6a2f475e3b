// Box appearances: the outline of the rectangle, and the filled rectangle.
#pragma once

#include "screen/appear.h"

namespace tav::screen {

class TOL_VarBoxAppear : public TOL_VarColorAppear {
  TOL_DECLARE_CLASS(TOL_VarBoxAppear)
 public:
  TOL_VarBoxAppear() = default;

  int32_t PenWidth() const { return penWidth_; }
  void SetPenWidth(int32_t width) { penWidth_ = width; }

  // The outline of the rectangle (its shadow first when offset) with a solid pen of the width.
  void Draw(platform::DeviceContext& dc) override;

  // After the coloured part: the pen width (32 bits), without a version word.
  void Serialize(archive::Archive& ar) override;

 protected:
  void CopyFieldsTo(TOL_VarWindow& target) const override;

 private:
  int32_t penWidth_ = 1;
};

class TOL_VarBoxFillAppear : public TOL_VarBoxAppear {
  TOL_DECLARE_CLASS(TOL_VarBoxFillAppear)
 public:
  TOL_VarBoxFillAppear() = default;

  ColorRef FillColor() const { return fillColor_; }
  void SetFillColor(ColorRef color) { fillColor_ = color; }

  // The rectangle filled and outlined (its shadow first when offset, all in the shadow colour).
  void Draw(platform::DeviceContext& dc) override;

  // After the box part: the fill colour (32 bits).
  void Serialize(archive::Archive& ar) override;

 protected:
  void CopyFieldsTo(TOL_VarWindow& target) const override;

 private:
  ColorRef fillColor_ = 0;
};

}  // namespace tav::screen
