// Arbitrary bytes as a WAV file: loading gives a message or a sound, never a crash; a sound that
// loads is played (PCM of any layout, ADPCM, formats the mixer refuses) and stopped cleanly.

#include <cstddef>
#include <cstdint>

#include "medialib/memory_file.h"
#include "sound_fuzz_player.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tav::medialib::EMemoryFile file;
  file.Open(data, size);
  tav::sound::EWaveSound sound;
  if (sound.LoadWave(file) != nullptr) return 0;
  tav::sound::fuzzing::PlayAWhile(sound, size % 2 == 0);
  return 0;
}
