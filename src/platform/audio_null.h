#pragma once

#include <deque>
#include <mutex>

#include "platform/audio_output.h"

namespace tav::platform {

class NullAudioOutput final : public AudioOutput {
 public:
  NullAudioOutput(const AudioFormat& format, DoneFunction done, uint32_t now);
  ~NullAudioOutput() override;

  void Write(AudioBlock* block) override;
  void Reset() override;
  void Pause() override;
  void Restart() override;
  uint64_t Position() override;
  uint32_t GetVolume() override;
  void SetVolume(uint32_t volume) override;
  std::optional<uint32_t> NextDoneTime() override;
  void AdvanceTo(uint32_t now) override;

 private:
  struct Queued {
    AudioBlock* block;
    uint64_t end;     // position after its last sample
    size_t consumed;  // bytes already played
  };

  std::mutex mutex_;
  AudioFormat format_;
  DoneFunction done_;
  std::deque<Queued> queue_;
  uint32_t now_;
  uint32_t baseTick_;        // the clock when played_ was basePlayed_ and playing went on
  uint64_t basePlayed_ = 0;
  uint64_t played_ = 0;
  uint64_t queuedEnd_ = 0;   // position after the last queued sample
  bool paused_ = false;
  uint32_t volume_ = 0xFFFFFFFF;
};

}  // namespace tav::platform
