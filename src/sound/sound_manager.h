#pragma once

// The engine's one way to sound: numbered channels, each holding at most one sound, played on
// one mixer (44100 Hz, 16-bit stereo, 1000 ms buffers). Channel 0 is the music, 1 to 15 the
// sound effects by the script functions' convention; the table grows to whatever channel is
// used. Starting a file on a channel first drops what the channel held, which stops it, even
// when the new file then fails. Files are opened by the first registered factory that accepts
// their extension. Runs on the main thread only.

#include <memory>
#include <string>
#include <vector>

#include "sound/sound_buffer.h"

namespace tav::sound {

class SoundManagerImp;

class SoundManager {
 public:
  SoundManager();
  ~SoundManager();
  SoundManager(const SoundManager&) = delete;
  SoundManager& operator=(const SoundManager&) = delete;

  void RegisterStreamFactory(StreamFactory factory);
  // 0 on success; -1 when no factory opened the file; else the sound's failure.
  intptr_t Play(int channel, const std::string& path, bool loop, int mode);
  // The sound's result; -1 for a channel that holds none.
  intptr_t Stop(int channel);
  bool IsPlaying(int channel);

  // The number of channel slots; for tests.
  size_t ChannelCount() const;
  EWaveMixingServer* Mixer() const;

 private:
  std::unique_ptr<SoundManagerImp> imp_;
};

// The manager with the WAV, MIO and Ogg Vorbis factories registered, in that order.
std::unique_ptr<SoundManager> CreateSoundManager();

}  // namespace tav::sound
