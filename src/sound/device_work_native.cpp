// The device's work on a thread of its own (see wave_out_device.h).
#include <thread>

#include "medialib/library_init.h"
#include "os/diagnostics.h"
#include "sound/wave_out_device.h"

namespace tav::sound {

namespace {
constexpr uint32_t kThreadEndWait = 3000;
}  // namespace

void EWaveOutDevice::StartThread() {
  thread_ = std::thread([this] {
    medialib::rudInitializeTask();
    ThreadProc();
    medialib::rudCloseTask();
    queue_.MarkStopped();
    threadEnded_.Set();
  });
  if (queue_.IsVirtual()) {
    clockListener_ = platform::AddVirtualClockListener([this](uint32_t now) { queue_.AdvanceTo(now); });
  }
}

void EWaveOutDevice::StopThread() {
  if (clockListener_ != 0) {
    platform::RemoveVirtualClockListener(clockListener_);
    clockListener_ = 0;
  }
  if (!thread_.joinable()) return;
  queue_.Post({DeviceMessage::Kind::Quit, nullptr});
  if (threadEnded_.WaitFor(kThreadEndWait)) {
    thread_.join();
  } else {
    // A thread stuck in a sound's callback: the process goes on without it.
    platform::Diagnose(platform::Severity::Warning, "sound", "the device thread did not end within 3 s");
    thread_.detach();
  }
}

void EWaveOutDevice::ThreadProc() {
  OnWorkStart();
  DeviceMessage message;
  while (queue_.Get(message)) HandleMessage(message);
  OnWorkEnd();
}

// The thread does the work as it comes.
void EWaveOutDevice::RunPendingWork() {}

}  // namespace tav::sound
