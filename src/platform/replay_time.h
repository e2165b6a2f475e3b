#pragma once

// The time at which a line of a recorded session must be due for a headless replay to deliver
// it at the same point of the game. A headless run's clock moves only when the game sleeps,
// steps through a Wait or waits for input; a window's clock also counts the time scripts and
// painting take, so its readings drift ahead. This clock follows the window's session the way
// the headless clock will follow its replay: Sleep adds what was asked, a Wait adds the time its
// headless steps add up to, waiting for input adds the time waited.

#include <cstdint>
#include <optional>

namespace tav::platform {

class ReplayTime {
 public:
  // The time for a line taken now; `gameNow` is the window's clock (for inside a Wait).
  uint32_t At(uint32_t gameNow) const;

  // The game slept `ms` (a Wait's own steps are counted by the Wait).
  void Slept(uint32_t ms);
  // The game waited `ms` for input.
  void Idled(uint32_t ms);

  // A Wait of `span` ms pumping every `step` ms (none or a negative step: every millisecond)
  // starts or ends at window time `gameNow`.
  void BeginWait(uint32_t span, int32_t step, uint32_t gameNow);
  void EndWait(uint32_t gameNow);

 private:
  struct WaitSpan {
    uint32_t start = 0;      // replay time at its start
    uint32_t gameStart = 0;  // window time at its start
    uint32_t span = 0;
    uint32_t step = 1;
  };

  // Replay time of the headless pump that serves window time `gameNow` inside the Wait: the
  // last step boundary reached, never past the Wait's last pump.
  static uint32_t Pump(const WaitSpan& wait, uint32_t gameNow);

  uint32_t now_ = 0;
  std::optional<WaitSpan> wait_;
};

}  // namespace tav::platform
