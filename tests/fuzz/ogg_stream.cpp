// Arbitrary bytes as an Ogg Vorbis file read through the library's file callbacks, streamed in
// 4096-byte blocks (looping when the size is even) and decoded whole: opening fails with its
// message or the stream plays and stops cleanly.

#include <cstddef>
#include <cstdint>

#include "medialib/memory_file.h"
#include "sound/vorbis_stream.h"
#include "sound_fuzz_player.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (int mode : {1, 2}) {
    tav::medialib::EMemoryFile file;
    file.Open(data, size);
    tav::sound::VorbisSoundStream stream;
    if (stream.Open(file, mode) != nullptr) return 0;
    tav::sound::fuzzing::PlayAWhile(stream, size % 2 == 0);
  }
  return 0;
}
