#pragma once

// `EWaveOutDevice`: one audio output driven from a thread of its own. Sounds hand it blocks as
// buffer handles; the output reports each played block to the thread, which passes it back to
// its sound and asks the sound for the next one (two blocks per sound are queued at a time).
// The mixer derives from it and replaces most of this with its own two circulating buffers.
//
// The thread runs the OnWorkStart/OnWorkEnd of the object's own class, so a derived class starts
// it at the end of its own constructor (the plain device starts it in its public constructor).
//
// The web build has no threads (device_work_web.cpp): the same work, message for message, is
// done on the engine's thread by RunPendingWork, which the virtual clock calls as it moves
// (headless), and otherwise the host's loop and the audio pull call through os/loop_work.h (see
// platform/audio_pull.h). What the mixer produces is the same sample for sample.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "medialib/esl_object.h"
#include "platform/audio_output.h"
#include "sound/device_thread.h"
#include "sound/manual_event.h"
#include "sound/wave_buffer.h"
#include "sound/wave_format.h"

namespace tav::sound {

class EWaveStreamBuffer;

class EWaveOutDevice : public medialib::ESLObject, protected VirtualOutputDriver {
  ESL_DECLARE_CLASS(EWaveOutDevice)

 public:
  EWaveOutDevice();
  EWaveOutDevice(const EWaveOutDevice&) = delete;
  EWaveOutDevice& operator=(const EWaveOutDevice&) = delete;
  ~EWaveOutDevice() override;

  // Opens the output for a PCM format (closing first); null on success.
  const char* Open(const WaveFormat& format);
  bool IsOpen();

  virtual const char* Close();
  virtual WaveBuffer* AllocBuffer(EWaveStreamBuffer* sound, const uint8_t* data, size_t length);
  virtual const char* FreeBuffer(WaveBuffer* handle);
  virtual const char* Write(EWaveStreamBuffer* sound, WaveBuffer* handle);
  virtual const char* Reset(EWaveStreamBuffer* sound);
  virtual void PauseSound(EWaveStreamBuffer* sound);
  virtual void RestartSound(EWaveStreamBuffer* sound);
  virtual void Pause();
  virtual void Restart();
  // Samples of the sound played so far.
  virtual uint64_t GetPosition(EWaveStreamBuffer* sound);
  virtual void GetVolume(uint32_t& left, uint32_t& right);
  virtual void SetVolume(uint32_t left, uint32_t right);
  virtual void GetSoundVolume(EWaveStreamBuffer* sound, float& left, float& right);
  virtual void SetSoundVolume(EWaveStreamBuffer* sound, float left, float right);

  // The clock this device follows (virtual in headless runs), in ms.
  uint32_t Ticks() const { return queue_.Now(); }
  // Handles currently allocated; for tests.
  size_t AllocatedBuffers();

  // Handles every message due now on the calling thread: natively nothing (the device's thread
  // does that); on the web, where no thread does, whoever waits for the device (a sound taking
  // its blocks back, the mixer closing) calls this first.
  void RunPendingWork();

 protected:
  // For derived classes, which start the thread themselves once fully built.
  struct NoThread {};
  explicit EWaveOutDevice(NoThread);

  void StartThread();
  // Ends the thread (waiting at most 3000 ms); safe to call twice.
  void StopThread();

  void ThreadProc();
  // Run on the device's thread before its first message and after its last.
  virtual void OnWorkStart() {}
  virtual void OnWorkEnd() {}
  // One message (not Quit) of the queue.
  void HandleMessage(const DeviceMessage& message);
  virtual void OnBufferDone(WaveBuffer* handle);
  virtual void OnTimer() {}

  // Opens the output itself (under the lock); the mixer builds on it.
  const char* OpenOutput(const WaveFormat& format);
  bool HoldsBuffer(const WaveBuffer* handle) const;

  std::optional<uint32_t> NextOutputEvent() override;
  void AdvanceOutput(uint32_t now) override;
  void SkipTime(uint32_t ms) override;

  std::recursive_mutex lock_;
  std::optional<WaveFormat> format_;
  std::unique_ptr<platform::AudioOutput> output_;
  uint32_t savedVolume_ = 0xFFFFFFFF;
  std::optional<uint32_t> currentVolume_;
  std::vector<std::unique_ptr<WaveBuffer>> buffers_;
  DeviceMessageQueue queue_;

 private:
  std::thread thread_;
  ManualEvent threadEnded_{false};
  int clockListener_ = 0;
  int loopWork_ = 0;       // web: the id of the host loop's call to RunPendingWork
  bool workRunning_ = false;  // web: RunPendingWork is on the stack
  bool workEnded_ = false;    // web: Quit was handled
};

// Failures go to the debug trace too.
const char* Fail(const char* message);

}  // namespace tav::sound
