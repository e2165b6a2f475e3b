// Operator semantics. The branch taken depends on the operands' type codes, tested in a fixed
// order ("either STRING", then "either INT64", ...). Numbers are answered as numbers, which the
// caller makes into values where it needs them; text is answered as a new value.

#include "script/core/operators.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "script/core/registry.h"
#include "script/core/scalars.h"
#include "script/text/string_text.h"

namespace tav::script {
namespace {

struct Types {
  int left, right;
  bool Either(int type) const { return left == type || right == type; }
};

Types TypesOf(const Operand& l, const Operand& r) { return {l.Type(), r.Type()}; }

// Wrapping integer arithmetic without signed-overflow undefined behaviour.
int32_t Wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }
int64_t Add64(int64_t a, int64_t b) { return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b)); }
int64_t Sub64(int64_t a, int64_t b) { return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b)); }
int64_t Mul64(int64_t a, int64_t b) { return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b)); }

// Division by zero answers the type's largest value; the most negative value divided by -1
// wraps to itself (and its remainder is 0) instead of trapping.
template <class T>
T Divide(T a, T b) {
  if (b == 0) return std::numeric_limits<T>::max();
  if (b == -1) return static_cast<T>(static_cast<std::make_unsigned_t<T>>(0) - static_cast<std::make_unsigned_t<T>>(a));
  return a / b;
}

template <class T>
T Remainder(T a, T b) {
  if (b == 0) return std::numeric_limits<T>::max();
  if (b == -1) return 0;
  return a % b;
}

double DivideDouble(double a, double b) { return b == 0.0 ? DBL_MAX : a / b; }

int CompareText(const Operand& l, const Operand& r) {
  std::string a = l.GetString(), b = r.GetString();
  int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c != 0) return c < 0 ? -1 : 1;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int32_t Shift32(int32_t value, int32_t count, bool left) {
  int n = count & 31;
  if (left) return static_cast<int32_t>(static_cast<uint32_t>(value) << n);
  return value >> n;  // arithmetic: keeps the sign
}

int64_t Shift64(int64_t value, int64_t count, bool left) {
  int n = static_cast<int>(count & 0xFF);
  if (left) return n >= 64 ? 0 : static_cast<int64_t>(static_cast<uint64_t>(value) << n);
  return n >= 64 ? (value < 0 ? -1 : 0) : value >> n;
}

// Square roots applied n times; repeated roots reach a fixed point long before a large n runs
// out, so the loop stops there with the same answer.
double Roots(double value, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    double next = std::sqrt(value);
    if (next == value || (std::isnan(next) && std::isnan(value))) break;
    value = next;
  }
  return value;
}

Outcome Num(Number n) { return Outcome{n, nullptr}; }
Outcome Val(VarRef v) { return Outcome{Number(), std::move(v)}; }

// A concatenation that would pass the text cap is not done: the left text stands.
bool FitsText(size_t have, size_t add) { return add <= kMaxTextBytes && have <= kMaxTextBytes - add; }

Outcome Concatenate(const Operand& l, const Operand& r) {
  std::string text = l.GetString();
  const std::string right = r.GetString();
  if (FitsText(text.size(), right.size())) text += right;
  return Val(NewString(std::move(text)));
}

Outcome Arithmetic(int32_t op, const Operand& l, const Operand& r, bool stringTimesBool) {
  Types t = TypesOf(l, r);
  switch (op) {
    case kOpPlus:
      if (t.Either(kTypeString)) return Concatenate(l, r);
      if (t.Either(kTypeInt64)) return Num(Number::Int64(Add64(l.GetInt64(), r.GetInt64())));
      if (t.Either(kTypeDouble)) return Num(Number::Double(l.GetDouble() + r.GetDouble()));
      return Num(Number::Int(Wrap32(int64_t{l.GetLong()} + r.GetLong())));
    case kOpMinus:
      if (t.Either(kTypeInt64)) return Num(Number::Int64(Sub64(l.GetInt64(), r.GetInt64())));
      if (t.Either(kTypeDouble)) return Num(Number::Double(l.GetDouble() - r.GetDouble()));
      return Num(Number::Int(Wrap32(int64_t{l.GetLong()} - r.GetLong())));
    case kOpTimes:
      if (t.Either(kTypeInt64)) return Num(Number::Int64(Mul64(l.GetInt64(), r.GetInt64())));
      if (t.Either(kTypeDouble)) return Num(Number::Double(l.GetDouble() * r.GetDouble()));
      if (stringTimesBool && t.left == kTypeString && t.right == kTypeBool) {
        return Val(NewString(r.GetBool() ? l.GetString() : std::string()));
      }
      if (stringTimesBool && t.left == kTypeBool && t.right == kTypeString) {
        return Val(NewString(l.GetBool() ? r.GetString() : std::string()));
      }
      return Num(Number::Int(Wrap32(int64_t{l.GetLong()} * r.GetLong())));
    case kOpDivide:
      if (t.Either(kTypeInt64)) return Num(Number::Int64(Divide<int64_t>(l.GetInt64(), r.GetInt64())));
      if (t.Either(kTypeDouble)) return Num(Number::Double(DivideDouble(l.GetDouble(), r.GetDouble())));
      return Num(Number::Int(Divide<int32_t>(l.GetLong(), r.GetLong())));
    case kOpModulo:
      if (t.Either(kTypeInt64) || t.Either(kTypeDouble)) {
        return Num(Number::Int64(Remainder<int64_t>(l.GetInt64(), r.GetInt64())));
      }
      return Num(Number::Int(Remainder<int32_t>(l.GetLong(), r.GetLong())));
    default:
      return Outcome{};
  }
}

Outcome Bitwise(int32_t op, const Operand& l, const Operand& r) {
  Types t = TypesOf(l, r);
  bool wide = t.Either(kTypeInt64) || t.Either(kTypeDouble);
  if (wide) {
    int64_t a = l.GetInt64(), b = r.GetInt64();
    switch (op) {
      case kOpXor: return Num(Number::Int64(a ^ b));
      case kOpAnd: return Num(Number::Int64(a & b));
      case kOpOr: return Num(Number::Int64(a | b));
      case kOpShiftLeft: return Num(Number::Int64(Shift64(a, b, true)));
      case kOpShiftRight: return Num(Number::Int64(Shift64(a, b, false)));
    }
  } else {
    int32_t a = l.GetLong(), b = r.GetLong();
    switch (op) {
      case kOpXor: return Num(Number::Int(a ^ b));
      case kOpAnd: return Num(Number::Int(a & b));
      case kOpOr: return Num(Number::Int(a | b));
      case kOpShiftLeft: return Num(Number::Int(Shift32(a, b, true)));
      case kOpShiftRight: return Num(Number::Int(Shift32(a, b, false)));
    }
  }
  return Outcome{};
}

bool Equal(const Operand& l, const Operand& r) {
  Types t = TypesOf(l, r);
  if (t.Either(kTypeString)) return CompareText(l, r) == 0;
  if (t.Either(kTypeInt64)) return l.GetInt64() == r.GetInt64();
  if (t.Either(kTypeDouble)) return l.GetDouble() == r.GetDouble();
  if (t.Either(kTypeInt)) return l.GetLong() == r.GetLong();
  if (t.Either(kTypeBool)) return l.GetBool() == r.GetBool();
  // Identity; an empty reference equals NULL. Both sides are values here: numbers have a
  // numeric type and were decided above.
  return l.Var()->GetTarget() == r.Var()->GetTarget();
}

// -1, 0 or 1 for the ordering comparisons.
int Order(const Operand& l, const Operand& r) {
  Types t = TypesOf(l, r);
  if (t.Either(kTypeString)) return CompareText(l, r);
  if (t.Either(kTypeInt64)) {
    int64_t a = l.GetInt64(), b = r.GetInt64();
    return a < b ? -1 : a > b ? 1 : 0;
  }
  if (t.Either(kTypeDouble)) {
    double a = l.GetDouble(), b = r.GetDouble();
    return a < b ? -1 : a > b ? 1 : a == b ? 0 : 2;  // 2: unordered (NaN), every test false
  }
  int32_t a = l.GetLong(), b = r.GetLong();
  return a < b ? -1 : a > b ? 1 : 0;
}

int NumberOrder(const Number& l, const Number& r, bool wide, bool real) {
  if (wide) {
    int64_t a = l.GetInt64(), b = r.GetInt64();
    return a < b ? -1 : a > b ? 1 : 0;
  }
  if (real) {
    double a = l.GetDouble(), b = r.GetDouble();
    return a < b ? -1 : a > b ? 1 : a == b ? 0 : 2;
  }
  int32_t a = l.GetLong(), b = r.GetLong();
  return a < b ? -1 : a > b ? 1 : 0;
}

}  // namespace

// The branches below are those of Arithmetic, Bitwise, Equal and Order with the text branches
// left out (a number is never text).
bool NumberCompare(int32_t op, const Number& l, const Number& r) {
  const bool wide = l.type == kTypeInt64 || r.type == kTypeInt64;
  const bool real = l.type == kTypeDouble || r.type == kTypeDouble;
  if (op == kOpEqual || op == kOpNotEqual) {
    bool equal;
    if (wide) equal = l.GetInt64() == r.GetInt64();
    else if (real) equal = l.GetDouble() == r.GetDouble();
    else if (l.type == kTypeInt || r.type == kTypeInt) equal = l.GetLong() == r.GetLong();
    else equal = l.GetBool() == r.GetBool();
    return op == kOpEqual ? equal : !equal;
  }
  const int o = NumberOrder(l, r, wide, real);
  switch (op) {
    case kOpLess: return o == -1;
    case kOpGreater: return o == 1;
    case kOpLessEqual: return o == -1 || o == 0;
    case kOpGreaterEqual: return o == 1 || o == 0;
    default: return false;
  }
}

Number NumberBinary(int32_t op, const Number& l, const Number& r) {
  const bool wide = l.type == kTypeInt64 || r.type == kTypeInt64;
  const bool real = l.type == kTypeDouble || r.type == kTypeDouble;
  switch (op) {
    case kOpPlus:
      if (wide) return Number::Int64(Add64(l.GetInt64(), r.GetInt64()));
      if (real) return Number::Double(l.GetDouble() + r.GetDouble());
      return Number::Int(Wrap32(int64_t{l.GetLong()} + r.GetLong()));
    case kOpMinus:
      if (wide) return Number::Int64(Sub64(l.GetInt64(), r.GetInt64()));
      if (real) return Number::Double(l.GetDouble() - r.GetDouble());
      return Number::Int(Wrap32(int64_t{l.GetLong()} - r.GetLong()));
    case kOpTimes:
      if (wide) return Number::Int64(Mul64(l.GetInt64(), r.GetInt64()));
      if (real) return Number::Double(l.GetDouble() * r.GetDouble());
      return Number::Int(Wrap32(int64_t{l.GetLong()} * r.GetLong()));
    case kOpDivide:
      if (wide) return Number::Int64(Divide<int64_t>(l.GetInt64(), r.GetInt64()));
      if (real) return Number::Double(DivideDouble(l.GetDouble(), r.GetDouble()));
      return Number::Int(Divide<int32_t>(l.GetLong(), r.GetLong()));
    case kOpModulo:
      if (wide || real) return Number::Int64(Remainder<int64_t>(l.GetInt64(), r.GetInt64()));
      return Number::Int(Remainder<int32_t>(l.GetLong(), r.GetLong()));
    case kOpXor: case kOpAnd: case kOpOr: case kOpShiftLeft: case kOpShiftRight:
      if (wide || real) {
        int64_t a = l.GetInt64(), b = r.GetInt64();
        if (op == kOpXor) return Number::Int64(a ^ b);
        if (op == kOpAnd) return Number::Int64(a & b);
        if (op == kOpOr) return Number::Int64(a | b);
        return Number::Int64(Shift64(a, b, op == kOpShiftLeft));
      } else {
        int32_t a = l.GetLong(), b = r.GetLong();
        if (op == kOpXor) return Number::Int(a ^ b);
        if (op == kOpAnd) return Number::Int(a & b);
        if (op == kOpOr) return Number::Int(a | b);
        return Number::Int(Shift32(a, b, op == kOpShiftLeft));
      }
    case kOpPower:
      if (wide) return Number::Int64(0);
      return Number::Double(std::pow(l.GetDouble(), r.GetDouble()));
    case kOpRoot:
      if (wide) return Number::Int64(0);
      return Number::Double(Roots(l.GetDouble(), r.GetLong()));
    case kOpEqual: case kOpNotEqual: case kOpLess: case kOpGreater: case kOpLessEqual:
    case kOpGreaterEqual:
      return Number::Bool(NumberCompare(op, l, r));
    case kOpLogicalAnd: return Number::Bool(l.GetBool() && r.GetBool());
    case kOpLogicalOr: return Number::Bool(l.GetBool() || r.GetBool());
    default:
      return Number::Int(0);
  }
}

int32_t AssignmentOperation(int32_t op) {
  switch (op) {
    case kOpTimesAssign: return kOpTimes;
    case kOpDivideAssign: return kOpDivide;
    case kOpPlusAssign: return kOpPlus;
    case kOpMinusAssign: return kOpMinus;
    case kOpShiftLeftAssign: return kOpShiftLeft;
    case kOpShiftRightAssign: return kOpShiftRight;
    case kOpAndAssign: return kOpAnd;
    case kOpOrAssign: return kOpOr;
    case kOpXorAssign: return kOpXor;
    default: return 0;
  }
}

bool Compare(int32_t op, const Operand& l, const Operand& r) {
  switch (op) {
    case kOpEqual: return Equal(l, r);
    case kOpNotEqual: return !Equal(l, r);
    case kOpLess: return Order(l, r) == -1;
    case kOpGreater: return Order(l, r) == 1;
    case kOpLessEqual: { int o = Order(l, r); return o == -1 || o == 0; }
    case kOpGreaterEqual: { int o = Order(l, r); return o == 1 || o == 0; }
    default: return Binary(op, l, r).TakeValue()->GetBool();
  }
}

Outcome Binary(int32_t op, const Operand& l, const Operand& r) {
  switch (op) {
    case kOpPlus: case kOpMinus: case kOpTimes: case kOpDivide: case kOpModulo:
      return Arithmetic(op, l, r, true);
    case kOpXor: case kOpAnd: case kOpOr: case kOpShiftLeft: case kOpShiftRight:
      return Bitwise(op, l, r);
    case kOpPower:
      if (TypesOf(l, r).Either(kTypeInt64)) return Num(Number::Int64(0));
      return Num(Number::Double(std::pow(l.GetDouble(), r.GetDouble())));
    case kOpRoot:
      if (TypesOf(l, r).Either(kTypeInt64)) return Num(Number::Int64(0));
      return Num(Number::Double(Roots(l.GetDouble(), r.GetLong())));
    case kOpEqual: case kOpNotEqual: case kOpLess: case kOpGreater: case kOpLessEqual:
    case kOpGreaterEqual:
      return Num(Number::Bool(Compare(op, l, r)));
    case kOpLogicalAnd: return Num(Number::Bool(l.GetBool() && r.GetBool()));
    case kOpLogicalOr: return Num(Number::Bool(l.GetBool() || r.GetBool()));
    default:
      return Num(Number::Int(0));  // operators without an operation of their own
  }
}

Outcome Unary(int32_t op, const Operand& v) {
  int type = v.Type();
  switch (op) {
    case kOpNot:
      return Num(Number::Bool(!v.GetBool()));
    case kOpComplement:
      if (type == kTypeInt64 || type == kTypeDouble) return Num(Number::Int64(~v.GetInt64()));
      return Num(Number::Int(~v.GetLong()));
    case kOpUnaryMinus:
      if (type == kTypeDouble) return Num(Number::Double(-v.GetDouble()));
      if (type == kTypeInt64) return Num(Number::Int64(Sub64(0, v.GetInt64())));
      return Num(Number::Int(Wrap32(-int64_t{v.GetLong()})));
    case kOpUnaryPlus:
      if (type == kTypeDouble) return Num(Number::Double(v.GetDouble()));
      if (type == kTypeInt64) return Num(Number::Int64(v.GetInt64()));
      return Num(Number::Int(v.GetLong()));
    default:
      return Num(Number::Int(0));
  }
}

void CompoundAssign(int32_t op, TOL_Var* l, const Operand& r) {
  const archive::ClassInfo* leftClass = &l->GetRuntimeClass();
  // INT into INT: the sum, difference or product is stored straight away; computing it as a new
  // INT and assigning that gives the same value.
  if (leftClass == &TOL_VarInt::kClassInfo && r.Type() == kTypeInt &&
      (op == kOpPlusAssign || op == kOpMinusAssign || op == kOpTimesAssign) &&
      (!r.Var() || &r.Var()->GetRuntimeClass() == &TOL_VarInt::kClassInfo)) {
    auto* target = static_cast<TOL_VarInt*>(l);
    int64_t a = target->Value(), b = r.GetLong();
    int64_t v = op == kOpPlusAssign ? a + b : op == kOpMinusAssign ? a - b : a * b;
    target->SetValue(Wrap32(v));
    return;
  }
  Outcome result;
  switch (op) {
    case kOpPlusAssign:
      // Appending to a STRING variable in place gives the same text as computing the sum and
      // assigning it, without copying the whole text every time.
      if (leftClass == &TOL_VarString::kClassInfo) {
        auto* text = static_cast<TOL_VarString*>(l);
        TOL_Var* source = r.Var();
        if (source && &source->GetRuntimeClass() == &TOL_VarString::kClassInfo && source != l) {
          const std::string& right = static_cast<TOL_VarString*>(source)->Value();
          if (FitsText(text->Value().size(), right.size())) text->MutableValue() += right;
        } else {
          const std::string right = r.GetString();
          if (FitsText(text->Value().size(), right.size())) text->MutableValue() += right;
        }
        return;
      }
      result = Arithmetic(kOpPlus, Operand(l), r, false);
      break;
    case kOpMinusAssign: {
      Types t = TypesOf(Operand(l), r);
      result = Arithmetic(kOpMinus, Operand(l), r, false);
      // With text on either side the difference is stored as a one-character STRING: the
      // character whose code is the low byte of the INT difference.
      if (t.Either(kTypeString)) {
        VarRef difference = result.TakeValue();
        result = Val(NewString(std::string(1, static_cast<char>(difference->GetLong() & 0xFF))));
      }
      break;
    }
    case kOpTimesAssign: result = Arithmetic(kOpTimes, Operand(l), r, false); break;
    case kOpDivideAssign: result = Arithmetic(kOpDivide, Operand(l), r, false); break;
    case kOpShiftLeftAssign: result = Bitwise(kOpShiftLeft, Operand(l), r); break;
    case kOpShiftRightAssign: result = Bitwise(kOpShiftRight, Operand(l), r); break;
    case kOpAndAssign: result = Bitwise(kOpAnd, Operand(l), r); break;
    case kOpOrAssign: result = Bitwise(kOpOr, Operand(l), r); break;
    case kOpXorAssign: result = Bitwise(kOpXor, Operand(l), r); break;
    default: return;
  }
  if (result.value) {
    l->Assign(result.value.get());
  } else if (result.number.type != kTypeNone) {
    // The computed value would be made, assigned from and dropped: a number the target can
    // take directly stands for it, counted as that value would have been.
    if (AssignNumber(l, result.number)) {
      Registry::ReserveUnmade();
      Registry::DropUnmade();
    } else {
      l->Assign(result.number.MakeValue().get());
    }
  }
}

}  // namespace tav::script
