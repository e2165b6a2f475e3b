// The breakpoints the editor set: by file and line (with a condition, a hit count or a log
// message) and by function name.
//
// The editor's requests change the table on the adapter's reader thread; the engine thread keeps
// its own index (by source id) and rebuilds it when the table's generation changes, so that the
// check at each statement takes no lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "script/core/formulate.h"

namespace tav::debug {

struct LineBreakpoint {
  int id = 0;
  int line = 0;             // the line with the statement it stops at
  std::string condition;    // script expression, UTF-8; empty: none
  std::string hitCondition; // "N", ">= N", "> N", "% N", "== N"; empty: none
  std::string logMessage;   // logpoint: text with {expression} parts; empty: a plain breakpoint
};

struct FunctionBreakpoint {
  int id = 0;
  std::string name;  // lower case: "fact", "counter.inc"
};

// What the engine thread keeps for one breakpoint: its hit count and compiled condition.
struct ArmedBreakpoint {
  LineBreakpoint given;  // as the editor set it (a moved line already moved)
  // A function breakpoint, placed on the first statement of the function's file: it stops when
  // that statement starts a call, not when a loop there comes round again.
  bool function = false;
  int64_t hits = 0;
  std::unique_ptr<script::TOL_Formulate> condition;  // compiled on first use
  bool conditionFailed = false;
};

class BreakpointTable {
 public:
  // Replaces the breakpoints of the file `key`.
  void SetLines(const std::string& key, std::vector<LineBreakpoint> breakpoints);
  void SetFunctions(std::vector<FunctionBreakpoint> breakpoints);
  void ClearAll();
  int NextId() { return nextId_.fetch_add(1); }

  uint64_t Generation() const { return generation_.load(std::memory_order_acquire); }
  // Read at every statement by the engine thread, which keeps a pointer to it.
  const std::atomic<uint64_t>& GenerationCounter() const { return generation_; }
  std::map<std::string, std::vector<LineBreakpoint>> Lines() const;
  std::vector<FunctionBreakpoint> Functions() const;

 private:
  mutable std::mutex lock_;
  std::map<std::string, std::vector<LineBreakpoint>> lines_;
  std::vector<FunctionBreakpoint> functions_;
  std::atomic<uint64_t> generation_{1};
  std::atomic<int> nextId_{1};
};

// Whether a hit count of `hits` (counted from 1) meets `condition`; an unreadable condition is
// reported in `error` and never met.
bool HitConditionMet(const std::string& condition, int64_t hits, std::string& error);

}  // namespace tav::debug
