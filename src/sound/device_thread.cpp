#include "sound/device_thread.h"

#include <chrono>

#include "platform/audio_output.h"

namespace tav::sound {

DeviceMessageQueue::DeviceMessageQueue(bool virtualClock, uint32_t now, VirtualOutputDriver& driver)
    : virtual_(virtualClock), driver_(driver), virtualNow_(now) {}

uint32_t DeviceMessageQueue::Now() const {
  if (!virtual_) return platform::RealAudioClock();
  std::lock_guard lock(mutex_);
  return virtualNow_;
}

void DeviceMessageQueue::Post(const DeviceMessage& message) {
  std::lock_guard lock(mutex_);
  messages_.push_back(message);
  wake_.notify_all();
}

void DeviceMessageQueue::SetTimer(uint32_t period) {
  std::lock_guard lock(mutex_);
  timerPeriod_ = period;
  nextTimer_ = (virtual_ ? virtualNow_ : platform::RealAudioClock()) + period;
  wake_.notify_all();
}

void DeviceMessageQueue::AdvanceTo(uint32_t now) {
  std::unique_lock lock(mutex_);
  if (stopped_ || !virtual_) return;
  target_ = now;
  advancing_ = true;
  if (inlineWork_) {
    lock.unlock();
    inlineWork_();
    return;
  }
  wake_.notify_all();
  caughtUp_.wait(lock, [this] { return !advancing_ || stopped_; });
}

void DeviceMessageQueue::MarkStopped() {
  std::lock_guard lock(mutex_);
  stopped_ = true;
  advancing_ = false;
  caughtUp_.notify_all();
}

DeviceMessageQueue::Step DeviceMessageQueue::Next(DeviceMessage& message, bool wait) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (!messages_.empty()) {
      message = messages_.front();
      messages_.pop_front();
      return message.kind == DeviceMessage::Kind::Quit ? Step::kQuit : Step::kMessage;
    }
    if (virtual_) {
      if (!advancing_) {
        if (!wait) return Step::kIdle;
        wake_.wait(lock);
        continue;
      }
      const uint32_t target = target_;
      if (static_cast<int32_t>(target - virtualNow_) > static_cast<int32_t>(kMaxCatchUp)) {
        const uint32_t skipped = target - virtualNow_ - kMaxCatchUp;
        virtualNow_ += skipped;
        nextTimer_ += skipped;
        lock.unlock();
        driver_.SkipTime(skipped);
        lock.lock();
        continue;
      }
      const bool timerOn = timerPeriod_ != 0;
      const uint32_t timerAt = nextTimer_;
      // The device's lock is taken below: never hold the queue's while asking it.
      lock.unlock();
      const std::optional<uint32_t> outputAt = driver_.NextOutputEvent();
      const bool outputDue = outputAt && NotAfter(*outputAt, target);
      const bool timerDue = timerOn && NotAfter(timerAt, target);
      if (outputDue && (!timerDue || NotAfter(*outputAt, timerAt))) {
        lock.lock();
        virtualNow_ = *outputAt;
        lock.unlock();
        driver_.AdvanceOutput(*outputAt);
        lock.lock();
        continue;
      }
      if (timerDue) {
        lock.lock();
        virtualNow_ = timerAt;
        nextTimer_ = timerAt + timerPeriod_;
        lock.unlock();
        driver_.AdvanceOutput(timerAt);
        lock.lock();
        message = {DeviceMessage::Kind::Timer, nullptr};
        return Step::kMessage;
      }
      lock.lock();
      virtualNow_ = target;
      lock.unlock();
      driver_.AdvanceOutput(target);
      lock.lock();
      if (messages_.empty() && target_ == target) {
        advancing_ = false;
        caughtUp_.notify_all();
      }
      continue;
    }
    if (timerPeriod_ == 0) {
      if (!wait) return Step::kIdle;
      wake_.wait(lock);
      continue;
    }
    const uint32_t now = platform::RealAudioClock();
    if (NotAfter(nextTimer_, now)) {
      // A late thread catches up with one tick, not a burst.
      nextTimer_ = NotAfter(nextTimer_ + timerPeriod_, now) ? now + timerPeriod_ : nextTimer_ + timerPeriod_;
      message = {DeviceMessage::Kind::Timer, nullptr};
      return Step::kMessage;
    }
    if (!wait) return Step::kIdle;
    wake_.wait_for(lock, std::chrono::milliseconds(nextTimer_ - now));
  }
}

}  // namespace tav::sound
