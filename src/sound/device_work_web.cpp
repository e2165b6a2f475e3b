// The device's work without a thread (the web build; see wave_out_device.h): the messages a
// device thread would take one by one are taken here, on the engine's thread, whenever someone
// drives the device: the virtual clock as it moves (headless runs), the host's loop and the audio
// pull (real time, os/loop_work.h), and whoever waits for the device's blocks to come back.
#include "medialib/library_init.h"
#include "os/loop_work.h"
#include "sound/wave_out_device.h"

namespace tav::sound {

void EWaveOutDevice::StartThread() {
  OnWorkStart();
  queue_.RunInline([this] { RunPendingWork(); });
  if (queue_.IsVirtual()) {
    clockListener_ = platform::AddVirtualClockListener([this](uint32_t now) { queue_.AdvanceTo(now); });
  } else {
    loopWork_ = platform::AddLoopWork([this] { RunPendingWork(); });
  }
}

void EWaveOutDevice::StopThread() {
  if (clockListener_ != 0) {
    platform::RemoveVirtualClockListener(clockListener_);
    clockListener_ = 0;
  }
  if (loopWork_ != 0) {
    platform::RemoveLoopWork(loopWork_);
    loopWork_ = 0;
  }
  if (workEnded_) return;
  queue_.Post({DeviceMessage::Kind::Quit, nullptr});
  RunPendingWork();
}

void EWaveOutDevice::RunPendingWork() {
  // A sound's callback that waits for the device lands here again: the outer call goes on.
  if (workRunning_ || workEnded_) return;
  workRunning_ = true;
  DeviceMessage message;
  for (;;) {
    const DeviceMessageQueue::Step step = queue_.Poll(message);
    if (step == DeviceMessageQueue::Step::kIdle) break;
    if (step == DeviceMessageQueue::Step::kQuit) {
      OnWorkEnd();
      queue_.MarkStopped();
      threadEnded_.Set();
      workEnded_ = true;
      break;
    }
    HandleMessage(message);
  }
  workRunning_ = false;
}

}  // namespace tav::sound
