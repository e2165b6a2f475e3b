// Compiling an expression text into postfix formula items, in three passes:
//   1. squeeze: drop blanks outside quotes into a bounded work buffer;
//   2. tokenise and reorder into postfix with an operator stack (operator precedence);
//   3. turn each output token into a formula item (literal, name, operator, call).
// Quotes, escapes and Shift-JIS trail bytes are honoured in both text passes: a trail byte is
// never a quote, a backslash or an operator.

#include <cstdlib>
#include <limits>
#include <typeinfo>

#include "encoding/sjis.h"
#include "script/text/blank_text.h"
#include "script/core/call_plan.h"
#include "script/text/compile_error.h"
#include "script/compile/constants.h"
#include "script/core/formulate.h"
#include "script/core/numeric_plan.h"
#include "script/text/number_text.h"
#include "script/compile/operator_table.h"
#include "script/core/operators.h"
#include "script/core/scalars.h"

namespace tav::script {
namespace {

constexpr size_t kMaxExpression = 2046;
constexpr size_t kMaxToken = 254;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool Fail(std::string reason) {
  SetCompileError(std::move(reason));
  return false;
}

std::string Printable(unsigned char c) {
  if (c >= 0x20 && c < 0x7F) return std::string("'") + static_cast<char>(c) + "'";
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "0x%02X", c);
  return buffer;
}

// Pass 1.
bool Squeeze(std::string_view text, std::string& out) {
  out.clear();
  bool inDouble = false, inSingle = false, escaped = false;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    bool quoted = inDouble || inSingle;
    if (!quoted && IsBlank(c)) continue;
    if (out.size() == kMaxExpression) return Fail("expression longer than 2046 characters");
    out.push_back(static_cast<char>(c));
    if (escaped) {
      escaped = false;
    } else if (platform::IsSjisLeadByte(c) && i + 1 < text.size() && platform::IsSjisTrailByte(static_cast<unsigned char>(text[i + 1]))) {
      if (out.size() == kMaxExpression) return Fail("expression longer than 2046 characters");
      out.push_back(text[++i]);
    } else if (c == '\\') {
      escaped = true;
    } else if (c == '"' && !inSingle) {
      inDouble = !inDouble;
    } else if (c == '\'' && !inDouble) {
      inSingle = !inSingle;
    }
  }
  return true;
}

enum class TokenKind { kOperand, kOperator, kCall };

struct OutToken {
  TokenKind kind;
  std::string text;                      // operand text
  const OperatorEntry* op = nullptr;     // operator
  int arguments = 0;                     // call
};

enum class EntryKind { kOperand, kOperator, kCallOpener, kGroup, kBracket };

struct StackEntry {
  EntryKind kind;
  std::string text;
  const OperatorEntry* op = nullptr;
  int arguments = -1;  // call openers count their arguments; groups and brackets hold -1
};

bool IsOpening(const StackEntry& e) {
  return e.kind == EntryKind::kCallOpener || e.kind == EntryKind::kGroup || e.kind == EntryKind::kBracket;
}

int Precedence(const StackEntry& e) {
  return e.kind == EntryKind::kOperand ? kOperandPrecedence : e.op->precedence;
}

bool ValidateNumberCharacter(const std::string& token, unsigned char c) {
  // Called before `c` is appended to a token that starts with a digit.
  size_t position = token.size();
  if (position == 1 && token[0] == '0') {
    char up = static_cast<char>(c & ~0x20);
    if (up == 'X' || up == 'B' || up == 'O') return true;
  }
  int base = 10;
  if (token.size() >= 2 && token[0] == '0') {
    char up = static_cast<char>(token[1] & ~0x20);
    base = up == 'X' ? 16 : up == 'B' ? 2 : up == 'O' ? 8 : 10;
  }
  char up = static_cast<char>(IsLetter(c) ? (c & ~0x20) : c);
  if (c == '.' || up == 'L') return true;
  if (base != 16 && up == 'F') return true;
  if (base == 16) return IsDigit(c) || (up >= 'A' && up <= 'F');
  return IsDigit(c) && c - '0' < base;
}

class Tokenizer {
 public:
  bool Run(std::string_view s, std::vector<OutToken>& out);

 private:
  enum Last { kStart, kAfterOperand, kAfterPrefix, kAfterBinary };

  void PushOperand();
  bool HandleOperator(const OperatorEntry* op);
  StackEntry* InnermostOpening();
  void Output(StackEntry entry);
  void NoteOperandInCall();

  std::vector<StackEntry> stack_;
  std::vector<OutToken>* out_ = nullptr;
  std::string token_;
  std::string previous_;  // the token processed last (operand text or operator token)
  Last last_ = kStart;
  bool callJustOpened_ = false;
};

StackEntry* Tokenizer::InnermostOpening() {
  for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
    if (IsOpening(*it)) return &*it;
  }
  return nullptr;
}

void Tokenizer::Output(StackEntry entry) {
  if (entry.kind == EntryKind::kOperand) {
    out_->push_back({TokenKind::kOperand, std::move(entry.text)});
  } else {
    out_->push_back({TokenKind::kOperator, {}, entry.op});
  }
}

// A finished operand inside a call bracket means the call has at least one argument.
void Tokenizer::NoteOperandInCall() {
  StackEntry* inner = InnermostOpening();
  if (inner && inner->kind == EntryKind::kCallOpener && inner->arguments == 0) inner->arguments = 1;
}

void Tokenizer::PushOperand() {
  stack_.push_back({EntryKind::kOperand, token_});
  previous_ = std::move(token_);
  token_.clear();
  last_ = kAfterOperand;
  callJustOpened_ = false;
}

bool Tokenizer::HandleOperator(const OperatorEntry* op) {
  std::string_view t = op->token;
  bool prefix = false;
  if (op->kind == kPrefixOnly || op->kind == kBinaryOrPrefix) {
    if (last_ != kAfterOperand) {
      prefix = true;
      if (t == "+") op = FindOperator("@+");
      if (t == "-") op = FindOperator("@-");
    } else if (op->kind == kPrefixOnly) {
      return Fail("operator " + std::string(t) + " cannot follow an operand");
    }
  }
  bool opening = t == "(" || t == "[";
  if (!prefix && !opening && last_ != kAfterOperand) {
    bool emptyCall = t == ")" && callJustOpened_;
    if (!emptyCall) return Fail("operator " + std::string(t) + " is missing its left operand");
  }
  if (op->code == 0 && t == "->") return Fail("operator -> is not supported");

  // Pop what binds at least as tightly. A prefix operator has no operand yet, so it pops nothing.
  if (!prefix) {
    while (!stack_.empty() && !IsOpening(stack_.back()) && Precedence(stack_.back()) >= op->precedence) {
      StackEntry top = std::move(stack_.back());
      stack_.pop_back();
      StackEntry* inner = InnermostOpening();
      if (inner && inner->kind == EntryKind::kCallOpener) {
        if (top.kind == EntryKind::kOperator && top.op->code == kOpComma) {
          ++inner->arguments;
          continue;
        }
        if (inner->arguments == 0) inner->arguments = 1;
      }
      Output(std::move(top));
    }
  }

  callJustOpened_ = false;
  if (t == ")") {
    if (stack_.empty() || (stack_.back().kind != EntryKind::kGroup && stack_.back().kind != EntryKind::kCallOpener)) {
      return Fail("unbalanced parenthesis");
    }
    if (stack_.back().kind == EntryKind::kCallOpener) {
      out_->push_back({TokenKind::kCall, {}, nullptr, stack_.back().arguments});
    }
    stack_.pop_back();
    NoteOperandInCall();  // "f((a))": the group is the call's argument
    last_ = kAfterOperand;
  } else if (t == "]") {
    if (stack_.empty() || stack_.back().kind != EntryKind::kBracket) return Fail("unbalanced bracket");
    stack_.pop_back();
    out_->push_back({TokenKind::kOperator, {}, FindOperator("[")});
    NoteOperandInCall();
    last_ = kAfterOperand;
  } else if (t == "(") {
    unsigned char first = previous_.empty() ? 0 : static_cast<unsigned char>(previous_[0]);
    bool call = previous_ == ")" || previous_ == "]" ||
                (last_ == kAfterOperand && (IsLetter(first) || first == '_'));
    if (call) {
      stack_.push_back({EntryKind::kCallOpener, {}, op, 0});
      callJustOpened_ = true;
    } else {
      stack_.push_back({EntryKind::kGroup, {}, op, -1});
    }
    last_ = kAfterBinary;
  } else if (t == "[") {
    stack_.push_back({EntryKind::kBracket, {}, op, -1});
    last_ = kAfterBinary;
  } else {
    stack_.push_back({EntryKind::kOperator, {}, op});
    last_ = prefix ? kAfterPrefix : kAfterBinary;
  }
  previous_ = std::string(t);
  return true;
}

bool Tokenizer::Run(std::string_view s, std::vector<OutToken>& out) {
  out_ = &out;
  bool inDouble = false, inSingle = false, escaped = false;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    bool quoted = inDouble || inSingle;
    if (escaped || quoted) {
      size_t width = 1;
      if (escaped) {
        escaped = false;
      } else if (platform::IsSjisLeadByte(c) && i + 1 < s.size() && platform::IsSjisTrailByte(static_cast<unsigned char>(s[i + 1]))) {
        width = 2;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"' && inDouble) {
        inDouble = false;
      } else if (c == '\'' && inSingle) {
        inSingle = false;
      }
      token_.append(s.substr(i, width));
      i += width;
      if (token_.size() > kMaxToken) return Fail("token longer than 254 characters");
      continue;
    }
    if (c == '"' || c == '\'') {
      if (!token_.empty()) return Fail("a quote cannot continue a name or number");
      (c == '"' ? inDouble : inSingle) = true;
      token_.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    const OperatorEntry* op = nullptr;
    bool numberDot = c == '.' && i + 1 < s.size() && IsDigit(static_cast<unsigned char>(s[i + 1]));
    if (!numberDot) op = MatchOperator(s.substr(i));
    if (!op) {
      bool tokenCharacter = IsLetter(c) || IsDigit(c) || c == '_' || c == '.';
      bool afterQuote = !token_.empty() && (token_[0] == '"' || token_[0] == '\'');
      if (!tokenCharacter || afterQuote) {
        return Fail("character " + Printable(c) + " not allowed in an expression");
      }
      if (!token_.empty() && IsDigit(static_cast<unsigned char>(token_[0])) &&
          !ValidateNumberCharacter(token_, c)) {
        return Fail("malformed number \"" + token_ + static_cast<char>(c) + "\"");
      }
      token_.push_back(static_cast<char>(c));
      if (token_.size() > kMaxToken) return Fail("token longer than 254 characters");
      ++i;
      continue;
    }
    if (!token_.empty()) PushOperand();
    if (!HandleOperator(op)) return false;
    i += op->token.size();
  }
  if (inDouble || inSingle) return Fail("unterminated quote");
  if (!token_.empty()) PushOperand();
  if (last_ == kAfterPrefix || last_ == kAfterBinary) {
    return Fail(InnermostOpening() ? "unbalanced parenthesis" : "expression ends with an operator");
  }
  while (!stack_.empty()) {
    if (IsOpening(stack_.back())) return Fail("unbalanced parenthesis");
    Output(std::move(stack_.back()));
    stack_.pop_back();
  }
  return true;
}

// Reads the digits of `text` in `base`, stopping at the first character that is not one.
uint64_t ReadUnsigned(std::string_view text, int base, bool& overflow) {
  uint64_t value = 0;
  overflow = false;
  for (char ch : text) {
    int digit = IsDigit(ch) ? ch - '0' : (ch >= 'A' && ch <= 'F') ? ch - 'A' + 10 : 99;
    if (digit >= base) break;
    if (value > (std::numeric_limits<uint64_t>::max() - digit) / base) {
      overflow = true;
      value = std::numeric_limits<uint64_t>::max();
      continue;
    }
    value = value * base + digit;
  }
  return value;
}

bool NumberLiteral(std::string token, VarRef& value) {
  for (char& ch : token) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  int base = 10;
  if (token.size() >= 2 && token[0] == '0' && (token[1] == 'X' || token[1] == 'B' || token[1] == 'O')) {
    base = token[1] == 'X' ? 16 : token[1] == 'B' ? 2 : 8;
  }
  enum { kInt, kInt64, kDouble } type = kInt;
  if (base != 16 && token.back() == 'F') {
    token.pop_back();
    type = kDouble;
  } else if (token.find('.') != std::string::npos) {
    type = kDouble;
  } else if (token.back() == 'L') {
    token.pop_back();
    type = kInt64;
  }
  if (base != 10) {
    std::string digits = token.substr(2);
    if (digits.empty()) return Fail("number \"" + token + "\" has no digits");
    if (type == kDouble) return Fail("a based number cannot be a DOUBLE");
    bool overflow = false;
    uint64_t v = ReadUnsigned(digits, base, overflow);
    if (type == kInt64) {
      value = NewInt64(static_cast<int64_t>(v));
    } else {
      value = NewInt(v > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int32_t>(v));
    }
    return true;
  }
  if (type == kDouble) value = NewDouble(FloatPrefix(token));
  else if (type == kInt64) value = NewInt64(Integer64Prefix(token));
  else value = NewInt(IntegerPrefix(token));
  return true;
}

// Values of exactly these classes may be borrowed by an evaluation instead of copied: nothing
// reads their identity, and the evaluator copies them before anything could change them.
bool IsPlainScalar(TOL_Var* value) {
  const std::type_info& type = typeid(*value);
  return type == typeid(TOL_VarBool) || type == typeid(TOL_VarInt) || type == typeid(TOL_VarDouble) ||
         type == typeid(TOL_VarInt64) || type == typeid(TOL_VarString);
}

// Pass 3.
bool MakeItems(std::vector<OutToken>& tokens, std::vector<FormulaItem>& items) {
  items.reserve(tokens.size());
  for (OutToken& token : tokens) {
    FormulaItem item;
    if (token.kind == TokenKind::kOperator) {
      item.kind = token.op->code;
      item.count = token.op->kind == kPrefixOnly ? 1 : 2;
    } else if (token.kind == TokenKind::kCall) {
      item.kind = kItemCall;
      item.count = token.arguments + 1;
    } else {
      const std::string& text = token.text;
      unsigned char first = static_cast<unsigned char>(text[0]);
      item.kind = kItemLiteral;
      if (first == '"' || first == '\'') {
        if (text.size() < 2 || text.back() != static_cast<char>(first)) {
          return Fail("text after a closing quote");
        }
        std::string inner = text.substr(1, text.size() - 2);
        if (first == '"') {
          item.value = NewString(std::move(inner));
        } else {
          if (inner.empty()) return Fail("empty character quotes");
          item.value = NewInt(static_cast<signed char>(inner[0]));
        }
        item.shared = true;
      } else if (IsDigit(first)) {
        if (!NumberLiteral(text, item.value)) return false;
        item.shared = true;
      } else {
        Atom name = Atom::Intern(text);
        if (TOL_Var* constant = constants::Find(name)) {
          item.value = VarRef(constant);
          item.shared = IsPlainScalar(constant);
        } else {
          item.kind = kItemName;
          item.name = name;
        }
      }
    }
    items.push_back(std::move(item));
  }
  return true;
}

}  // namespace

bool TOL_Formulate::Compile(std::string_view text) {
  Clear();
  std::string squeezed;
  std::vector<OutToken> tokens;
  std::vector<FormulaItem> items;
  if (!Squeeze(text, squeezed) || !Tokenizer().Run(squeezed, tokens) || !MakeItems(tokens, items)) {
    return false;
  }
  items_ = std::move(items);
  source_ = std::string(text);
  plan_ = NumericPlan::Build(items_);
  if (!plan_) {
    NumericPlan::Mark(items_);
    callPlan_ = CallPlan::Build(items_);
  }
  return true;
}

}  // namespace tav::script
