// Where the script sound functions send their music and sound effects.
//
// Channel 0 is the music channel, channels 1 to 15 the sound-effect channels. Paths are game
// paths ("config\\music\\town.ogg"); the output resolves and opens them, and always takes the
// whole file into memory. Starting a file on a channel stops what the channel held first, even
// when the new file then cannot be played. The functions ignore every result but IsPlaying.
#pragma once

#include <string>

namespace tav::engine {

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // Starts the file on the channel; 0 on success, otherwise non-zero (nothing plays).
  virtual int Play(int channel, const std::string& gamePathSjis, bool loop) = 0;
  // Stops the channel's sound (it stays in its channel); -1 for a channel that holds none.
  virtual int Stop(int channel) = 0;
  // True while the channel's sound is audible; a looping sound stays audible until stopped.
  // Scripts may ask about any channel number, even a negative or never used one (false).
  virtual bool IsPlaying(int channel) = 0;
};

// Installs the output the sound functions use; null puts back the default output, which
// accepts no file at all: nothing ever plays and every channel answers "not playing". The
// output must outlive its installation.
void SetSoundOutput(SoundOutput* output);
SoundOutput& CurrentSoundOutput();

}  // namespace tav::engine
