#pragma once

// `EWaveMixingServer`: a software mixer on one output. Two device buffers of N samples circulate
// on the output; the mixer's thread mixes ahead into them every 33 ms and when one comes back.
// A sound started now is mixed into the audio already prepared from `look-ahead` ms on; each
// sound keeps what it contributed to each buffer, so stopping, pausing or a new volume corrects
// the prepared audio from about 33 ms on instead of waiting a buffer.
//
// Lock order: the mixer's lock, then a sound's. The mixer calls into sounds (RequestNextData,
// OnBlockDone) with its lock held, and they call back (AllocBuffer, FreeBuffer): the lock is
// recursive for that.

#include <cstdint>
#include <memory>
#include <vector>

#include "sound/mixing_record.h"
#include "sound/wave_out_device.h"

namespace tav::sound {

class EWaveMixingServer : public EWaveOutDevice {
  ESL_DECLARE_CLASS(EWaveMixingServer)

 public:
  EWaveMixingServer();
  ~EWaveMixingServer() override;

  // Buffer length in ms, an ignored argument, then the output format. Null on success.
  const char* Open(uint32_t bufferMs, uint32_t unused, uint32_t rate, uint32_t channels, uint32_t bits);
  const char* Close() override;

  WaveBuffer* AllocBuffer(EWaveStreamBuffer* sound, const uint8_t* data, size_t length) override;
  const char* FreeBuffer(WaveBuffer* handle) override;
  const char* Write(EWaveStreamBuffer* sound, WaveBuffer* handle) override { return Write(sound, handle, 66); }
  // Starts the sound (or queues the block behind its others); heard `lookAhead` ms from now.
  const char* Write(EWaveStreamBuffer* sound, WaveBuffer* handle, uint32_t lookAhead);
  const char* Reset(EWaveStreamBuffer* sound) override;
  void PauseSound(EWaveStreamBuffer* sound) override;
  void RestartSound(EWaveStreamBuffer* sound) override;
  void Pause() override;
  void Restart() override;
  uint64_t GetPosition(EWaveStreamBuffer* sound) override;
  void SetSoundVolume(EWaveStreamBuffer* sound, float left, float right) override;

  size_t BufferSamples() const { return bufferSamples_; }
  size_t SoundCount();
  // The mixed audio of one device buffer as it stands; for tests.
  std::vector<uint8_t> BufferContents(int index);

 protected:
  void OnWorkStart() override;
  void OnWorkEnd() override;
  void OnBufferDone(WaveBuffer* handle) override;
  void OnTimer() override;
  void SkipTime(uint32_t ms) override;

 private:
  // Samples from the start of the playing buffer to `lookAhead` ms from now, rounded up to 8.
  uint64_t EstimatePosition(uint32_t lookAhead) const;
  int64_t BufferStart(int index) const;
  // Where corrections begin in a buffer: 33 ms from now (what is heard before stays).
  size_t CorrectionStart(int index) const;
  MixingRecord* Find(const EWaveStreamBuffer* sound);
  // Mixes one sound into [from, to) of a buffer (clipped to where the sound starts).
  void MixRecord(MixingRecord& record, int index, size_t from, size_t to);
  // Mixes every sound into the next `count` samples of a buffer and walks the done lists.
  void MixInto(int index, size_t count);
  // Applies a gain change to what the sound contributed to [from, fill) of a buffer.
  void ChangeGain(MixingRecord& record, int index, size_t from, float oldLeft, float oldRight, float newLeft,
                  float newRight);
  // Reports every handle of the record to its sound and frees those it still holds.
  void ReportAll(MixingRecord& record);
  void ReportHandle(EWaveStreamBuffer* sound, WaveBuffer* handle);
  uint64_t SoundPosition(const MixingRecord& record) const;

  platform::AudioFormat out_;
  size_t bufferSamples_ = 0;
  uint64_t samplesQueued_ = 0;
  int playing_ = 0;
  uint32_t timeBase_ = 0;
  uint32_t pauseTick_ = 0;
  bool devicePaused_ = false;
  bool closing_ = false;
  std::vector<uint8_t> deviceBuffers_[2];
  std::unique_ptr<WaveBuffer> headers_[2];
  size_t fill_[2] = {0, 0};
  bool returned_[2] = {false, false};
  ManualEvent allReturned_{true};
  std::vector<std::unique_ptr<MixingRecord>> records_;
};

}  // namespace tav::sound
