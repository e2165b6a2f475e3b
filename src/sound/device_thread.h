#pragma once

// The message queue of a device thread: posted messages (buffer done, quit) and a periodic
// timer. On the real clock the timer follows a steady clock. On the virtual clock nothing is
// timed by itself: AdvanceTo(T) (called by the headless host's clock through the device) makes
// the thread deliver, in time order, every timer tick and every block the output finishes up to
// T, with Now() saying the time of each, and returns once the thread has handled them all. Ties
// go to the output's block before the timer. A jump of more than kMaxCatchUp (a script's
// Sleep of days) would take ages to play through: the audio waits out the excess, as if
// paused, and plays the last kMaxCatchUp.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

namespace tav::sound {

struct WaveBuffer;

struct DeviceMessage {
  enum class Kind { Quit, BufferDone, Timer };
  Kind kind = Kind::Quit;
  WaveBuffer* buffer = nullptr;
};

// What the queue asks of its device on the virtual clock.
class VirtualOutputDriver {
 public:
  virtual ~VirtualOutputDriver() = default;
  // When the output's next block will be done, if any.
  virtual std::optional<uint32_t> NextOutputEvent() = 0;
  // The output plays up to `now` (posting BufferDone for finished blocks).
  virtual void AdvanceOutput(uint32_t now) = 0;
  // Time passes without the output: everything audio waits `ms` as if paused.
  virtual void SkipTime(uint32_t ms) = 0;
};

class DeviceMessageQueue {
 public:
  enum class Step { kMessage, kIdle, kQuit };

  static constexpr uint32_t kMaxCatchUp = 10 * 60 * 1000;

  DeviceMessageQueue(bool virtualClock, uint32_t now, VirtualOutputDriver& driver);

  void Post(const DeviceMessage& message);
  // A timer every `period` ms from now; 0 stops it.
  void SetTimer(uint32_t period);
  // Blocks for the next message; false for Quit.
  bool Get(DeviceMessage& message) { return Next(message, true) == Step::kMessage; }
  // Without a thread (the web build): the next message due now, kIdle when there is none yet
  // (on the virtual clock: none until the next AdvanceTo), kQuit for Quit. Never blocks.
  Step Poll(DeviceMessage& message) { return Next(message, false); }
  // Without a thread: AdvanceTo runs `work` (which polls and handles every message due) on the
  // caller's thread instead of waiting for a device thread to do it.
  void RunInline(std::function<void()> work) { inlineWork_ = std::move(work); }

  // Virtual clock only: lets time run to `now` and waits until the thread has handled everything
  // due by then. Does not wait once the thread has quit.
  void AdvanceTo(uint32_t now);
  // The thread has left its loop (no more waiting for it).
  void MarkStopped();

  uint32_t Now() const;
  bool IsVirtual() const { return virtual_; }

 private:
  Step Next(DeviceMessage& message, bool wait);
  static bool NotAfter(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) <= 0; }

  const bool virtual_;
  VirtualOutputDriver& driver_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable caughtUp_;
  std::deque<DeviceMessage> messages_;
  uint32_t timerPeriod_ = 0;
  uint32_t nextTimer_ = 0;
  uint32_t virtualNow_;
  uint32_t target_ = 0;
  bool advancing_ = false;
  bool stopped_ = false;
  std::function<void()> inlineWork_;
};

}  // namespace tav::sound
