#pragma once

// Writing lossless MIO: packets coded with our order-1 byte coder and the container around them
// (docs/mio.md). Used by `tavtool mio encode`, the tests and the benchmark.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "medialib/byte_coder.h"
#include "medialib/mio_format.h"

namespace tav::medialib {

// Codes packets of one stream in order; the models carry over from packet to packet and are
// reset at key packets, as the decoder's are.
class MIOPacketEncoder {
 public:
  MIOPacketEncoder(uint32_t channels, uint32_t bitsPerSample);
  // Interleaved PCM of `samples` samples per channel (8-bit unsigned or 16-bit little-endian)
  // into the packet's coded bytes (without the 8-byte packet header).
  std::vector<uint8_t> Encode(const uint8_t* pcm, uint32_t samples, bool key);

 private:
  uint32_t channels_;
  uint32_t bits_;
  ByteCoderModel model_;
  std::vector<uint8_t> bytes_;
};

struct MIOEncodeOptions {
  uint32_t packetSamples = 4096;  // per channel; the last packet may be shorter
  uint32_t keyEvery = 8;          // packets 0, keyEvery, 2 keyEvery ... are key packets
  uint32_t rewindPoint = 0;       // the description's "#rewind-point"
};

// A complete container for interleaved PCM; empty when the parameters are unusable (channels
// other than 1 or 2, bits other than 8 or 16, packet size 0 or above the format's limit).
std::vector<uint8_t> EncodeMIOFile(const uint8_t* pcm, size_t bytes, uint32_t channels,
                                   uint32_t samplesPerSec, uint32_t bitsPerSample,
                                   const MIOEncodeOptions& options);

}  // namespace tav::medialib
