// Arbitrary bytes as a WAV file: loading gives a message or a sound, never a crash. One sound in
// sixteen that loads is also played (PCM of any layout, ADPCM, formats the mixer refuses) and
// stopped cleanly: playing costs a few hundred virtual milliseconds on the mixer's thread, which
// would otherwise hold the reader to a few dozen inputs a second.

#include <cstddef>
#include <cstdint>

#include "costly_share.h"
#include "medialib/memory_file.h"
#include "sound_fuzz_player.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tav::medialib::EMemoryFile file;
  file.Open(data, size);
  tav::sound::EWaveSound sound;
  if (sound.LoadWave(file) != nullptr) return 0;
  if (!tav::fuzzing::InCostlyShare(data, size, 16)) return 0;
  tav::sound::fuzzing::PlayAWhile(sound, size % 2 == 0);
  return 0;
}
