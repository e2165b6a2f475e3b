#pragma once

// What the two decoding stream sources share: a sound that feeds its device one decoded block at
// a time instead of holding the whole sound. Blocks in the device's hands are kept by address
// until the device reports them heard; stopping waits (at most 1000 ms) until all are back.
// Mode 2 decodes the whole stream at Open and plays it as a plain EWaveSound.

#include <map>
#include <memory>

#include "medialib/memory_file.h"
#include "medialib/stream_buffer.h"
#include "sound/wave_sound.h"

namespace tav::sound {

class EStreamingSound : public EWaveSound {
  ESL_DECLARE_CLASS(EStreamingSound)

 public:
  // Modes of Open: decode from the file given (it must stay open), from a copy in memory, or
  // decode everything at once.
  static constexpr int kFromFile = 0;
  static constexpr int kInMemory = 1;
  static constexpr int kWhole = 2;

  ~EStreamingSound() override;

  using EWaveSound::Play;

  const char* Play(int64_t startPoint, bool loop, ManualEvent* endEvent, uint32_t lookAhead,
                   uint64_t startPosition) override;
  const char* Stop() override;
  void Release() override;
  WaveBuffer* RequestNextData(EWaveOutDevice* device) override;
  void OnBlockDone(WaveBuffer* handle, const uint8_t* data, size_t length) override;

  int64_t LoopPoint() const { return loopPoint_; }
  size_t BlocksInFlight();

 protected:
  // The decoder's first block for Play (from `startPosition` where the format can seek), and the
  // block after the last (at the end: after seeking to `loopPoint` when looping, else empty).
  virtual void ReadFirstBlock(medialib::EStreamBuffer& block, uint64_t startPosition) = 0;
  virtual void ReadNextBlock(medialib::EStreamBuffer& block, bool loop, int64_t loopPoint) = 0;
  virtual void CloseDecoder() = 0;

  // The source Open decodes from: the file, or (modes 1 and 2) a copy of it in memory.
  medialib::ESLFileObject* PrepareSource(medialib::ESLFileObject& file, int mode);
  // Stops (waiting for the blocks), closes the decoder and frees the copy and the blocks.
  void ReleaseStream();

  bool whole_ = false;  // mode 2: the data is the whole decoded sound
  int64_t loopPoint_ = 0;
  std::unique_ptr<medialib::EMemoryFile> memoryCopy_;

 private:
  const uint8_t* Keep(std::unique_ptr<medialib::EStreamBuffer> block, size_t* length);

  ManualEvent allReturned_{true};
  std::map<const uint8_t*, std::unique_ptr<medialib::EStreamBuffer>> inFlight_;
};

}  // namespace tav::sound
