#include "medialib/mio_decoder.h"

#include <algorithm>

#include "medialib/heap.h"
#include "os/diagnostics.h"

namespace tav::medialib {

ESL_IMPLEMENT_CLASS(QRISADecodeContext, ESLObject)
ESL_IMPLEMENT_CLASS(MIODecoder, ESLObject)

namespace {
constexpr uint32_t kMaxSampleRate = 1000000;
}  // namespace

QRISADecodeContext::QRISADecodeContext(size_t bufferBytes)
    : buffer_(static_cast<uint8_t*>(eslHeapAllocate(nullptr, bufferBytes, 0))),
      capacity_(buffer_ != nullptr ? bufferBytes : 0) {}

QRISADecodeContext::~QRISADecodeContext() {
  eslHeapFree(nullptr, buffer_, 0);
  eslHeapFree(nullptr, scratch_, 0);
}

size_t QRISADecodeContext::ReadNextData(uint8_t* /*buffer*/, size_t /*bytes*/) {
  platform::Diagnose(platform::Severity::Warning, "",
                     "警告：ReadNextData 関数がオーバーライドされていません。");
  return 0;
}

bool QRISADecodeContext::LoadPacket() {
  length_ = 0;
  for (;;) {
    if (length_ == capacity_) {
      size_t capacity = std::max<size_t>(capacity_ * 2, 0x10000);
      if (capacity > kEslHeapMaxBlock) return false;
      void* grown = eslHeapReallocate(nullptr, buffer_, capacity, 0);
      if (grown == nullptr) return false;
      buffer_ = static_cast<uint8_t*>(grown);
      capacity_ = capacity;
    }
    size_t got = ReadNextData(buffer_ + length_, capacity_ - length_);
    if (got == 0) return true;
    length_ += got;
  }
}

uint8_t* QRISADecodeContext::Scratch(size_t bytes) {
  if (bytes > scratchBytes_) {
    if (bytes > kEslHeapMaxBlock) return nullptr;
    void* grown = eslHeapReallocate(nullptr, scratch_, bytes, 0);
    if (grown == nullptr) return nullptr;
    scratch_ = static_cast<uint8_t*>(grown);
    scratchBytes_ = bytes;
  }
  return scratch_;
}

int MIODecoder::Initialize(const MIOInfoHeader& info, bool ourByteCoder) {
  info_ = info;
  ready_ = false;
  bool channelsOk = info.channelCount == 1 || info.channelCount == 2;
  if (info.transformation == kMIOTransformLot || info.transformation == kMIOTransformLotStereo) {
    // The transform codec is not available: its files fail here, whatever their parameters.
    return 1;
  }
  if (info.transformation != kMIOTransformLossless) return 1;
  if (info.architecture != kMIOArchitectureByteCoder || !channelsOk) return 1;
  if (info.bitsPerSample != 8 && info.bitsPerSample != 16) return 1;
  if (info.samplesPerSec == 0 || info.samplesPerSec > kMaxSampleRate) return 1;
  if (!ourByteCoder) return 1;  // another coder's bytes would decode to noise
  ready_ = true;
  return 0;
}

int MIODecoder::Decode8(RangeDecoder& decoder, ByteCoderModel& model, uint32_t samples,
                        uint8_t* out) {
  uint32_t channels = info_.channelCount;
  uint8_t previous = 0;
  for (uint32_t c = 0; c < channels; ++c) {
    uint8_t sample = 0;
    uint8_t* at = out + c;
    for (uint32_t i = 0; i < samples; ++i, at += channels) {
      previous = decoder.DecodeByte(model.Tree(previous));
      sample = static_cast<uint8_t>(sample + previous);
      *at = sample;
    }
  }
  return decoder.Overrun() ? 1 : 0;
}

int MIODecoder::Decode16(RangeDecoder& decoder, QRISADecodeContext& context, uint32_t samples,
                         uint8_t* out) {
  uint32_t channels = info_.channelCount;
  uint8_t* planes = context.Scratch(size_t{samples} * 2);
  if (planes == nullptr) return 1;
  ByteCoderModel& model = context.Model();
  uint8_t previous = 0;
  for (uint32_t c = 0; c < channels; ++c) {
    for (uint32_t i = 0; i < 2 * samples; ++i) {
      previous = decoder.DecodeByte(model.Tree(previous));
      planes[i] = previous;
    }
    const uint8_t* high = planes;
    const uint8_t* low = planes + samples;
    uint16_t d = 0, s = 0;
    uint8_t* at = out + 2 * c;
    for (uint32_t j = 0; j < samples; ++j, at += 2 * channels) {
      uint8_t lo = low[j];
      uint8_t hi = static_cast<uint8_t>(high[j] ^ ((lo & 0x80) != 0 ? 0xFF : 0x00));
      d = static_cast<uint16_t>(d + (hi << 8 | lo));
      s = static_cast<uint16_t>(s + d);
      at[0] = static_cast<uint8_t>(s);
      at[1] = static_cast<uint8_t>(s >> 8);
    }
  }
  return decoder.Overrun() ? 1 : 0;
}

int MIODecoder::DecodeSound(QRISADecodeContext& context, const MIODataHeader& header,
                            void* output) {
  if (!ready_ || header.sampleCount > kMIOMaxPacketSamples || !context.Model().IsValid()) {
    return 1;
  }
  if ((header.flags & kMIOKeyPacket) != 0) context.Model().Reset();
  if (!context.LoadPacket()) return 1;
  if (header.sampleCount == 0) return 0;
  RangeDecoder decoder(context.Data(), context.Length());
  auto* out = static_cast<uint8_t*>(output);
  return info_.bitsPerSample == 8 ? Decode8(decoder, context.Model(), header.sampleCount, out)
                                  : Decode16(decoder, context, header.sampleCount, out);
}

}  // namespace tav::medialib
