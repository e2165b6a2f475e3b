#pragma once

// Where the script evaluator is: the source file and line of the statement it started last.
//
// The evaluator publishes a packed position at every statement it starts; the stop watchdog
// reads it from its own thread to say what a game that ignores a close request is running.
// Publishing is one relaxed store (and one relaxed load of the busy-poll request, see
// stop_watchdog.h), cheap enough for the hot path. Source names are registered once, when a file
// is compiled, and never forgotten, so a position stays readable after its statement is gone.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tav::platform {

// Source id in the high 32 bits (0: unknown source), 1-based line in the low 32 (0: unknown).
using SourcePosition = uint64_t;

constexpr SourcePosition MakeSourcePosition(uint32_t sourceId, int line) {
  return (static_cast<uint64_t>(sourceId) << 32) | static_cast<uint32_t>(line < 0 ? 0 : line);
}

// The id of `name` (registered on first use); 0 for an empty name.
uint32_t RegisterSourceName(std::string_view name);

namespace detail {
// One cache line for both: written by the evaluator (position) and, rarely, by the watchdog.
struct alignas(64) RunningState {
  std::atomic<SourcePosition> position{0};
  std::atomic<bool> pollWanted{false};
  std::atomic<bool> busyPollDue{false};  // the watchdog asked for a busy poll
};
extern RunningState runningState;
// The debugger's look at each statement (null: no debugger). While one is set, the slow path
// below runs at every statement; the hook reads RunningPosition() and gets the statement's
// context (the script frame it runs in, or null).
using StatementHook = void (*)(const void* context);
extern StatementHook statementHook;
// Lets the host collect window input while a script runs without pumping (stop_watchdog.cpp).
// A statement hook calls it when busyPollDue is set.
void ServiceBusyPoll();
}  // namespace detail

// `context` is only passed on to a debugger's hook (see StatementHook).
inline void PublishRunningPosition(SourcePosition position, const void* context = nullptr) {
  detail::runningState.position.store(position, std::memory_order_relaxed);
  if (detail::runningState.pollWanted.load(std::memory_order_relaxed)) [[unlikely]] {
    if (detail::statementHook) detail::statementHook(context);
    else detail::ServiceBusyPoll();
  }
}

SourcePosition RunningPosition();

// Installs (or, with null, removes) the debugger's statement hook. Engine thread only.
void SetStatementHook(detail::StatementHook hook);

// The compiler hands every statement position it gives out to the observer (null: none), so
// that a debugger knows which lines hold statements. Compiling is not a hot path.
using StatementPositionObserver = void (*)(SourcePosition position);
void SetStatementPositionObserver(StatementPositionObserver observer);
void NoteStatementPosition(SourcePosition position);

// The registered source names, index id - 1.
std::vector<std::string> SourceNames();

// "config\startup.tas:3"; safe on any thread (it never waits long for the name table).
std::string DescribePosition(SourcePosition position);

}  // namespace tav::platform
