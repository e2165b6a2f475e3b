// The SDL audio backend: SDL's audio thread pulls samples out of the queued blocks. A block is
// done when its last byte has been handed to SDL; what is handed over is what gets recorded.
#include "os/sdl_library.h"

#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

#include "platform/audio_output.h"
#include "platform/audio_recording.h"
#include "os/diagnostics.h"
#include "platform/master_volume.h"

namespace tav::platform {
namespace {

std::atomic<uint64_t> g_underruns{0};

class SdlAudioOutput final : public AudioOutput {
 public:
  SdlAudioOutput(const AudioFormat& format, DoneFunction done) : format_(format), done_(std::move(done)) {}
  ~SdlAudioOutput() override {
    if (device_ != 0) {
      Sdl().CloseAudioDevice(device_);  // waits for the callback to finish
      Reset();
    }
    if (underruns_ > 0) {
      Diagnose(Severity::Warning, "", "audio underruns: the output ran dry " + std::to_string(underruns_) + " times");
    }
    if (initialised_) Sdl().QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool Open() {
    std::string why;
    if (!OpenSdl(&why)) {
      Diagnose(Severity::Warning, "", "no audio: " + why);
      return false;
    }
    if (Sdl().InitSubSystem(SDL_INIT_AUDIO) != 0) {
      Diagnose(Severity::Warning, "", std::string("no audio: ") + Sdl().GetError());
      return false;
    }
    initialised_ = true;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(format_.rate);
    want.format = format_.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(format_.channels);
    want.samples = 1024;
    want.callback = &SdlAudioOutput::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // SDL converts to whatever the hardware takes, so the format asked for is the one we feed.
    device_ = Sdl().OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
      Diagnose(Severity::Warning, "", std::string("cannot open the audio device: ") + Sdl().GetError());
      return false;
    }
    Sdl().PauseAudioDevice(device_, 0);
    return true;
  }

  void Write(AudioBlock* block) override {
    std::lock_guard lock(mutex_);
    queue_.push_back({block, 0});
  }

  void Reset() override {
    std::deque<Queued> returned;
    {
      std::lock_guard lock(mutex_);
      returned.swap(queue_);
      played_ = 0;
    }
    for (Queued& q : returned) done_(q.block);
  }

  void Pause() override {
    std::lock_guard lock(mutex_);
    paused_ = true;
  }
  void Restart() override {
    std::lock_guard lock(mutex_);
    paused_ = false;
  }
  uint64_t Position() override {
    std::lock_guard lock(mutex_);
    return played_;
  }
  uint32_t GetVolume() override { return volume_; }
  void SetVolume(uint32_t volume) override { volume_ = volume; }

 private:
  struct Queued {
    AudioBlock* block;
    size_t consumed;
  };

  static void SDLCALL Callback(void* self, Uint8* stream, int length) {
    static_cast<SdlAudioOutput*>(self)->Fill(stream, static_cast<size_t>(length));
  }

  void Fill(uint8_t* stream, size_t length) {
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
        ++g_underruns;
        ++underruns_;
      }
    }
    std::memset(stream + filled, silence, length - filled);
    ApplyVolume(stream, filled);
    ApplyMasterVolume(format_, stream, filled);
    for (AudioBlock* block : finished) done_(block);
  }

  void ApplyVolume(uint8_t* stream, size_t bytes) {
    const uint32_t volume = volume_;
    if (volume == 0xFFFFFFFF || format_.bits != 16) return;
    const int32_t gains[2] = {static_cast<int32_t>(volume & 0xFFFF), static_cast<int32_t>(volume >> 16)};
    auto* samples = reinterpret_cast<int16_t*>(stream);
    for (size_t i = 0; i < bytes / 2; ++i) {
      samples[i] = static_cast<int16_t>(samples[i] * gains[format_.channels == 2 ? i & 1 : 0] / 0xFFFF);
    }
  }

  AudioFormat format_;
  DoneFunction done_;
  SDL_AudioDeviceID device_ = 0;
  bool initialised_ = false;
  std::mutex mutex_;
  std::deque<Queued> queue_;
  uint64_t played_ = 0;
  bool paused_ = false;
  std::atomic<uint32_t> volume_{0xFFFFFFFF};
  uint64_t underruns_ = 0;
};

}  // namespace

std::unique_ptr<AudioOutput> OpenSdlAudioOutput(const AudioFormat& format, AudioOutput::DoneFunction done) {
  auto output = std::make_unique<SdlAudioOutput>(format, std::move(done));
  if (!output->Open()) return nullptr;
  return output;
}

uint64_t AudioUnderrunCount() { return g_underruns; }

}  // namespace tav::platform
