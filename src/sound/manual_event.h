#pragma once

// A manual-reset event: set, it stays set until reset; waiting on it is bounded.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tav::sound {

class ManualEvent {
 public:
  explicit ManualEvent(bool initiallySet) : set_(initiallySet) {}

  void Set() {
    std::lock_guard lock(mutex_);
    set_ = true;
    changed_.notify_all();
  }
  void Reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
  }
  bool IsSet() {
    std::lock_guard lock(mutex_);
    return set_;
  }
  // True when the event was set within the time.
  bool WaitFor(uint32_t ms) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return set_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool set_;
};

}  // namespace tav::sound
