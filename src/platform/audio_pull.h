#pragma once

// The web build's real-time sound (audio_pull_web.cpp): nothing plays by itself; the browser's
// audio callback pulls samples. While a game has an output open (the mixer opens one as the game
// starts its sound), each call of RenderAudio hands over the next `frames` frames, exactly the
// bytes the native SDL callback would hand SDL (same queue, same volume and master volume, same
// recording with --audio-out), then runs the host loop's work (os/loop_work.h) so that the sound
// device takes back the blocks just finished and the mixer refills them. A host also calls
// platform::RunLoopWork from its own loop every frame, so that the mixer's timer runs while the
// audio callback is held back (a page before its first click).
//
// Headless runs do not use this: they play on the virtual clock (audio_output.h).

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/audio_output.h"

namespace tav::platform {

// The format of the open output: rate, channels and bits (16: signed little-endian, 8:
// unsigned), interleaved. Nothing while no output is open.
std::optional<AudioFormat> PulledAudioFormat();

// Writes `frames` frames into `out` (frames * BytesPerFrame() bytes) in that format; false, with
// `out` untouched, when no output is open (the caller plays silence). Call on the engine's thread
// (the page's main thread) from the browser's callback, never from inside the engine.
bool RenderAudio(uint8_t* out, size_t frames);

}  // namespace tav::platform
