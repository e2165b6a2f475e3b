#pragma once

// What the sound fuzz targets share: one mixer on the virtual clock for the whole run, and a
// sound played on it for a few hundred virtual milliseconds, then stopped.

#include <memory>

#include "medialib/library_init.h"
#include "platform/audio_output.h"
#include "sound/mixing_server.h"
#include "sound/wave_sound.h"

namespace tav::sound::fuzzing {

inline EWaveMixingServer& Mixer() {
  static const std::unique_ptr<EWaveMixingServer> mixer = [] {
    medialib::rudInitializeLibrary();
    platform::ConfigureAudio(true, "");
    auto m = std::make_unique<EWaveMixingServer>();
    m->Open(1000, 33, 44100, 2, 16);
    return m;
  }();
  return *mixer;
}

inline void PlayAWhile(EWaveSound& sound, bool loop) {
  static uint32_t now = 0;
  sound.SetDevice(&Mixer());
  sound.SetVolume(0.7f, 0.3f);
  if (sound.Play(-1, loop, nullptr) != nullptr) return;
  for (int step = 0; step < 4; ++step) {
    now += 60;
    platform::MoveVirtualClock(now);
  }
  sound.Pause();
  sound.Resume();
  sound.Stop();
}

}  // namespace tav::sound::fuzzing
