// Script-visible geometry values: rectangle, point, size and font description.
//
// They are plain objects whose whole content is the members their constructor creates; scripts
// read and write those members like any other. They have no methods of their own.
#pragma once

#include "script/core/var_object.h"

namespace tav::screen {

// Members "TOP", "LEFT", "BOTTOM", "RIGHT": INT 0.
class TOL_VarRect : public script::TOL_VarObject {
  TOL_DECLARE_CLASS(TOL_VarRect)
 public:
  TOL_VarRect();
};

// Members "X", "Y": INT 0.
class TOL_VarPoint : public script::TOL_VarObject {
  TOL_DECLARE_CLASS(TOL_VarPoint)
 public:
  TOL_VarPoint();
};

// Members "X", "Y" (the point's names): INT 0.
class TOL_VarSize : public script::TOL_VarObject {
  TOL_DECLARE_CLASS(TOL_VarSize)
 public:
  TOL_VarSize();
};

// Members "FACENAME" (STRING, the Japanese proportional Gothic face) and "POINTSIZE" (INT 12).
class TOL_VarFont : public script::TOL_VarObject {
  TOL_DECLARE_CLASS(TOL_VarFont)
 public:
  // The default face name in Shift-JIS.
  static constexpr const char* kDefaultFace =
      "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
  static constexpr int32_t kDefaultPointSize = 12;

  TOL_VarFont();
};

}  // namespace tav::screen
