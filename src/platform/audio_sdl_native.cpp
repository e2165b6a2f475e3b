// The native real-time audio backend, SDL: its audio thread pulls samples out of the queued blocks
// (audio_block_queue.h).
#include "os/sdl_library.h"

#include <string>

#include "os/diagnostics.h"
#include "platform/audio_block_queue.h"

namespace tav::platform {
namespace {

class SdlAudioOutput final : public PulledAudioOutput {
 public:
  using PulledAudioOutput::PulledAudioOutput;
  ~SdlAudioOutput() override {
    if (device_ != 0) {
      Sdl().CloseAudioDevice(device_);  // waits for the callback to finish
      Reset();
    }
    if (Underruns() > 0) {
      Diagnose(Severity::Warning, "", "audio underruns: the output ran dry " + std::to_string(Underruns()) + " times");
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
    want.freq = static_cast<int>(Format().rate);
    want.format = Format().bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(Format().channels);
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

 private:
  static void SDLCALL Callback(void* self, Uint8* stream, int length) {
    static_cast<SdlAudioOutput*>(self)->Fill(stream, static_cast<size_t>(length));
  }

  SDL_AudioDeviceID device_ = 0;
  bool initialised_ = false;
};

}  // namespace

std::unique_ptr<AudioOutput> OpenRealTimeAudioOutput(const AudioFormat& format, AudioOutput::DoneFunction done) {
  auto output = std::make_unique<SdlAudioOutput>(format, std::move(done));
  if (!output->Open()) return nullptr;
  return output;
}

}  // namespace tav::platform
