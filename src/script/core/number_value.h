// A number as a scalar value of type BOOL, INT, DOUBLE or INT64 would hold it, without the
// value: what the evaluator keeps on its stack for the answers of arithmetic and comparisons.
// It converts exactly as the scalar class of its type does.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "script/core/scalars.h"
#include "script/core/var.h"

namespace tav::script {

// Truncation toward zero of a double into an integer type. Values outside the type's range
// (and NaN) have no defined conversion in C++; the x86 conversion instructions answer the
// "integer indefinite" (the type's minimum) for them, which is what games have always seen.
template <class T>
T TruncateDouble(double v) {
  constexpr double kLow = static_cast<double>(std::numeric_limits<T>::min());
  constexpr double kHigh = -kLow;  // 2^(bits-1), exactly representable
  if (!(v > kLow - 1.0 && v < kHigh)) return std::numeric_limits<T>::min();
  return static_cast<T>(v);
}

// Numbers are written and copied as a type and a whole eight-byte value, never in smaller or
// larger pieces: a copy read in one piece from fields just written in several cannot be
// forwarded from the stores and waits for them to reach the cache, and the evaluator copies
// numbers it has just computed all the time. (The narrower members are the low bytes of `l`.)
struct Number {
  int type = kTypeNone;  // kTypeBool, kTypeInt, kTypeDouble or kTypeInt64; none: no number
  union {
    bool b;
    int32_t i;
    int64_t l;
    double d;
  };
  Number() {}  // no number: the value is not read
  Number(const Number& o) : type(o.type), l(o.l) {}
  Number& operator=(const Number& o) {
    type = o.type;
    l = o.l;
    return *this;
  }

  static Number Bool(bool v) { Number n; n.type = kTypeBool; n.l = v ? 1 : 0; return n; }
  static Number Int(int32_t v) { Number n; n.type = kTypeInt; n.l = v; return n; }
  static Number Int64(int64_t v) { Number n; n.type = kTypeInt64; n.l = v; return n; }
  static Number Double(double v) { Number n; n.type = kTypeDouble; n.d = v; return n; }

  bool GetBool() const {
    switch (type) {
      case kTypeBool: return b;
      case kTypeInt: return i != 0;
      case kTypeDouble: return d != 0.0;
      default: return l != 0;
    }
  }
  int32_t GetLong() const {
    switch (type) {
      case kTypeBool: return b ? 1 : 0;
      case kTypeInt: return i;
      case kTypeDouble: return TruncateDouble<int32_t>(d);
      default: return static_cast<int32_t>(static_cast<uint32_t>(l));
    }
  }
  double GetDouble() const {
    switch (type) {
      case kTypeBool: return b ? 1.0 : 0.0;
      case kTypeInt: return i;
      case kTypeDouble: return d;
      default: return static_cast<double>(l);
    }
  }
  int64_t GetInt64() const {
    switch (type) {
      case kTypeBool: return b ? 1 : 0;
      case kTypeInt: return i;
      case kTypeDouble: return TruncateDouble<int64_t>(d);
      default: return l;
    }
  }
  std::string GetString() const;
  // The scalar value of this type and value (a new value, counted as usual).
  VarRef MakeValue() const;
};

// The number a value holds when it is exactly one of the four number classes (not a reference
// to one, nor an engine class derived from one, which may convert or assign in its own way);
// none otherwise.
inline Number NumberOf(TOL_Var* value) {
  switch (value->ExactClass()) {
    case TOL_Var::Exact::kInt: return Number::Int(static_cast<TOL_VarInt*>(value)->Value());
    case TOL_Var::Exact::kInt64: return Number::Int64(static_cast<TOL_VarInt64*>(value)->Value());
    case TOL_Var::Exact::kDouble: return Number::Double(static_cast<TOL_VarDouble*>(value)->Value());
    case TOL_Var::Exact::kBool: return Number::Bool(static_cast<TOL_VarBool*>(value)->Value());
    default: return Number();
  }
}
// Stores `n` into `target` as target->Assign(value of n) would, when `target` is exactly one of
// the four number classes; false (and nothing done) otherwise.
inline bool AssignNumber(TOL_Var* target, const Number& n) {
  switch (target->ExactClass()) {
    case TOL_Var::Exact::kInt: static_cast<TOL_VarInt*>(target)->SetValue(n.GetLong()); return true;
    case TOL_Var::Exact::kInt64: static_cast<TOL_VarInt64*>(target)->SetValue(n.GetInt64()); return true;
    case TOL_Var::Exact::kDouble: static_cast<TOL_VarDouble*>(target)->SetValue(n.GetDouble()); return true;
    case TOL_Var::Exact::kBool: static_cast<TOL_VarBool*>(target)->SetValue(n.GetBool()); return true;
    default: return false;
  }
}

}  // namespace tav::script
