#pragma once

// Converts one sound's PCM into the mixer's output format as a continuous stream: widening to
// 16-bit stereo, resampling (power-of-two steps exactly, other ratios by 16.16 stepping with
// linear interpolation), narrowing to the output. The converter keeps the frames it still needs
// between calls, so a sound split into blocks (or looping back to its start) converts exactly
// as if it were one piece: no frame is lost or repeated at a block boundary, and a same-rate
// stream comes out bit-exact.

#include <cstddef>
#include <cstdint>

#include "platform/audio_output.h"
#include "sound/wave_format.h"

namespace tav::sound {

class FormatConverter {
 public:
  // False when either format is not 1 or 2 channels of 8 or 16 bits at a usable rate.
  bool Setup(const WaveFormat& source, const platform::AudioFormat& output);

  // Converts from `frames` source frames into at most `maxOut` output frames; answers the output
  // frames written and sets `used` to the source frames taken. With `endOfStream` no frame
  // follows these: the last one stands in for its successor and what is left is flushed.
  size_t Convert(const uint8_t* source, size_t frames, uint8_t* out, size_t maxOut, bool endOfStream, size_t* used);

  // Source frames that give about `outputFrames` output frames.
  uint64_t SourceFramesFor(uint64_t outputFrames) const;

  uint32_t SourceRate() const { return sourceRate_; }

 private:
  enum class Mode { Copy, Upsample, Downsample, Interpolate };
  struct Frame {
    int32_t left = 0, right = 0;
  };

  Frame Read(const uint8_t* p) const;
  void Write(uint8_t* out, const Frame& f) const;
  size_t ConvertCopy(const uint8_t* source, size_t frames, uint8_t* out, size_t maxOut, size_t* used);
  size_t ConvertStepping(const uint8_t* source, size_t frames, uint8_t* out, size_t maxOut, bool endOfStream,
                         size_t* used);
  size_t ConvertDown(const uint8_t* source, size_t frames, uint8_t* out, size_t maxOut, bool endOfStream,
                     size_t* used);

  Mode mode_ = Mode::Copy;
  uint16_t sourceChannels_ = 2, sourceBits_ = 16, outChannels_ = 2, outBits_ = 16;
  uint32_t sourceFrameBytes_ = 4, outFrameBytes_ = 4;
  uint32_t sourceRate_ = 44100, outRate_ = 44100;
  int shift_ = 0;         // power-of-two ratio
  uint32_t step_ = 0;     // 16.16 source frames per output frame
  // Stepping state: the frame at the integer part of the position, and the fraction.
  Frame current_;
  bool haveCurrent_ = false;
  uint32_t position_ = 0;
  // Downsampling state: the group so far.
  Frame sum_;
  uint32_t inGroup_ = 0;
};

}  // namespace tav::sound
