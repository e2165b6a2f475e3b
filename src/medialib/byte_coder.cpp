#include "medialib/byte_coder.h"

#include "medialib/heap.h"

namespace tav::medialib {

namespace {
constexpr int kProbabilityBits = 11;
constexpr uint32_t kProbabilityOne = 1u << kProbabilityBits;
constexpr int kAdaptShift = 5;
constexpr uint32_t kTop = 1u << 24;
}  // namespace

ByteCoderModel::ByteCoderModel()
    : probabilities_(static_cast<uint16_t*>(
          eslHeapAllocate(nullptr, sizeof(uint16_t) * kContexts * kNodes, 0))) {
  Reset();
}

ByteCoderModel::~ByteCoderModel() { eslHeapFree(nullptr, probabilities_, 0); }

void ByteCoderModel::Reset() {
  if (probabilities_ == nullptr) return;
  for (size_t i = 0; i < size_t{kContexts} * kNodes; ++i) probabilities_[i] = kInitial;
}

RangeDecoder::RangeDecoder(const uint8_t* data, size_t length) : data_(data), length_(length) {
  NextByte();  // the encoder's first byte is always 0
  for (int i = 0; i < 4; ++i) code_ = (code_ << 8) | NextByte();
}

uint8_t RangeDecoder::NextByte() {
  if (position_ < length_) return data_[position_++];
  overrun_ = true;
  return 0;
}

uint8_t RangeDecoder::DecodeByte(uint16_t* tree) {
  uint32_t node = 1;
  uint32_t range = range_, code = code_;
  while (node < 256) {
    uint16_t& p = tree[node];
    uint32_t bound = (range >> kProbabilityBits) * p;
    if (code < bound) {
      range = bound;
      p = static_cast<uint16_t>(p + ((kProbabilityOne - p) >> kAdaptShift));
      node <<= 1;
    } else {
      code -= bound;
      range -= bound;
      p = static_cast<uint16_t>(p - (p >> kAdaptShift));
      node = (node << 1) | 1;
    }
    if (range < kTop) {
      range <<= 8;
      code = (code << 8) | NextByte();
    }
  }
  range_ = range;
  code_ = code;
  return static_cast<uint8_t>(node - 256);
}

void RangeEncoder::ShiftLow() {
  if (static_cast<uint32_t>(low_) < 0xFF000000u || (low_ >> 32) != 0) {
    auto carry = static_cast<uint8_t>(low_ >> 32);
    uint8_t pending = cache_;
    do {
      out_.push_back(static_cast<uint8_t>(pending + carry));
      pending = 0xFF;
    } while (--cacheSize_ != 0);
    cache_ = static_cast<uint8_t>(low_ >> 24);
  }
  ++cacheSize_;
  low_ = (low_ & 0x00FFFFFF) << 8;
}

void RangeEncoder::EncodeBit(uint16_t& p, int bit) {
  uint32_t bound = (range_ >> kProbabilityBits) * p;
  if (bit == 0) {
    range_ = bound;
    p = static_cast<uint16_t>(p + ((kProbabilityOne - p) >> kAdaptShift));
  } else {
    low_ += bound;
    range_ -= bound;
    p = static_cast<uint16_t>(p - (p >> kAdaptShift));
  }
  while (range_ < kTop) {
    range_ <<= 8;
    ShiftLow();
  }
}

void RangeEncoder::EncodeByte(uint16_t* tree, uint8_t value) {
  uint32_t node = 1;
  for (int i = 7; i >= 0; --i) {
    int bit = (value >> i) & 1;
    EncodeBit(tree[node], bit);
    node = (node << 1) | static_cast<uint32_t>(bit);
  }
}

void RangeEncoder::Finish() {
  for (int i = 0; i < 5; ++i) ShiftLow();
}

}  // namespace tav::medialib
