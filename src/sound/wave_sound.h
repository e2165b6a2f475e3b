#pragma once

// The sound objects a device plays. `EWaveStreamBuffer` carries a format and the gains;
// `EWaveSound` adds the data of a whole sound (or, in the stream sources, decoded blocks) and
// plays it on its device, looping from a start point when asked.
//
// Lock order: device, then sound. A sound never holds its own lock while it calls its device.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "medialib/esl_object.h"
#include "medialib/file_object.h"
#include "sound/manual_event.h"
#include "sound/wave_buffer.h"
#include "sound/wave_format.h"

namespace tav::sound {

class EWaveOutDevice;

class EWaveStreamBuffer : public medialib::ESLObject {
  ESL_DECLARE_CLASS(EWaveStreamBuffer)

 public:
  // A block the device has finished with; the device still holds its handle.
  virtual void OnBlockDone(WaveBuffer* handle, const uint8_t* data, size_t length);
  // The next block to play, as a handle from `device`, or null when there is none.
  virtual WaveBuffer* RequestNextData(EWaveOutDevice* device);

  void SetFormat(const WaveFormat* format);
  const std::optional<WaveFormat>& Format() const { return format_; }
  // Bytes of the data before sample `count`: whole frames for PCM, whole blocks for ADPCM.
  uint64_t SampleToByteOffset(uint64_t count) const;

  float leftGain = 1.0f;
  float rightGain = 1.0f;

 protected:
  std::optional<WaveFormat> format_;
};

class EWaveSound : public EWaveStreamBuffer {
  ESL_DECLARE_CLASS(EWaveSound)

 public:
  EWaveSound() = default;
  EWaveSound(const EWaveSound&) = delete;
  EWaveSound& operator=(const EWaveSound&) = delete;
  ~EWaveSound() override;

  void SetDevice(EWaveOutDevice* device) { device_ = device; }
  EWaveOutDevice* Device() const { return device_; }

  // Stops, frees the format and owned data.
  virtual void Release();
  // Reads a RIFF/WAVE file: null on success, else the message of what failed.
  const char* LoadWave(medialib::ESLFileObject& file);
  // Takes `data` as the sound's content (copied and owned).
  bool SetData(const uint8_t* data, size_t length);

  const char* Play(bool loop, ManualEvent* endEvent) { return Play(-1, loop, endEvent, 33, 0); }
  const char* Play(int64_t startPoint, bool loop, ManualEvent* endEvent) {
    return Play(startPoint, loop, endEvent, 33, 0);
  }
  // Starts from `startPoint` (-1: 0; beyond the data: 0), heard after `lookAhead` ms on the
  // mixer. `startPosition` is for the stream sources.
  virtual const char* Play(int64_t startPoint, bool loop, ManualEvent* endEvent, uint32_t lookAhead,
                           uint64_t startPosition);
  virtual const char* Stop();
  virtual void Pause();
  virtual void Resume();
  virtual void GetVolume(float& left, float& right) const;
  virtual void SetVolume(float left, float right);

  void OnBlockDone(WaveBuffer* handle, const uint8_t* data, size_t length) override;
  WaveBuffer* RequestNextData(EWaveOutDevice* device) override;

  bool IsPlaying() const { return playing_; }
  size_t DataLength() const { return dataLength_; }

 protected:
  // Hands a handle to the device (the mixer with a look-ahead); null on success.
  const char* WriteToDevice(WaveBuffer* handle, uint32_t lookAhead);
  void ReleaseData();

  EWaveOutDevice* device_ = nullptr;
  ManualEvent* endEvent_ = nullptr;
  std::atomic<bool> playing_{false};
  bool loop_ = false;
  std::unique_ptr<uint8_t, void (*)(uint8_t*)> data_{nullptr, nullptr};
  size_t dataLength_ = 0;
  const uint8_t* loopData_ = nullptr;
  size_t loopLength_ = 0;
  std::recursive_mutex lock_;
};

}  // namespace tav::sound
