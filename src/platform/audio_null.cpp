// The null audio backend: plays in virtual time. A block is played when the virtual clock has
// moved far enough past the time the output started on it; nothing is heard, but positions,
// done notifications and the recording are exactly those of a real device at that clock.
#include "platform/audio_null.h"

#include <algorithm>

#include "platform/audio_recording.h"

namespace tav::platform {

NullAudioOutput::NullAudioOutput(const AudioFormat& format, DoneFunction done, uint32_t now)
    : format_(format), done_(std::move(done)), now_(now), baseTick_(now) {}

NullAudioOutput::~NullAudioOutput() { Reset(); }

void NullAudioOutput::Write(AudioBlock* block) {
  std::unique_lock lock(mutex_);
  if (queue_.empty() && !paused_) {
    // An idle device starts on a block when it is given it.
    basePlayed_ = played_;
    baseTick_ = now_;
  }
  queuedEnd_ += block->bytes / format_.BytesPerFrame();
  queue_.push_back({block, queuedEnd_, 0});
}

void NullAudioOutput::Reset() {
  std::deque<Queued> returned;
  {
    std::lock_guard lock(mutex_);
    returned.swap(queue_);
    played_ = basePlayed_ = queuedEnd_ = 0;
    baseTick_ = now_;
  }
  for (Queued& q : returned) done_(q.block);
}

void NullAudioOutput::Pause() {
  std::lock_guard lock(mutex_);
  if (paused_) return;
  paused_ = true;
}

void NullAudioOutput::Restart() {
  std::lock_guard lock(mutex_);
  if (!paused_) return;
  paused_ = false;
  basePlayed_ = played_;
  baseTick_ = now_;
}

uint64_t NullAudioOutput::Position() {
  std::lock_guard lock(mutex_);
  return played_;
}

std::optional<uint32_t> NullAudioOutput::NextDoneTime() {
  std::lock_guard lock(mutex_);
  if (paused_ || queue_.empty()) return std::nullopt;
  const uint64_t samples = queue_.front().end - basePlayed_;
  const uint64_t ms = (samples * 1000 + format_.rate - 1) / format_.rate;
  return static_cast<uint32_t>(baseTick_ + ms);
}

void NullAudioOutput::AdvanceTo(uint32_t now) {
  std::deque<AudioBlock*> finished;
  {
    std::lock_guard lock(mutex_);
    // The clock only moves forward; unsigned differences survive its wrap.
    const uint32_t elapsed = now - baseTick_;
    now_ = now;
    if (paused_) return;
    uint64_t target = basePlayed_ + uint64_t{elapsed} * format_.rate / 1000;
    const bool underrun = target > queuedEnd_;
    target = std::min(target, queuedEnd_);
    const uint32_t frame = format_.BytesPerFrame();
    while (played_ < target && !queue_.empty()) {
      Queued& head = queue_.front();
      const uint64_t take = std::min(target, head.end) - played_;
      const size_t bytes = static_cast<size_t>(take * frame);
      Recording().Append(format_, head.block->data + head.consumed, bytes);
      head.consumed += bytes;
      played_ += take;
      if (played_ == head.end) {
        finished.push_back(head.block);
        queue_.pop_front();
      }
    }
    if (underrun) {
      // Nothing left to play: the device idles, and starts afresh on the next block.
      basePlayed_ = played_;
      baseTick_ = now_;
    }
  }
  for (AudioBlock* block : finished) done_(block);
}

uint32_t NullAudioOutput::GetVolume() { return volume_; }
void NullAudioOutput::SetVolume(uint32_t volume) { volume_ = volume; }

}  // namespace tav::platform
