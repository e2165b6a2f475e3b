#include "os/stop_watchdog.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "os/emergency_exit.h"
#include "os/running_position.h"

namespace tav::platform {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTick = std::chrono::milliseconds(50);
// Windowed, a script that has not pumped for this long has the host look at the window's
// input now and then, so that a press of the close box is seen.
constexpr auto kBusyPollAfter = std::chrono::milliseconds(100);

std::atomic<bool> stopRequested{false};
std::atomic<uint64_t> pumps{0};
std::atomic<bool> hasBusyPoll{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set inside a signal handler");

struct Watchdog {
  std::mutex lock;
  std::condition_variable wake;
  std::thread thread;
  bool quit = false;
  WatchdogOptions options;
};

Watchdog& State() {
  static Watchdog watchdog;
  return watchdog;
}

std::function<void()>& BusyPoll() {
  static std::function<void()> poll;
  return poll;
}

void Run(Watchdog& watchdog) {
  uint64_t seenPumps = pumps.load();
  Clock::time_point lastPump = Clock::now();
  bool armed = false;
  Clock::time_point armedAt{};
  std::unique_lock guard(watchdog.lock);
  while (!watchdog.quit) {
    watchdog.wake.wait_for(guard, kTick);
    if (watchdog.quit) break;
    const Clock::time_point now = Clock::now();
    const uint64_t pumped = pumps.load();
    if (pumped != seenPumps) {
      seenPumps = pumped;
      lastPump = now;
    } else if (hasBusyPoll.load() && now - lastPump >= kBusyPollAfter) {
      detail::runningState.pollWanted.store(true, std::memory_order_relaxed);
    }
    if (!stopRequested.load()) continue;
    if (!armed) {
      armed = true;
      armedAt = now;
    }
    const auto grace = std::chrono::milliseconds(watchdog.options.graceMs);
    if (now - std::max(armedAt, lastPump) < grace) continue;

    const std::string what = DescribePosition(RunningPosition());
    const auto confirm = watchdog.options.confirm;
    guard.unlock();
    const bool end = !confirm || confirm(what);
    guard.lock();
    if (end && pumps.load() == seenPumps && !watchdog.quit) {
      detail::WriteAll(2, "tav: the game did not stop within " + std::to_string(watchdog.options.graceMs) +
                      " ms of the request to close; it was running " + what + "\n");
      EmergencyExit(kExitPoliteStop);
    }
    // The player chose to wait, or the game pumped meanwhile: wait for the next request.
    stopRequested.store(false);
    armed = false;
    lastPump = Clock::now();
  }
}

}  // namespace

void StartStopWatchdog(WatchdogOptions options) {
  Watchdog& watchdog = State();
  std::lock_guard guard(watchdog.lock);
  watchdog.options = std::move(options);
  if (watchdog.thread.joinable()) return;
  watchdog.quit = false;
  watchdog.thread = std::thread([&watchdog] { Run(watchdog); });
}

void StopStopWatchdog() {
  Watchdog& watchdog = State();
  {
    std::lock_guard guard(watchdog.lock);
    watchdog.quit = true;
  }
  watchdog.wake.notify_all();
  if (watchdog.thread.joinable()) watchdog.thread.join();
  stopRequested.store(false);
}

void NoteStopRequested() { stopRequested.store(true); }

void NotePump() { pumps.fetch_add(1, std::memory_order_relaxed); }

void SetBusyPoll(std::function<void()> poll) {
  hasBusyPoll.store(static_cast<bool>(poll));
  BusyPoll() = std::move(poll);
  if (!hasBusyPoll.load()) detail::runningState.pollWanted.store(false);
}

namespace detail {
void ServiceBusyPoll() {
  static bool inPoll = false;
  runningState.pollWanted.store(false, std::memory_order_relaxed);
  if (inPoll || !BusyPoll()) return;
  inPoll = true;
  BusyPoll()();
  inPoll = false;
}
}  // namespace detail

}  // namespace tav::platform
