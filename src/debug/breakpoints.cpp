#include "debug/breakpoints.h"

#include <cctype>
#include <cstdlib>

namespace tav::debug {

void BreakpointTable::SetLines(const std::string& key, std::vector<LineBreakpoint> breakpoints) {
  std::lock_guard guard(lock_);
  if (breakpoints.empty()) lines_.erase(key);
  else lines_[key] = std::move(breakpoints);
  generation_.fetch_add(1, std::memory_order_release);
}

void BreakpointTable::SetFunctions(std::vector<FunctionBreakpoint> breakpoints) {
  std::lock_guard guard(lock_);
  functions_ = std::move(breakpoints);
  generation_.fetch_add(1, std::memory_order_release);
}

void BreakpointTable::ClearAll() {
  std::lock_guard guard(lock_);
  lines_.clear();
  functions_.clear();
  generation_.fetch_add(1, std::memory_order_release);
}

std::map<std::string, std::vector<LineBreakpoint>> BreakpointTable::Lines() const {
  std::lock_guard guard(lock_);
  return lines_;
}

std::vector<FunctionBreakpoint> BreakpointTable::Functions() const {
  std::lock_guard guard(lock_);
  return functions_;
}

bool HitConditionMet(const std::string& condition, int64_t hits, std::string& error) {
  size_t i = 0;
  while (i < condition.size() && std::isspace(static_cast<unsigned char>(condition[i]))) ++i;
  std::string op;
  while (i < condition.size() && std::string("<>=%!").find(condition[i]) != std::string::npos) op += condition[i++];
  while (i < condition.size() && std::isspace(static_cast<unsigned char>(condition[i]))) ++i;
  const std::string number = condition.substr(i);
  char* end = nullptr;
  const long long n = number.empty() ? 0 : std::strtoll(number.c_str(), &end, 10);
  bool trailing = false;
  for (const char* p = end; p && *p; ++p) trailing |= !std::isspace(static_cast<unsigned char>(*p));
  if (number.empty() || !end || end == number.c_str() || trailing) {
    error = "the hit count \"" + condition + "\" is not a number with an optional =, ==, >, >=, <, <= or %";
    return false;
  }
  if (op.empty() || op == "=" || op == "==") return hits == n;
  if (op == ">=") return hits >= n;
  if (op == ">") return hits > n;
  if (op == "<=") return hits <= n;
  if (op == "<") return hits < n;
  if (op == "%") return n > 0 && hits % n == 0;
  error = "the hit count \"" + condition + "\" has an unknown operator \"" + op + "\"";
  return false;
}

}  // namespace tav::debug
