#include "platform/replay_time.h"

#include <algorithm>

namespace tav::platform {

uint32_t ReplayTime::Pump(const WaitSpan& wait, uint32_t gameNow) {
  if (wait.span == 0) return wait.start;
  const uint32_t elapsed = gameNow - wait.gameStart;
  const uint32_t lastPump = (wait.span - 1) / wait.step * wait.step;
  return wait.start + std::min(elapsed / wait.step * wait.step, lastPump);
}

uint32_t ReplayTime::At(uint32_t gameNow) const { return wait_ ? Pump(*wait_, gameNow) : now_; }

void ReplayTime::Slept(uint32_t ms) {
  if (!wait_) now_ += ms;
}

void ReplayTime::Idled(uint32_t ms) { now_ += ms; }

void ReplayTime::BeginWait(uint32_t span, int32_t step, uint32_t gameNow) {
  // A Wait inside a Wait cannot run a script that would start one; the outer one counts.
  if (wait_) return;
  wait_ = WaitSpan{now_, gameNow, span, step > 0 ? static_cast<uint32_t>(step) : 1u};
}

void ReplayTime::EndWait(uint32_t gameNow) {
  if (!wait_) return;
  const WaitSpan wait = *wait_;
  wait_.reset();
  if (gameNow - wait.gameStart >= wait.span) {
    // Run to its end: headless, whole steps until the span is covered.
    const uint64_t steps = (static_cast<uint64_t>(wait.span) + wait.step - 1) / wait.step;
    now_ = wait.start + static_cast<uint32_t>(steps * wait.step);
  } else {
    // Ended early (the window closing): as far as it got.
    now_ = Pump(wait, gameNow);
  }
}

}  // namespace tav::platform
