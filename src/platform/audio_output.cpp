// Audio configuration, the virtual clock's listeners and the choice of backend.
#include "platform/audio_output.h"

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>

#include "platform/audio_null.h"
#include "platform/audio_recording.h"
#include "os/diagnostics.h"

namespace tav::platform {

std::unique_ptr<AudioOutput> OpenRealTimeAudioOutput(const AudioFormat& format, AudioOutput::DoneFunction done);

namespace {

struct ClockState {
  std::atomic<bool> virtualClock{true};
  std::atomic<uint32_t> now{0};
  std::mutex listenersMutex;
  std::map<int, std::function<void(uint32_t)>> listeners;
  int nextId = 1;
};

ClockState& State() {
  static ClockState state;
  return state;
}

}  // namespace

bool ConfigureAudio(bool virtualClock, const std::string& recordPath) {
  State().virtualClock = virtualClock;
  return recordPath.empty() || Recording().Open(recordPath);
}

void FinishAudioRecording() { Recording().Close(); }

std::unique_ptr<AudioOutput> OpenAudioOutput(const AudioFormat& format, AudioOutput::DoneFunction done) {
  if (State().virtualClock) return std::make_unique<NullAudioOutput>(format, std::move(done), VirtualClockNow());
  return OpenRealTimeAudioOutput(format, std::move(done));
}

bool AudioUsesVirtualClock() { return State().virtualClock; }

uint32_t RealAudioClock() {
  static const auto start = std::chrono::steady_clock::now();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

uint32_t VirtualClockNow() { return State().now; }

void MoveVirtualClock(uint32_t now) {
  ClockState& state = State();
  state.now = now;
  // Listeners are called under the registry lock, so none is removed (and destroyed) while it
  // runs; a listener never adds or removes one.
  std::lock_guard lock(state.listenersMutex);
  for (auto& [id, listener] : state.listeners) listener(now);
}

int AddVirtualClockListener(std::function<void(uint32_t)> listener) {
  ClockState& state = State();
  std::lock_guard lock(state.listenersMutex);
  const int id = state.nextId++;
  state.listeners.emplace(id, std::move(listener));
  return id;
}

void RemoveVirtualClockListener(int id) {
  ClockState& state = State();
  std::lock_guard lock(state.listenersMutex);
  state.listeners.erase(id);
}

void ResetVirtualClockForTests(uint32_t now) { State().now = now; }

}  // namespace tav::platform
