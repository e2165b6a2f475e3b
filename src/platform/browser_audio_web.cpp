// The page's side of the pulled sound (audio_pull.h): the page's audio callback asks for floats
// per channel, which are made here from exactly the bytes the native callback would play.

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/audio_pull.h"

extern "C" {

// The sample rate the page's audio context should run at: the open output's, or 0 while none is.
EMSCRIPTEN_KEEPALIVE int tav_web_audio_rate() {
  const std::optional<tav::platform::AudioFormat> format = tav::platform::PulledAudioFormat();
  return format ? static_cast<int>(format->rate) : 0;
}

// Called by the page's audio callback: fills `frames` frames of both channels (-1 … 1) from
// the open output when it runs at the context's `rate`, else silence. Mono plays on both.
EMSCRIPTEN_KEEPALIVE void tav_web_audio_fill(float* left, float* right, int frames, int rate) {
  if (frames <= 0) return;
  std::fill(left, left + frames, 0.0f);
  std::fill(right, right + frames, 0.0f);
  const std::optional<tav::platform::AudioFormat> format = tav::platform::PulledAudioFormat();
  if (!format || static_cast<int>(format->rate) != rate) return;
  static std::vector<uint8_t> bytes;
  const uint32_t frameBytes = format->BytesPerFrame();
  bytes.resize(static_cast<size_t>(frames) * frameBytes);
  if (!tav::platform::RenderAudio(bytes.data(), static_cast<size_t>(frames))) return;
  const bool stereo = format->channels == 2;
  for (int i = 0; i < frames; ++i) {
    const uint8_t* frame = bytes.data() + static_cast<size_t>(i) * frameBytes;
    if (format->bits == 8) {
      left[i] = (frame[0] - 128) / 128.0f;
      right[i] = stereo ? (frame[1] - 128) / 128.0f : left[i];
    } else {
      int16_t samples[2] = {0, 0};
      std::memcpy(samples, frame, stereo ? 4 : 2);
      left[i] = samples[0] / 32768.0f;
      right[i] = stereo ? samples[1] / 32768.0f : left[i];
    }
  }
}

}  // extern "C"
