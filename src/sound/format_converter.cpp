#include "sound/format_converter.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tav::sound {
namespace {

bool PowerOfTwoRatio(uint32_t big, uint32_t small, int* shift) {
  if (small == 0 || big % small != 0) return false;
  const uint32_t ratio = big / small;
  if (!std::has_single_bit(ratio) || ratio == 1) return false;
  *shift = std::countr_zero(ratio);
  return true;
}

int32_t Saturate16(int32_t v) { return std::clamp(v, -32768, 32767); }

}  // namespace

bool FormatConverter::Setup(const WaveFormat& source, const platform::AudioFormat& output) {
  if (!source.IsPlayablePcm()) return false;
  if ((output.channels != 1 && output.channels != 2) || (output.bits != 8 && output.bits != 16) || output.rate == 0) {
    return false;
  }
  sourceChannels_ = source.channels;
  sourceBits_ = source.bits;
  sourceFrameBytes_ = source.FrameBytes();
  sourceRate_ = source.rate;
  outChannels_ = output.channels;
  outBits_ = output.bits;
  outFrameBytes_ = output.BytesPerFrame();
  outRate_ = output.rate;
  haveCurrent_ = false;
  position_ = 0;
  inGroup_ = 0;
  sum_ = {};
  if (sourceRate_ == outRate_) {
    mode_ = Mode::Copy;
  } else if (PowerOfTwoRatio(outRate_, sourceRate_, &shift_)) {
    mode_ = Mode::Upsample;
    step_ = 0x10000u >> shift_;
  } else if (PowerOfTwoRatio(sourceRate_, outRate_, &shift_) && shift_ <= 16) {
    mode_ = Mode::Downsample;
  } else {
    mode_ = Mode::Interpolate;
    step_ = static_cast<uint32_t>((uint64_t{sourceRate_} << 16) / outRate_);
    if (step_ == 0) step_ = 1;
  }
  if (mode_ == Mode::Upsample && shift_ > 16) mode_ = Mode::Interpolate, step_ = std::max<uint32_t>(1, step_);
  return true;
}

uint64_t FormatConverter::SourceFramesFor(uint64_t outputFrames) const {
  return (outputFrames * sourceRate_ + outRate_ - 1) / outRate_;
}

FormatConverter::Frame FormatConverter::Read(const uint8_t* p) const {
  Frame f;
  if (sourceBits_ == 8) {
    f.left = (p[0] - 128) << 8;
    f.right = sourceChannels_ == 2 ? (p[1] - 128) << 8 : f.left;
  } else {
    f.left = static_cast<int16_t>(p[0] | p[1] << 8);
    f.right = sourceChannels_ == 2 ? static_cast<int16_t>(p[2] | p[3] << 8) : f.left;
  }
  return f;
}

void FormatConverter::Write(uint8_t* out, const Frame& f) const {
  if (outChannels_ == 1) {
    const int32_t mono = (f.left + f.right) / 2;
    if (outBits_ == 8) {
      out[0] = static_cast<uint8_t>((mono >> 8) + 128);
    } else {
      const auto v = static_cast<int16_t>(mono);
      std::memcpy(out, &v, 2);
    }
    return;
  }
  if (outBits_ == 8) {
    out[0] = static_cast<uint8_t>((f.left >> 8) + 128);
    out[1] = static_cast<uint8_t>((f.right >> 8) + 128);
  } else {
    const int16_t v[2] = {static_cast<int16_t>(f.left), static_cast<int16_t>(f.right)};
    std::memcpy(out, v, 4);
  }
}

size_t FormatConverter::Convert(const uint8_t* source, size_t frames, uint8_t* out, size_t maxOut, bool endOfStream,
                                size_t* used) {
  *used = 0;
  switch (mode_) {
    case Mode::Copy: return ConvertCopy(source, frames, out, maxOut, used);
    case Mode::Downsample: return ConvertDown(source, frames, out, maxOut, endOfStream, used);
    default: return ConvertStepping(source, frames, out, maxOut, endOfStream, used);
  }
}

size_t FormatConverter::ConvertCopy(const uint8_t* source, size_t frames, uint8_t* out, size_t maxOut, size_t* used) {
  const size_t n = std::min(frames, maxOut);
  *used = n;
  if (sourceChannels_ == outChannels_ && sourceBits_ == outBits_) {
    std::memcpy(out, source, n * outFrameBytes_);
    return n;
  }
  for (size_t i = 0; i < n; ++i) Write(out + i * outFrameBytes_, Read(source + i * sourceFrameBytes_));
  return n;
}

// Output frame j lies at source position j x step (16.16). It is the frame there when the
// fraction is 0, else between that frame a and the next b: for power-of-two upsampling
// a + k x trunc((b - a) / 2^shift) at the k-th of the 2^shift steps, otherwise
// a + (t x (b - a) >> 12) with t the fraction's top 12 bits.
size_t FormatConverter::ConvertStepping(const uint8_t* source, size_t frames, uint8_t* out, size_t maxOut,
                                        bool endOfStream, size_t* used) {
  size_t taken = 0, produced = 0;
  for (;;) {
    if (!haveCurrent_) {
      if (taken == frames) break;
      current_ = Read(source + taken++ * sourceFrameBytes_);
      haveCurrent_ = true;
    }
    if (position_ >= 0x10000) {
      if (taken == frames) {
        if (endOfStream) haveCurrent_ = false, position_ = 0;  // the stream is over
        break;
      }
      current_ = Read(source + taken++ * sourceFrameBytes_);
      position_ -= 0x10000;
      continue;
    }
    if (produced == maxOut) break;
    const uint32_t fraction = position_ & 0xFFFF;
    Frame f = current_;
    if (fraction != 0) {
      Frame next;
      if (taken < frames) {
        next = Read(source + taken * sourceFrameBytes_);
      } else if (endOfStream) {
        next = current_;
      } else {
        break;  // wait for the next block
      }
      if (mode_ == Mode::Upsample) {
        const int32_t k = static_cast<int32_t>(fraction >> (16 - shift_));
        const int32_t dl = (next.left - current_.left) / (1 << shift_);
        const int32_t dr = (next.right - current_.right) / (1 << shift_);
        f.left = Saturate16(current_.left + k * dl);
        f.right = Saturate16(current_.right + k * dr);
      } else {
        const int32_t t = static_cast<int32_t>(fraction >> 4 & 0xFFF);
        f.left = current_.left + ((t * (next.left - current_.left)) >> 12);
        f.right = current_.right + ((t * (next.right - current_.right)) >> 12);
      }
    }
    Write(out + produced++ * outFrameBytes_, f);
    position_ += step_;
  }
  *used = taken;
  return produced;
}

// Each output frame is the average of a group of 2^shift source frames; at the end of the stream
// a short last group gives the average of what it has.
size_t FormatConverter::ConvertDown(const uint8_t* source, size_t frames, uint8_t* out, size_t maxOut,
                                    bool endOfStream, size_t* used) {
  const uint32_t group = 1u << shift_;
  size_t taken = 0, produced = 0;
  while (produced < maxOut) {
    while (inGroup_ < group && taken < frames) {
      const Frame f = Read(source + taken++ * sourceFrameBytes_);
      sum_.left += f.left;
      sum_.right += f.right;
      ++inGroup_;
    }
    if (inGroup_ == group || (endOfStream && inGroup_ > 0 && taken == frames)) {
      const Frame f{sum_.left / static_cast<int32_t>(inGroup_), sum_.right / static_cast<int32_t>(inGroup_)};
      Write(out + produced++ * outFrameBytes_, f);
      sum_ = {};
      inGroup_ = 0;
    } else {
      break;
    }
  }
  *used = taken;
  return produced;
}

}  // namespace tav::sound
