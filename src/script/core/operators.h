// The operators of the expression language and their semantics on values.
//
// The evaluator dispatches on these codes; native methods that must combine values the way
// scripts do (a running total, for example) call the same functions.
#pragma once

#include <string>

#include "script/core/number_value.h"
#include "script/core/var.h"

namespace tav::script {

enum OperatorCode : int32_t {
  kOpPlus = 7, kOpMinus = 8, kOpUnaryPlus = 9, kOpUnaryMinus = 10, kOpTimes = 11, kOpDivide = 12,
  kOpXor = 13, kOpModulo = 14, kOpAnd = 15, kOpOr = 16, kOpMember = 17, kOpEqual = 18,
  kOpNotEqual = 19, kOpGreaterEqual = 20, kOpLessEqual = 21, kOpLess = 22, kOpGreater = 23,
  kOpLogicalAnd = 24, kOpLogicalOr = 25, kOpPower = 26, kOpRoot = 27, kOpNot = 28,
  kOpComplement = 29, kOpShiftLeft = 30, kOpShiftRight = 31, kOpAssign = 32,
  kOpTimesAssign = 33, kOpDivideAssign = 34, kOpPlusAssign = 35, kOpMinusAssign = 36,
  kOpShiftLeftAssign = 37, kOpShiftRightAssign = 38, kOpAndAssign = 39, kOpOrAssign = 40,
  kOpXorAssign = 41, kOpIndex = 42, kOpComma = 43,
};

// What an operator reads: a value, or a number the evaluator keeps without a value. Either
// answers its type and conversions exactly as the value would.
class Operand {
 public:
  explicit Operand(TOL_Var* value) : var_(value), type_(value->GetType()) {}
  explicit Operand(const Number& number) : type_(number.type), number_(number) {}

  int Type() const { return type_; }
  bool GetBool() const { return var_ ? var_->GetBool() : number_.GetBool(); }
  int32_t GetLong() const { return var_ ? var_->GetLong() : number_.GetLong(); }
  double GetDouble() const { return var_ ? var_->GetDouble() : number_.GetDouble(); }
  int64_t GetInt64() const { return var_ ? var_->GetInt64() : number_.GetInt64(); }
  std::string GetString() const { return var_ ? var_->GetString() : number_.GetString(); }
  // The value; null for a number (operators reach for it only past every numeric branch).
  TOL_Var* Var() const { return var_; }

 private:
  TOL_Var* var_ = nullptr;
  int type_;
  Number number_;
};

// An operator's answer: a number, or a value (text, and the answers of operators without an
// operation of their own). Making the value of a number is left to the caller, which may need
// only the number.
struct Outcome {
  Number number;
  VarRef value;
  VarRef TakeValue() { return value ? std::move(value) : number.MakeValue(); }
};

// `left op right` for the arithmetic, bitwise, comparison and logical binary operators (not
// assignment, member, index or comma).
Outcome Binary(int32_t op, const Operand& left, const Operand& right);
// The prefix operators.
Outcome Unary(int32_t op, const Operand& operand);
// The truth of a comparison ("==", "!=", "<", "<=", ">", ">="), as Binary would answer it.
bool Compare(int32_t op, const Operand& left, const Operand& right);
// `left op= right`: computes and assigns into `left` (as its Assign would).
void CompoundAssign(int32_t op, TOL_Var* left, const Operand& right);

// The same on two numbers, which need none of the text and identity branches: the arithmetic,
// bitwise, comparison and logical operators, and the assignment operators' own operations.
Number NumberBinary(int32_t op, const Number& left, const Number& right);
bool NumberCompare(int32_t op, const Number& left, const Number& right);
// The operation `op=` applies before assigning ("+" for "+="); 0 for other operators.
int32_t AssignmentOperation(int32_t op);

// The same on values: every answer is a new value.
inline VarRef BinaryOperation(int32_t op, TOL_Var* left, TOL_Var* right) {
  return Binary(op, Operand(left), Operand(right)).TakeValue();
}
inline bool Compare(int32_t op, TOL_Var* left, TOL_Var* right) { return Compare(op, Operand(left), Operand(right)); }
inline VarRef UnaryOperation(int32_t op, TOL_Var* operand) { return Unary(op, Operand(operand)).TakeValue(); }
inline void CompoundAssign(int32_t op, TOL_Var* left, TOL_Var* right) { CompoundAssign(op, left, Operand(right)); }

}  // namespace tav::script
