#pragma once

// A buffer handle: one block of a sound's data handed to a device. The plain device queues its
// block on the output; the mixer reads it and records when it will have been heard.

#include <cstddef>
#include <cstdint>

#include "platform/audio_output.h"

namespace tav::sound {

class EWaveStreamBuffer;

struct WaveBuffer {
  const uint8_t* data = nullptr;
  size_t length = 0;
  EWaveStreamBuffer* sound = nullptr;
  bool done = false;        // mixer: heard, to be reported on the next pass
  uint64_t endPosition = 0; // mixer: the sound's output sample after the block's last one
  platform::AudioBlock block;  // plain device: what the output plays
};

}  // namespace tav::sound
