// Arbitrary bytes as an MIO container, played in memory: opening, reading and decoding packets,
// walking to the end of the stream and seeking must fail cleanly or succeed, never crash, hang
// or read outside the file.

#include <cstddef>
#include <cstdint>

#include "medialib/memory_file.h"
#include "medialib/mio_description.h"
#include "medialib/mio_player.h"

using tav::medialib::EMemoryFile;
using tav::medialib::MIODynamicPlayer;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EMemoryFile file;
  file.Open(data, size);
  MIODynamicPlayer player;
  if (player.Open(&file, MIODynamicPlayer::kWithoutThread) != nullptr) return 0;
  tav::medialib::ParseDescription(player.Description().View());

  uint64_t samples = 0;
  for (int packet = 0; packet < 64; ++packet) {
    size_t bytes = 0;
    void* block = player.GetNextBlock(&bytes);
    if (block == nullptr) break;
    samples += bytes;
    player.ReleaseBlock(block);
    if (player.IsAtStreamStart()) break;
  }
  for (uint32_t sample : {0u, 1u, static_cast<uint32_t>(samples / 3), 0xFFFFFFFFu}) {
    size_t bytes = 0, offset = 0;
    void* block = player.SeekAndGetBlock(sample, &bytes, &offset);
    if (block != nullptr && offset >= bytes) __builtin_trap();  // the offset lies in the block
    player.ReleaseBlock(block);
  }
  return 0;
}
