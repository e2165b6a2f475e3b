#include "script/compile/operator_table.h"

#include "script/core/operators.h"

namespace tav::script {

const OperatorEntry kOperators[kOperatorCount] = {
    {"**", 100, kBinaryOnly, kOpPower},          {"//", 100, kBinaryOnly, kOpRoot},
    {"<<", 80, kBinaryOnly, kOpShiftLeft},       {">>", 80, kBinaryOnly, kOpShiftRight},
    {"==", 60, kBinaryOnly, kOpEqual},           {"=", 15, kBinaryOnly, kOpAssign},
    {"*=", 15, kBinaryOnly, kOpTimesAssign},     {"/=", 15, kBinaryOnly, kOpDivideAssign},
    {"+=", 15, kBinaryOnly, kOpPlusAssign},      {"-=", 15, kBinaryOnly, kOpMinusAssign},
    {"<<=", 15, kBinaryOnly, kOpShiftLeftAssign}, {">>=", 15, kBinaryOnly, kOpShiftRightAssign},
    {"&=", 15, kBinaryOnly, kOpAndAssign},       {"|=", 15, kBinaryOnly, kOpOrAssign},
    {"^=", 15, kBinaryOnly, kOpXorAssign},       {"@-", 110, kPrefixOnly, kOpUnaryMinus},
    {"@+", 110, kPrefixOnly, kOpUnaryPlus},      {"->", 3000, kBinaryOnly, 0},
    {".", 3010, kBinaryOnly, kOpMember},         {"&&", 30, kBinaryOnly, kOpLogicalAnd},
    {"||", 20, kBinaryOnly, kOpLogicalOr},       {"!=", 60, kBinaryOnly, kOpNotEqual},
    {">=", 70, kBinaryOnly, kOpGreaterEqual},    {"<=", 70, kBinaryOnly, kOpLessEqual},
    {">", 70, kBinaryOnly, kOpGreater},          {"<", 70, kBinaryOnly, kOpLess},
    {"+", 90, kBinaryOrPrefix, kOpPlus},         {"-", 90, kBinaryOrPrefix, kOpMinus},
    {"*", 100, kBinaryOnly, kOpTimes},           {"/", 100, kBinaryOnly, kOpDivide},
    {"%", 100, kBinaryOnly, kOpModulo},          {"^", 110, kBinaryOnly, kOpXor},
    {"(", 2000, kBinaryOnly, 0},                 {")", 0, kBinaryOnly, 0},
    {"[", 2010, kBinaryOnly, kOpIndex},                 {"]", 0, kBinaryOnly, 0},
    {"&", 50, kBinaryOnly, kOpAnd},              {"|", 40, kBinaryOnly, kOpOr},
    {"!", 120, kPrefixOnly, kOpNot},             {"~", 120, kPrefixOnly, kOpComplement},
    {",", 10, kBinaryOnly, kOpComma},
};

const OperatorEntry* MatchOperator(std::string_view text) {
  const OperatorEntry* best = nullptr;
  for (const OperatorEntry& entry : kOperators) {
    if (text.substr(0, entry.token.size()) == entry.token &&
        (!best || entry.token.size() > best->token.size())) {
      best = &entry;
    }
  }
  return best;
}

const OperatorEntry* FindOperator(std::string_view token) {
  for (const OperatorEntry& entry : kOperators) {
    if (entry.token == token) return &entry;
  }
  return nullptr;
}

}  // namespace tav::script
