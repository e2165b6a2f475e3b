// The web page's audio backend: the page's audio callback pulls samples out of the queued blocks
// (tav_web_audio_fill), as SDL's audio thread does natively. A block is done when its last byte
// has been handed to the page; what is handed over is what gets recorded. Without threads the
// callback and the engine never run at the same time, so the queue needs no lock.
#ifdef __EMSCRIPTEN__

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "platform/audio_output.h"
#include "platform/audio_recording.h"
#include "platform/master_volume.h"

namespace tav::platform {
namespace {

class WebAudioOutput;
// The outputs open now; the page hears their sum.
std::vector<WebAudioOutput*>& OpenOutputs() {
  static std::vector<WebAudioOutput*> outputs;
  return outputs;
}

class WebAudioOutput final : public AudioOutput {
 public:
  WebAudioOutput(const AudioFormat& format, DoneFunction done) : format_(format), done_(std::move(done)) {
    OpenOutputs().push_back(this);
  }
  ~WebAudioOutput() override {
    auto& outputs = OpenOutputs();
    outputs.erase(std::remove(outputs.begin(), outputs.end(), this), outputs.end());
    Reset();
  }

  void Write(AudioBlock* block) override { queue_.push_back({block, 0}); }
  void Reset() override {
    std::deque<Queued> returned;
    returned.swap(queue_);
    played_ = 0;
    for (Queued& q : returned) done_(q.block);
  }
  void Pause() override { paused_ = true; }
  void Restart() override { paused_ = false; }
  uint64_t Position() override { return played_; }
  uint32_t GetVolume() override { return volume_; }
  void SetVolume(uint32_t volume) override { volume_ = volume; }

  uint32_t Rate() const { return format_.rate; }

  // Adds `frames` frames of this output to the page's two channels (floats in -1 … 1).
  void MixInto(float* left, float* right, size_t frames) {
    const uint32_t frameBytes = format_.BytesPerFrame();
    std::vector<uint8_t> bytes(frames * frameBytes, format_.bits == 8 ? 0x80 : 0);
    std::deque<AudioBlock*> finished;
    size_t filled = 0;
    const size_t length = bytes.size();
    while (!paused_ && filled < length && !queue_.empty()) {
      Queued& head = queue_.front();
      const size_t take = std::min(length - filled, head.block->bytes - head.consumed);
      std::memcpy(bytes.data() + filled, head.block->data + head.consumed, take);
      Recording().Append(format_, head.block->data + head.consumed, take);
      head.consumed += take;
      filled += take;
      played_ += take / frameBytes;
      if (head.consumed == head.block->bytes) {
        finished.push_back(head.block);
        queue_.pop_front();
      }
    }
    ApplyVolume(bytes.data(), filled);
    ApplyMasterVolume(format_, bytes.data(), filled);
    for (size_t i = 0; i < frames; ++i) {
      const uint8_t* frame = bytes.data() + i * frameBytes;
      float l = 0, r = 0;
      if (format_.bits == 8) {
        l = (frame[0] - 128) / 128.0f;
        r = format_.channels == 2 ? (frame[1] - 128) / 128.0f : l;
      } else {
        int16_t s[2] = {0, 0};
        std::memcpy(s, frame, format_.channels == 2 ? 4 : 2);
        l = s[0] / 32768.0f;
        r = format_.channels == 2 ? s[1] / 32768.0f : l;
      }
      left[i] += l;
      right[i] += r;
    }
    for (AudioBlock* block : finished) done_(block);
  }

 private:
  struct Queued {
    AudioBlock* block;
    size_t consumed;
  };

  // The output's own volume (waveOutSetVolume), as the native backend applies it.
  void ApplyVolume(uint8_t* stream, size_t bytes) const {
    if (volume_ == 0xFFFFFFFF || format_.bits != 16) return;
    const int32_t gains[2] = {static_cast<int32_t>(volume_ & 0xFFFF), static_cast<int32_t>(volume_ >> 16)};
    auto* samples = reinterpret_cast<int16_t*>(stream);
    for (size_t i = 0; i < bytes / 2; ++i) {
      samples[i] = static_cast<int16_t>(samples[i] * gains[format_.channels == 2 ? i & 1 : 0] / 0xFFFF);
    }
  }

  AudioFormat format_;
  DoneFunction done_;
  std::deque<Queued> queue_;
  uint64_t played_ = 0;
  bool paused_ = false;
  uint32_t volume_ = 0xFFFFFFFF;
};

}  // namespace

std::unique_ptr<AudioOutput> OpenWebAudioOutput(const AudioFormat& format, AudioOutput::DoneFunction done) {
  return std::make_unique<WebAudioOutput>(format, std::move(done));
}

}  // namespace tav::platform

extern "C" {

// The sample rate the page's audio context should run at: the first open output's (the mixer
// opens one), or 0 while none is open.
EMSCRIPTEN_KEEPALIVE int tav_web_audio_rate() {
  const auto& outputs = tav::platform::OpenOutputs();
  return outputs.empty() ? 0 : static_cast<int>(outputs.front()->Rate());
}

// Called by the page's audio callback: fills `frames` frames of both channels. Outputs at another
// rate than the page's are left out (the page runs at the mixer's rate).
EMSCRIPTEN_KEEPALIVE void tav_web_audio_fill(float* left, float* right, int frames, int rate) {
  if (frames <= 0) return;
  std::fill(left, left + frames, 0.0f);
  std::fill(right, right + frames, 0.0f);
  // A copy: a done function may open or close an output.
  const std::vector<tav::platform::WebAudioOutput*> outputs = tav::platform::OpenOutputs();
  for (auto* output : outputs) {
    if (static_cast<int>(output->Rate()) == rate) output->MixInto(left, right, static_cast<size_t>(frames));
  }
}

}  // extern "C"

#endif  // __EMSCRIPTEN__
