#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "os/emergency_exit.h"
#include "os/running_position.h"
#include "os/stop_watchdog.h"

// The web build's stop watchdog. There is no second thread to watch from, so the engine's own
// thread watches itself: while a stop is pending (or a host wants busy polls), the evaluator's
// position publishing (running_position.h) calls detail::ServiceBusyPoll at every statement, and
// every kCheckEvery statements that looks at the clock and does what the native watchdog thread
// does on its ticks: a game that has not pumped for the grace time after a stop request is ended
// with exit code 4, and a host's busy poll runs once a script has not pumped for 100 ms. While
// neither is wanted, the statements pay nothing more than natively (one relaxed load).

namespace tav::platform {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTick = std::chrono::milliseconds(50);
constexpr auto kBusyPollAfter = std::chrono::milliseconds(100);
constexpr uint32_t kCheckEvery = 256;

struct Watchdog {
  bool started = false;
  WatchdogOptions options;
  bool stopRequested = false;
  Clock::time_point armedAt{};
  uint64_t pumps = 0;
  uint64_t seenPumps = 0;
  Clock::time_point lastPump = Clock::now();
  Clock::time_point lastBusyPoll{};
  std::function<void()> busyPoll;
  bool inPoll = false;
  uint32_t countdown = kCheckEvery;
};

Watchdog& State() {
  static Watchdog watchdog;
  return watchdog;
}

void UpdatePollWanted() {
  const Watchdog& watchdog = State();
  const bool wanted = (watchdog.started && watchdog.stopRequested) || static_cast<bool>(watchdog.busyPoll);
  detail::runningState.pollWanted.store(wanted, std::memory_order_relaxed);
}

void Check(Watchdog& watchdog) {
  const Clock::time_point now = Clock::now();
  if (watchdog.pumps != watchdog.seenPumps) {
    watchdog.seenPumps = watchdog.pumps;
    watchdog.lastPump = now;
  }
  if (watchdog.busyPoll && !watchdog.inPoll && now - watchdog.lastPump >= kBusyPollAfter &&
      now - watchdog.lastBusyPoll >= kTick) {
    watchdog.lastBusyPoll = now;
    watchdog.inPoll = true;
    watchdog.busyPoll();
    watchdog.inPoll = false;
  }
  if (!watchdog.started || !watchdog.stopRequested) return;
  const auto grace = std::chrono::milliseconds(watchdog.options.graceMs);
  if (now - std::max(watchdog.armedAt, watchdog.lastPump) < grace) return;
  const std::string what = DescribePosition(RunningPosition());
  const bool end = !watchdog.options.confirm || watchdog.options.confirm(what);
  if (end) {
    detail::WriteAll(2, "tav: the game did not stop within " + std::to_string(watchdog.options.graceMs) +
                            " ms of the request to close; it was running " + what + "\n");
    EmergencyExit(kExitPoliteStop);
  }
  // The player chose to wait: wait for the next request.
  watchdog.stopRequested = false;
  watchdog.lastPump = Clock::now();
  UpdatePollWanted();
}

}  // namespace

void StartStopWatchdog(WatchdogOptions options) {
  Watchdog& watchdog = State();
  watchdog.options = std::move(options);
  watchdog.started = true;
  UpdatePollWanted();
}

void StopStopWatchdog() {
  Watchdog& watchdog = State();
  watchdog.started = false;
  watchdog.stopRequested = false;
  UpdatePollWanted();
}

void NoteStopRequested() {
  Watchdog& watchdog = State();
  if (!watchdog.stopRequested) watchdog.armedAt = Clock::now();
  watchdog.stopRequested = true;
  UpdatePollWanted();
}

void NotePump() { ++State().pumps; }

void SetBusyPoll(std::function<void()> poll) {
  State().busyPoll = std::move(poll);
  UpdatePollWanted();
}

namespace detail {
void ServiceBusyPoll() {
  Watchdog& watchdog = State();
  if (--watchdog.countdown != 0) return;
  watchdog.countdown = kCheckEvery;
  Check(watchdog);
}
}  // namespace detail

}  // namespace tav::platform
