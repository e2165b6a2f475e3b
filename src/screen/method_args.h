// Reading the arguments of native methods.
//
// An argument that is present but empty (an empty reference) converts like a plain value: 0.
#pragma once

#include <cstdint>

#include "script/core/frame.h"

namespace tav::screen {

inline bool HasArg(script::TOL_VarObArray* args, int index) {
  return script::ArgCount(args) > index;
}

inline int32_t LongArg(script::TOL_VarObArray* args, int index, int32_t fallback = 0) {
  if (!HasArg(args, index)) return fallback;
  script::TOL_Var* value = script::Arg(args, index);
  return value ? value->GetLong() : 0;
}

inline int64_t Int64Arg(script::TOL_VarObArray* args, int index, int64_t fallback = 0) {
  if (!HasArg(args, index)) return fallback;
  script::TOL_Var* value = script::Arg(args, index);
  return value ? value->GetInt64() : 0;
}

}  // namespace tav::screen
