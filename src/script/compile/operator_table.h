// The compiler's operator table: token, precedence and whether an operator is binary, prefix
// or either. The tokenizer tries the entries in table order; where one token is a prefix of
// another ("<<" of "<<="), the longer one wins.
#pragma once

#include <cstdint>
#include <string_view>

namespace tav::script {

enum OperatorClass : int8_t {
  kBinaryOnly = 2,
  kPrefixOnly = 1,
  kBinaryOrPrefix = -1,
};

struct OperatorEntry {
  std::string_view token;
  int precedence;
  OperatorClass kind;
  int32_t code;  // item code; 0 for brackets and for "->", which has no operation
};

inline constexpr int kOperandPrecedence = 10000;
inline constexpr int kOperatorCount = 41;
extern const OperatorEntry kOperators[kOperatorCount];

// The entry whose token starts `text` (longest match), or null.
const OperatorEntry* MatchOperator(std::string_view text);
// The entry of a token ("@-" for unary minus and so on), or null.
const OperatorEntry* FindOperator(std::string_view token);

}  // namespace tav::script
