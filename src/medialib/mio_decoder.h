#pragma once

// `MIODecoder` turns one MIO packet into interleaved PCM; `QRISADecodeContext` holds what a
// decoder keeps between packets (the byte coder's models) and reads each packet's coded bytes
// through its virtual ReadNextData, which whoever owns the packets overrides.
//
// Only the lossless codec is decoded, and only streams coded by our own byte coder (docs/mio.md);
// the transform codec and lossless streams of other byte coders fail to initialise.

#include <cstddef>
#include <cstdint>

#include "medialib/byte_coder.h"
#include "medialib/esl_object.h"
#include "medialib/mio_format.h"

namespace tav::medialib {

class QRISADecodeContext : public ESLObject {
  ESL_DECLARE_CLASS(QRISADecodeContext)

 public:
  explicit QRISADecodeContext(size_t bufferBytes = 0x10000);
  QRISADecodeContext(const QRISADecodeContext&) = delete;
  QRISADecodeContext& operator=(const QRISADecodeContext&) = delete;
  ~QRISADecodeContext() override;

  // Up to `bytes` more coded bytes of the current packet; 0 at its end.
  virtual size_t ReadNextData(uint8_t* buffer, size_t bytes);

  // Reads the whole current packet into the input buffer; false when the heap refuses.
  bool LoadPacket();
  const uint8_t* Data() const { return buffer_; }
  size_t Length() const { return length_; }

  ByteCoderModel& Model() { return model_; }
  // A work buffer of at least `bytes` bytes, kept between packets; null when the heap refuses.
  uint8_t* Scratch(size_t bytes);

 private:
  uint8_t* buffer_ = nullptr;
  size_t capacity_ = 0;
  size_t length_ = 0;
  uint8_t* scratch_ = nullptr;
  size_t scratchBytes_ = 0;
  ByteCoderModel model_;
};

class MIODecoder : public ESLObject {
  ESL_DECLARE_CLASS(MIODecoder)

 public:
  // 0 when the stream can be decoded, 1 otherwise. `ourByteCoder`: the container carries the
  // mark of our byte coder.
  int Initialize(const MIOInfoHeader& info, bool ourByteCoder);
  // Decodes one packet (its coded bytes come from the context) into `output`, which holds
  // BlockBytes(header.sampleCount) bytes. 0 on success, 1 for a packet that cannot be decoded.
  int DecodeSound(QRISADecodeContext& context, const MIODataHeader& header, void* output);

  size_t BytesPerSample() const { return size_t{info_.channelCount} * info_.bitsPerSample / 8; }
  size_t BlockBytes(uint32_t samples) const { return size_t{samples} * BytesPerSample(); }
  const MIOInfoHeader& Info() const { return info_; }

 private:
  int Decode8(RangeDecoder& decoder, ByteCoderModel& model, uint32_t samples, uint8_t* out);
  int Decode16(RangeDecoder& decoder, QRISADecodeContext& context, uint32_t samples,
               uint8_t* out);

  MIOInfoHeader info_;
  bool ready_ = false;
};

}  // namespace tav::medialib
