#pragma once

// The message queue of a device thread: posted messages (buffer done, quit) and a periodic
// timer. On the real clock the timer follows a steady clock. On the virtual clock nothing is
// timed by itself: AdvanceTo(T) (called by the headless host's clock through the device) makes
// the thread deliver, in time order, every timer tick and every block the output finishes up to
// T, with Now() saying the time of each, and returns once the thread has handled them all. Ties
// go to the output's block before the timer.

#include <condition_variable>
#include <cstdint>
#include <deque>
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
};

class DeviceMessageQueue {
 public:
  DeviceMessageQueue(bool virtualClock, uint32_t now, VirtualOutputDriver& driver);

  void Post(const DeviceMessage& message);
  // A timer every `period` ms from now; 0 stops it.
  void SetTimer(uint32_t period);
  // Blocks for the next message; false for Quit.
  bool Get(DeviceMessage& message);

  // Virtual clock only: lets time run to `now` and waits until the thread has handled everything
  // due by then. Does not wait once the thread has quit.
  void AdvanceTo(uint32_t now);
  // The thread has left its loop (no more waiting for it).
  void MarkStopped();

  uint32_t Now() const;
  bool IsVirtual() const { return virtual_; }

 private:
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
};

}  // namespace tav::sound
