#pragma once

// An output whose samples are pulled: a player (SDL's audio thread natively, the browser's audio
// callback on the web) asks Fill for the next bytes, which come out of the queued blocks. A block
// is done when its last byte has been handed over; what is handed over is what gets recorded.
// The output's own volume and the master volume are applied to what comes out.

#include <atomic>
#include <deque>
#include <mutex>

#include "platform/audio_output.h"

namespace tav::platform {

class PulledAudioOutput : public AudioOutput {
 public:
  PulledAudioOutput(const AudioFormat& format, DoneFunction done) : format_(format), done_(std::move(done)) {}

  void Write(AudioBlock* block) override;
  void Reset() override;
  void Pause() override;
  void Restart() override;
  uint64_t Position() override;
  uint32_t GetVolume() override { return volume_; }
  void SetVolume(uint32_t volume) override { volume_ = volume; }

  // Fills `length` bytes (silence where nothing is queued, or while paused) and then reports the
  // blocks finished, on the calling thread.
  void Fill(uint8_t* stream, size_t length);

  const AudioFormat& Format() const { return format_; }
  // Fills that found nothing queued while playing.
  uint64_t Underruns() const { return underruns_; }

 private:
  struct Queued {
    AudioBlock* block;
    size_t consumed;
  };

  void ApplyVolume(uint8_t* stream, size_t bytes);

  AudioFormat format_;
  DoneFunction done_;
  std::mutex mutex_;
  std::deque<Queued> queue_;
  uint64_t played_ = 0;
  bool paused_ = false;
  std::atomic<uint32_t> volume_{0xFFFFFFFF};
  uint64_t underruns_ = 0;
};

// Underruns of every pulled output since start (AudioUnderrunCount reads it).
void CountUnderrun();

}  // namespace tav::platform
