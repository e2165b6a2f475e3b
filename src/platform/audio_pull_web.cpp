// The web build's real-time audio output: a pulled output (audio_block_queue.h) that the browser's
// audio callback drains through RenderAudio (audio_pull.h).
#include <string>

#include "os/diagnostics.h"
#include "os/loop_work.h"
#include "platform/audio_block_queue.h"
#include "platform/audio_pull.h"

namespace tav::platform {
namespace {

class BrowserAudioOutput;
BrowserAudioOutput* g_open = nullptr;  // the output RenderAudio drains

class BrowserAudioOutput final : public PulledAudioOutput {
 public:
  BrowserAudioOutput(const AudioFormat& format, DoneFunction done) : PulledAudioOutput(format, std::move(done)) {
    g_open = this;
  }
  ~BrowserAudioOutput() override {
    if (g_open == this) g_open = nullptr;
    Reset();
    if (Underruns() > 0) {
      Diagnose(Severity::Warning, "", "audio underruns: the output ran dry " + std::to_string(Underruns()) + " times");
    }
  }
};

}  // namespace

std::unique_ptr<AudioOutput> OpenRealTimeAudioOutput(const AudioFormat& format, AudioOutput::DoneFunction done) {
  if (g_open != nullptr) {
    Diagnose(Severity::Warning, "", "no audio: the browser's output is already open");
    return nullptr;
  }
  return std::make_unique<BrowserAudioOutput>(format, std::move(done));
}

std::optional<AudioFormat> PulledAudioFormat() {
  if (g_open == nullptr) return std::nullopt;
  return g_open->Format();
}

bool RenderAudio(uint8_t* out, size_t frames) {
  if (g_open == nullptr) {
    RunLoopWork();
    return false;
  }
  g_open->Fill(out, frames * g_open->Format().BytesPerFrame());
  RunLoopWork();
  return true;
}

}  // namespace tav::platform
