#pragma once

// The order-1 adaptive byte coder of lossless MIO streams (bitstream in docs/mio.md): a binary
// range coder whose byte symbols walk a tree of 255 adaptive bit probabilities, one tree per
// previous byte. The models live as long as a key packet's run of packets; the range coder
// itself starts afresh in every packet.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tav::medialib {

// 256 contexts x 256 tree nodes (node 0 unused) of 11-bit probabilities that the next bit is 0.
class ByteCoderModel {
 public:
  static constexpr int kContexts = 256;
  static constexpr int kNodes = 256;
  static constexpr uint16_t kInitial = 1024;

  ByteCoderModel();
  ByteCoderModel(const ByteCoderModel&) = delete;
  ByteCoderModel& operator=(const ByteCoderModel&) = delete;
  ~ByteCoderModel();

  bool IsValid() const { return probabilities_ != nullptr; }
  void Reset();
  uint16_t* Tree(uint8_t previous) { return probabilities_ + size_t{previous} * kNodes; }

 private:
  uint16_t* probabilities_;  // on the library heap
};

// Pulls bytes from memory; reading past the end is an error that the caller checks at the end.
class RangeDecoder {
 public:
  RangeDecoder(const uint8_t* data, size_t length);
  uint8_t DecodeByte(uint16_t* tree);
  // Whether the coded bytes ran out before the decoding was done (a damaged packet).
  bool Overrun() const { return overrun_; }

 private:
  uint8_t NextByte();

  const uint8_t* data_;
  size_t length_;
  size_t position_ = 0;
  uint32_t range_ = 0xFFFFFFFF;
  uint32_t code_ = 0;
  bool overrun_ = false;
};

class RangeEncoder {
 public:
  explicit RangeEncoder(std::vector<uint8_t>& out) : out_(out) {}
  void EncodeByte(uint16_t* tree, uint8_t value);
  // Writes the final bytes; the encoder is spent afterwards.
  void Finish();

 private:
  void EncodeBit(uint16_t& probability, int bit);
  void ShiftLow();

  std::vector<uint8_t>& out_;
  uint64_t low_ = 0;
  uint32_t range_ = 0xFFFFFFFF;
  uint8_t cache_ = 0;
  uint64_t cacheSize_ = 1;
};

}  // namespace tav::medialib
