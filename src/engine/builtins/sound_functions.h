// Where the script sound functions send their music and sound effects: the process's sound
// manager. Channel 0 is the music channel, channels 1 to 15 the sound-effect channels. Paths are
// game paths ("config\\music\\town.ogg") and the whole file is taken into memory (mode 1).
// The functions ignore every result but IsPlaying.
#pragma once

namespace tav::sound {
class SoundManager;
}

namespace tav::engine {

// Installs the manager the sound functions use (null: none, so nothing plays and every channel
// answers "not playing"). It must outlive its installation.
void SetSoundManager(sound::SoundManager* manager);
sound::SoundManager* CurrentSoundManager();

}  // namespace tav::engine
