// Operator semantics. The branch taken depends on the operands' type codes, tested in a fixed
// order ("either STRING", then "either INT64", ...); the answer is always a new value.

#include "script/operators.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "script/scalars.h"
#include "script/string_text.h"

namespace tav::script {
namespace {

struct Types {
  int left, right;
  bool Either(int type) const { return left == type || right == type; }
};

Types TypesOf(TOL_Var* l, TOL_Var* r) { return {l->GetType(), r->GetType()}; }

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

int CompareText(TOL_Var* l, TOL_Var* r) {
  std::string a = l->GetString(), b = r->GetString();
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

VarRef Bool(bool v) { return NewBool(v); }

// A concatenation that would pass the text cap is not done: the left text stands.
bool FitsText(size_t have, size_t add) { return add <= kMaxTextBytes && have <= kMaxTextBytes - add; }

VarRef Concatenate(TOL_Var* l, TOL_Var* r) {
  std::string text = l->GetString();
  const std::string right = r->GetString();
  if (FitsText(text.size(), right.size())) text += right;
  return NewString(std::move(text));
}

VarRef Arithmetic(int32_t op, TOL_Var* l, TOL_Var* r, bool stringTimesBool) {
  Types t = TypesOf(l, r);
  switch (op) {
    case kOpPlus:
      if (t.Either(kTypeString)) return Concatenate(l, r);
      if (t.Either(kTypeInt64)) return NewInt64(Add64(l->GetInt64(), r->GetInt64()));
      if (t.Either(kTypeDouble)) return NewDouble(l->GetDouble() + r->GetDouble());
      return NewInt(Wrap32(int64_t{l->GetLong()} + r->GetLong()));
    case kOpMinus:
      if (t.Either(kTypeInt64)) return NewInt64(Sub64(l->GetInt64(), r->GetInt64()));
      if (t.Either(kTypeDouble)) return NewDouble(l->GetDouble() - r->GetDouble());
      return NewInt(Wrap32(int64_t{l->GetLong()} - r->GetLong()));
    case kOpTimes:
      if (t.Either(kTypeInt64)) return NewInt64(Mul64(l->GetInt64(), r->GetInt64()));
      if (t.Either(kTypeDouble)) return NewDouble(l->GetDouble() * r->GetDouble());
      if (stringTimesBool && t.left == kTypeString && t.right == kTypeBool) {
        return NewString(r->GetBool() ? l->GetString() : std::string());
      }
      if (stringTimesBool && t.left == kTypeBool && t.right == kTypeString) {
        return NewString(l->GetBool() ? r->GetString() : std::string());
      }
      return NewInt(Wrap32(int64_t{l->GetLong()} * r->GetLong()));
    case kOpDivide:
      if (t.Either(kTypeInt64)) return NewInt64(Divide<int64_t>(l->GetInt64(), r->GetInt64()));
      if (t.Either(kTypeDouble)) return NewDouble(DivideDouble(l->GetDouble(), r->GetDouble()));
      return NewInt(Divide<int32_t>(l->GetLong(), r->GetLong()));
    case kOpModulo:
      if (t.Either(kTypeInt64) || t.Either(kTypeDouble)) {
        return NewInt64(Remainder<int64_t>(l->GetInt64(), r->GetInt64()));
      }
      return NewInt(Remainder<int32_t>(l->GetLong(), r->GetLong()));
    default:
      return nullptr;
  }
}

VarRef Bitwise(int32_t op, TOL_Var* l, TOL_Var* r) {
  Types t = TypesOf(l, r);
  bool wide = t.Either(kTypeInt64) || t.Either(kTypeDouble);
  if (wide) {
    int64_t a = l->GetInt64(), b = r->GetInt64();
    switch (op) {
      case kOpXor: return NewInt64(a ^ b);
      case kOpAnd: return NewInt64(a & b);
      case kOpOr: return NewInt64(a | b);
      case kOpShiftLeft: return NewInt64(Shift64(a, b, true));
      case kOpShiftRight: return NewInt64(Shift64(a, b, false));
    }
  } else {
    int32_t a = l->GetLong(), b = r->GetLong();
    switch (op) {
      case kOpXor: return NewInt(a ^ b);
      case kOpAnd: return NewInt(a & b);
      case kOpOr: return NewInt(a | b);
      case kOpShiftLeft: return NewInt(Shift32(a, b, true));
      case kOpShiftRight: return NewInt(Shift32(a, b, false));
    }
  }
  return nullptr;
}

bool Equal(TOL_Var* l, TOL_Var* r) {
  Types t = TypesOf(l, r);
  if (t.Either(kTypeString)) return CompareText(l, r) == 0;
  if (t.Either(kTypeInt64)) return l->GetInt64() == r->GetInt64();
  if (t.Either(kTypeDouble)) return l->GetDouble() == r->GetDouble();
  if (t.Either(kTypeInt)) return l->GetLong() == r->GetLong();
  if (t.Either(kTypeBool)) return l->GetBool() == r->GetBool();
  return l->GetTarget() == r->GetTarget();  // identity; an empty reference equals NULL
}

// -1, 0 or 1 for the ordering comparisons.
int Order(TOL_Var* l, TOL_Var* r) {
  Types t = TypesOf(l, r);
  if (t.Either(kTypeString)) return CompareText(l, r);
  if (t.Either(kTypeInt64)) {
    int64_t a = l->GetInt64(), b = r->GetInt64();
    return a < b ? -1 : a > b ? 1 : 0;
  }
  if (t.Either(kTypeDouble)) {
    double a = l->GetDouble(), b = r->GetDouble();
    return a < b ? -1 : a > b ? 1 : a == b ? 0 : 2;  // 2: unordered (NaN), every test false
  }
  int32_t a = l->GetLong(), b = r->GetLong();
  return a < b ? -1 : a > b ? 1 : 0;
}

}  // namespace

bool Compare(int32_t op, TOL_Var* l, TOL_Var* r) {
  switch (op) {
    case kOpEqual: return Equal(l, r);
    case kOpNotEqual: return !Equal(l, r);
    case kOpLess: return Order(l, r) == -1;
    case kOpGreater: return Order(l, r) == 1;
    case kOpLessEqual: { int o = Order(l, r); return o == -1 || o == 0; }
    case kOpGreaterEqual: { int o = Order(l, r); return o == 1 || o == 0; }
    default: return BinaryOperation(op, l, r)->GetBool();
  }
}

VarRef BinaryOperation(int32_t op, TOL_Var* l, TOL_Var* r) {
  switch (op) {
    case kOpPlus: case kOpMinus: case kOpTimes: case kOpDivide: case kOpModulo:
      return Arithmetic(op, l, r, true);
    case kOpXor: case kOpAnd: case kOpOr: case kOpShiftLeft: case kOpShiftRight:
      return Bitwise(op, l, r);
    case kOpPower:
      if (TypesOf(l, r).Either(kTypeInt64)) return NewInt64(0);
      return NewDouble(std::pow(l->GetDouble(), r->GetDouble()));
    case kOpRoot:
      if (TypesOf(l, r).Either(kTypeInt64)) return NewInt64(0);
      return NewDouble(Roots(l->GetDouble(), r->GetLong()));
    case kOpEqual: case kOpNotEqual: case kOpLess: case kOpGreater: case kOpLessEqual:
    case kOpGreaterEqual:
      return Bool(Compare(op, l, r));
    case kOpLogicalAnd: return Bool(l->GetBool() && r->GetBool());
    case kOpLogicalOr: return Bool(l->GetBool() || r->GetBool());
    default:
      return NewInt(0);  // operators without an operation of their own
  }
}

VarRef UnaryOperation(int32_t op, TOL_Var* v) {
  int type = v->GetType();
  switch (op) {
    case kOpNot:
      return NewBool(!v->GetBool());
    case kOpComplement:
      if (type == kTypeInt64 || type == kTypeDouble) return NewInt64(~v->GetInt64());
      return NewInt(~v->GetLong());
    case kOpUnaryMinus:
      if (type == kTypeDouble) return NewDouble(-v->GetDouble());
      if (type == kTypeInt64) return NewInt64(Sub64(0, v->GetInt64()));
      return NewInt(Wrap32(-int64_t{v->GetLong()}));
    case kOpUnaryPlus:
      if (type == kTypeDouble) return NewDouble(v->GetDouble());
      if (type == kTypeInt64) return NewInt64(v->GetInt64());
      return NewInt(v->GetLong());
    default:
      return NewInt(0);
  }
}

void CompoundAssign(int32_t op, TOL_Var* l, TOL_Var* r) {
  // INT into INT: the sum, difference or product is stored straight away; computing it as a new
  // INT and assigning that gives the same value.
  if (&l->GetRuntimeClass() == &TOL_VarInt::kClassInfo && &r->GetRuntimeClass() == &TOL_VarInt::kClassInfo &&
      (op == kOpPlusAssign || op == kOpMinusAssign || op == kOpTimesAssign)) {
    auto* target = static_cast<TOL_VarInt*>(l);
    int64_t a = target->Value(), b = static_cast<TOL_VarInt*>(r)->Value();
    int64_t v = op == kOpPlusAssign ? a + b : op == kOpMinusAssign ? a - b : a * b;
    target->SetValue(Wrap32(v));
    return;
  }
  VarRef result;
  switch (op) {
    case kOpPlusAssign:
      // Appending to a STRING variable in place gives the same text as computing the sum and
      // assigning it, without copying the whole text every time.
      if (&l->GetRuntimeClass() == &TOL_VarString::kClassInfo) {
        auto* text = static_cast<TOL_VarString*>(l);
        if (&r->GetRuntimeClass() == &TOL_VarString::kClassInfo && r != l) {
          const std::string& right = static_cast<TOL_VarString*>(r)->Value();
          if (FitsText(text->Value().size(), right.size())) text->MutableValue() += right;
        } else {
          const std::string right = r->GetString();
          if (FitsText(text->Value().size(), right.size())) text->MutableValue() += right;
        }
        return;
      }
      result = Arithmetic(kOpPlus, l, r, false);
      break;
    case kOpMinusAssign: {
      Types t = TypesOf(l, r);
      result = Arithmetic(kOpMinus, l, r, false);
      // With text on either side the difference is stored as a one-character STRING: the
      // character whose code is the low byte of the INT difference.
      if (t.Either(kTypeString)) result = NewString(std::string(1, static_cast<char>(result->GetLong() & 0xFF)));
      break;
    }
    case kOpTimesAssign: result = Arithmetic(kOpTimes, l, r, false); break;
    case kOpDivideAssign: result = Arithmetic(kOpDivide, l, r, false); break;
    case kOpShiftLeftAssign: result = Bitwise(kOpShiftLeft, l, r); break;
    case kOpShiftRightAssign: result = Bitwise(kOpShiftRight, l, r); break;
    case kOpAndAssign: result = Bitwise(kOpAnd, l, r); break;
    case kOpOrAssign: result = Bitwise(kOpOr, l, r); break;
    case kOpXorAssign: result = Bitwise(kOpXor, l, r); break;
    default: return;
  }
  if (result) l->Assign(result.get());
}

}  // namespace tav::script
