// TOL_VarTime: a 64-bit integer that counts seconds in the game calendar.
//
// It converts, prints, compares and stores like any 64-bit integer (the stored payload is the
// integer's, under its own class name), and adds methods that read and change the calendar
// parts: GETYEAR, SETMONTH, ADDDAY, GETMONTHNAME ... Names not in the time table are looked up
// among the 64-bit integer methods. Copies stay time values.
#pragma once

#include "script/core/scalars.h"

namespace tav::screen {

class TOL_VarTime : public script::TOL_VarInt64 {
  TOL_DECLARE_CLASS(TOL_VarTime)
 public:
  explicit TOL_VarTime(int64_t seconds = 0) : TOL_VarInt64(seconds) {}

  script::VarRef Clone(script::TOL_Var* target) override;
  script::TOL_Var* FindMember(script::Atom name) override;
  using script::TOL_Var::FindMember;
};

int TimeMethodTableId();
// Fills the table once; later calls do nothing.
void DefineTimeMethods();

inline script::VarRef NewTime(int64_t seconds = 0) { return script::Make<TOL_VarTime>(seconds); }

}  // namespace tav::screen
