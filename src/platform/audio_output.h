#pragma once

// The audio output device under the mixer: a small waveOut-like interface. A caller opens a PCM
// format, queues blocks of samples (which must stay valid until they come back), and is told
// through its done function when each block has been played; Reset hands every queued block back
// at once. Two backends: SDL audio (real sound, real time) and null (blocks are consumed as the
// virtual clock of a headless run moves). Either can record what it plays with --audio-out.
//
// Time: a device thread that drives an output asks `Clock()` what time it is. Under the virtual
// clock nothing happens by itself: the headless host announces every move of its clock
// (MoveVirtualClock), each listener (the sound device) plays up to that time, and the host goes
// on only once they all have. So a headless run hears and records exactly the same audio every
// time.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tav::platform {

struct AudioFormat {
  uint32_t rate = 44100;
  uint16_t channels = 2;
  uint16_t bits = 16;
  uint32_t BytesPerFrame() const { return channels * bits / 8u; }
};

struct AudioBlock {
  const uint8_t* data = nullptr;
  size_t bytes = 0;
  void* user = nullptr;  // the caller's
};

class AudioOutput {
 public:
  // Called once for every block written, when it has been played or reset; from the backend's
  // own thread (SDL), the thread that advances the virtual clock (null), or inside Reset.
  using DoneFunction = std::function<void(AudioBlock*)>;

  virtual ~AudioOutput() = default;

  // Queues a block behind those already queued.
  virtual void Write(AudioBlock* block) = 0;
  // Every queued block comes back through the done function before this returns; the position
  // starts again at 0.
  virtual void Reset() = 0;
  virtual void Pause() = 0;
  virtual void Restart() = 0;
  // Samples played since opening (or the last Reset).
  virtual uint64_t Position() = 0;
  // Left in the low 16 bits, right in the high 16 bits; 0xFFFF is full level.
  virtual uint32_t GetVolume() = 0;
  virtual void SetVolume(uint32_t volume) = 0;

  // Only for the virtual clock: the time at which the block at the head of the queue will have
  // been played (nothing when none is queued or the device is paused), and playing everything up
  // to a time (done notifications for the blocks finished by then, in order).
  virtual std::optional<uint32_t> NextDoneTime() { return std::nullopt; }
  virtual void AdvanceTo(uint32_t) {}
};

// How outputs are made: headless runs use the null backend on the virtual clock. `recordPath`,
// when not empty, is the --audio-out file (opened at once; false when it cannot be created).
bool ConfigureAudio(bool virtualClock, const std::string& recordPath);
// Completes the recording's header and closes it (also safe to call when there is none).
void FinishAudioRecording();

// Opens an output of the configured kind; null (with a diagnostic) when it cannot.
std::unique_ptr<AudioOutput> OpenAudioOutput(const AudioFormat& format, AudioOutput::DoneFunction done);

// The clock device threads follow: the virtual clock's time, or milliseconds of a steady clock.
bool AudioUsesVirtualClock();
uint32_t RealAudioClock();
uint32_t VirtualClockNow();

// Called by the headless host each time its clock moves; returns once every listener has
// caught up with `now`.
void MoveVirtualClock(uint32_t now);
// A listener is told each new time and must have played up to it when it returns. Answers an id
// for RemoveVirtualClockListener.
int AddVirtualClockListener(std::function<void(uint32_t)> listener);
void RemoveVirtualClockListener(int id);

// Test hooks: SDL underruns counted since start (callbacks that found nothing queued while the
// device was playing), and starting over with the virtual clock at `now`.
uint64_t AudioUnderrunCount();
void ResetVirtualClockForTests(uint32_t now);

}  // namespace tav::platform
