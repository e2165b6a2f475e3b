#include "os/running_position.h"

#include <chrono>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace tav::platform {
namespace detail {
RunningState runningState;
StatementHook statementHook = nullptr;
}  // namespace detail

namespace {

struct SourceNameTable {
  std::timed_mutex lock;
  std::vector<std::string> names;  // id - 1
  std::unordered_map<std::string, uint32_t> ids;
};

SourceNameTable& Names() {
  static SourceNameTable names;
  return names;
}

}  // namespace

uint32_t RegisterSourceName(std::string_view name) {
  if (name.empty()) return 0;
  SourceNameTable& table = Names();
  std::lock_guard guard(table.lock);
  auto [it, added] = table.ids.try_emplace(std::string(name), static_cast<uint32_t>(table.names.size() + 1));
  if (added) table.names.emplace_back(name);
  return it->second;
}

namespace {
std::atomic<StatementPositionObserver> positionObserver{nullptr};
}  // namespace

void SetStatementHook(detail::StatementHook hook) {
  detail::statementHook = hook;
  detail::runningState.pollWanted.store(hook != nullptr, std::memory_order_relaxed);
}

void SetStatementPositionObserver(StatementPositionObserver observer) { positionObserver.store(observer); }

void NoteStatementPosition(SourcePosition position) {
  if (StatementPositionObserver observer = positionObserver.load(std::memory_order_relaxed)) observer(position);
}

std::vector<std::string> SourceNames() {
  SourceNameTable& table = Names();
  std::lock_guard guard(table.lock);
  return table.names;
}

SourcePosition RunningPosition() { return detail::runningState.position.load(std::memory_order_relaxed); }

std::string DescribePosition(SourcePosition position) {
  const uint32_t id = static_cast<uint32_t>(position >> 32);
  const uint32_t line = static_cast<uint32_t>(position);
  if (position == 0) return "no script statement (the engine's own code)";
  std::string name = "a script compiled from text";
  if (id != 0) {
    SourceNameTable& table = Names();
    // The registering thread holds the lock only for a moment; a stuck one must not stop us.
    std::unique_lock guard(table.lock, std::chrono::milliseconds(200));
    if (guard.owns_lock() && id <= table.names.size()) name = table.names[id - 1];
    else name = "source #" + std::to_string(id);
  }
  return line ? name + ":" + std::to_string(line) : name;
}

}  // namespace tav::platform
