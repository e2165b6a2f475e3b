// The operators of the expression language and their semantics on values.
//
// The evaluator dispatches on these codes; native methods that must combine values the way
// scripts do (a running total, for example) call the same functions.
#pragma once

#include "script/var.h"

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

// A new value: `left op right` for the arithmetic, bitwise, comparison and logical binary
// operators (not assignment, member, index or comma).
VarRef BinaryOperation(int32_t op, TOL_Var* left, TOL_Var* right);
// The truth of a comparison ("==", "!=", "<", "<=", ">", ">="), as BinaryOperation would answer
// it, without making the BOOL.
bool Compare(int32_t op, TOL_Var* left, TOL_Var* right);
// A new value for the prefix operators.
VarRef UnaryOperation(int32_t op, TOL_Var* operand);
// `left op= right`: computes and assigns into `left` (by its Assign).
void CompoundAssign(int32_t op, TOL_Var* left, TOL_Var* right);

}  // namespace tav::script
