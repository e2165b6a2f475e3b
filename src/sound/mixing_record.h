#pragma once

// The mixer's record of one sound it plays: where the sound starts in the output, its blocks
// (current, queued, consumed but not yet heard), its converter, a FIFO of converted samples not
// yet mixed, and per device buffer the samples it contributed (so that stopping, pausing or a
// new volume can be corrected in audio that is already mixed).

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "medialib/stream_buffer.h"
#include "platform/audio_output.h"
#include "sound/format_converter.h"
#include "sound/wave_buffer.h"
#include "sound/wave_format.h"

namespace tav::sound {

class EWaveStreamBuffer;
class EWaveMixingServer;

struct MixingRecord {
  // Null with the message when the sound's format cannot be played.
  static std::unique_ptr<MixingRecord> Create(EWaveMixingServer& mixer, EWaveStreamBuffer* sound,
                                              const platform::AudioFormat& output, size_t bufferSamples,
                                              const char** error);

  // Produces up to `count` converted samples (FIFO first, then blocks) into `out`; answers how
  // many. Asks the sound for blocks as they run out.
  size_t Produce(uint8_t* out, size_t count);
  // Whether the sound has nothing left to give or to report.
  bool Ended() const { return current == nullptr && waiting.empty() && fifo.GetLength() == 0; }
  // Makes `current` the block being converted (decoding ADPCM).
  void StartBlock();

  EWaveMixingServer* mixer = nullptr;
  EWaveStreamBuffer* sound = nullptr;
  WaveFormat format;           // the sound's (as PCM when decoded here)
  bool adpcm = false;          // blocks are decoded to 16-bit PCM before conversion
  WaveFormat sourceFormat;     // the ADPCM format the blocks are in
  bool paused = false;
  int64_t startOffset = 0;     // output sample at which the sound's converted sample 0 plays
  uint64_t pausedIndex = 0;    // the first sample not heard when it was paused
  std::vector<uint8_t> scratch[2];
  size_t scratchBegin[2] = {0, 0}, scratchEnd[2] = {0, 0};  // what it put into each buffer
  medialib::EStreamBuffer fifo;
  WaveBuffer* current = nullptr;
  size_t consumed = 0;         // bytes of the current block given to the converter
  uint64_t produced = 0;       // converted samples produced so far (FIFO included)
  std::deque<WaveBuffer*> queue;
  std::deque<WaveBuffer*> waiting;  // used up, to be reported once heard
  bool noMoreData = false;     // the sound answered no next block
  FormatConverter converter;
  std::vector<int16_t> decoded;  // the current ADPCM block as PCM

 private:
  size_t ConvertFromBlocks(uint8_t* out, size_t count);
  void FetchNext();

  uint32_t outFrameBytes_ = 4;
};

}  // namespace tav::sound
