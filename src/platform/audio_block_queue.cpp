#include "platform/audio_block_queue.h"

#include <cstring>

#include "platform/audio_recording.h"
#include "platform/master_volume.h"

namespace tav::platform {
namespace {
std::atomic<uint64_t> g_underruns{0};
}  // namespace

void CountUnderrun() { ++g_underruns; }
uint64_t AudioUnderrunCount() { return g_underruns; }

void PulledAudioOutput::Write(AudioBlock* block) {
  std::lock_guard lock(mutex_);
  queue_.push_back({block, 0});
}

void PulledAudioOutput::Reset() {
  std::deque<Queued> returned;
  {
    std::lock_guard lock(mutex_);
    returned.swap(queue_);
    played_ = 0;
  }
  for (Queued& q : returned) done_(q.block);
}

void PulledAudioOutput::Pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
}

void PulledAudioOutput::Restart() {
  std::lock_guard lock(mutex_);
  paused_ = false;
}

uint64_t PulledAudioOutput::Position() {
  std::lock_guard lock(mutex_);
  return played_;
}

void PulledAudioOutput::Fill(uint8_t* stream, size_t length) {
  const uint8_t silence = format_.bits == 8 ? 0x80 : 0;
  std::deque<AudioBlock*> finished;
  size_t filled = 0;
  {
    std::lock_guard lock(mutex_);
    const uint32_t frame = format_.BytesPerFrame();
    while (!paused_ && filled < length && !queue_.empty()) {
      Queued& head = queue_.front();
      const size_t take = std::min(length - filled, head.block->bytes - head.consumed);
      std::memcpy(stream + filled, head.block->data + head.consumed, take);
      Recording().Append(format_, head.block->data + head.consumed, take);
      head.consumed += take;
      filled += take;
      played_ += take / frame;
      if (head.consumed == head.block->bytes) {
        finished.push_back(head.block);
        queue_.pop_front();
      }
    }
    if (!paused_ && filled < length && played_ > 0) {
      CountUnderrun();
      ++underruns_;
    }
  }
  std::memset(stream + filled, silence, length - filled);
  ApplyVolume(stream, filled);
  ApplyMasterVolume(format_, stream, filled);
  for (AudioBlock* block : finished) done_(block);
}

void PulledAudioOutput::ApplyVolume(uint8_t* stream, size_t bytes) {
  const uint32_t volume = volume_;
  if (volume == 0xFFFFFFFF || format_.bits != 16) return;
  const int32_t gains[2] = {static_cast<int32_t>(volume & 0xFFFF), static_cast<int32_t>(volume >> 16)};
  auto* samples = reinterpret_cast<int16_t*>(stream);
  for (size_t i = 0; i < bytes / 2; ++i) {
    samples[i] = static_cast<int16_t>(samples[i] * gains[format_.channels == 2 ? i & 1 : 0] / 0xFFFF);
  }
}

}  // namespace tav::platform
