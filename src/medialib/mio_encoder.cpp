#include "medialib/mio_encoder.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace tav::medialib {

MIOPacketEncoder::MIOPacketEncoder(uint32_t channels, uint32_t bitsPerSample)
    : channels_(channels), bits_(bitsPerSample) {}

std::vector<uint8_t> MIOPacketEncoder::Encode(const uint8_t* pcm, uint32_t samples, bool key) {
  if (key) model_.Reset();
  bytes_.clear();
  bytes_.reserve(size_t{samples} * channels_ * bits_ / 8);
  for (uint32_t c = 0; c < channels_; ++c) {
    if (bits_ == 8) {
      uint8_t last = 0;
      for (uint32_t i = 0; i < samples; ++i) {
        uint8_t sample = pcm[size_t{i} * channels_ + c];
        bytes_.push_back(static_cast<uint8_t>(sample - last));
        last = sample;
      }
      continue;
    }
    size_t start = bytes_.size();
    bytes_.resize(start + 2 * size_t{samples});
    uint8_t* high = bytes_.data() + start;
    uint8_t* low = high + samples;
    uint16_t s1 = 0, d1 = 0;
    for (uint32_t j = 0; j < samples; ++j) {
      const uint8_t* at = pcm + 2 * (size_t{j} * channels_ + c);
      auto s = static_cast<uint16_t>(at[0] | at[1] << 8);
      auto d = static_cast<uint16_t>(s - s1);
      auto value = static_cast<uint16_t>(d - d1);
      s1 = s;
      d1 = d;
      low[j] = static_cast<uint8_t>(value);
      high[j] = static_cast<uint8_t>((value >> 8) ^ ((value & 0x80) != 0 ? 0xFF : 0x00));
    }
  }
  std::vector<uint8_t> out;
  out.reserve(bytes_.size() / 2 + 16);
  RangeEncoder encoder(out);
  uint8_t previous = 0;
  for (uint8_t byte : bytes_) {
    encoder.EncodeByte(model_.Tree(previous), byte);
    previous = byte;
  }
  encoder.Finish();
  return out;
}

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutChunk(std::vector<uint8_t>& out, const char id[8], const std::vector<uint8_t>& contents) {
  out.insert(out.end(), id, id + 8);
  uint64_t length = contents.size();
  Put32(out, static_cast<uint32_t>(length));
  Put32(out, static_cast<uint32_t>(length >> 32));
  out.insert(out.end(), contents.begin(), contents.end());
}

}  // namespace

std::vector<uint8_t> EncodeMIOFile(const uint8_t* pcm, size_t bytes, uint32_t channels,
                                   uint32_t samplesPerSec, uint32_t bitsPerSample,
                                   const MIOEncodeOptions& options) {
  if ((channels != 1 && channels != 2) || (bitsPerSample != 8 && bitsPerSample != 16) ||
      options.packetSamples == 0 || options.packetSamples > kMIOMaxPacketSamples ||
      samplesPerSec == 0) {
    return {};
  }
  size_t frameBytes = size_t{channels} * bitsPerSample / 8;
  size_t totalSamples = bytes / frameBytes;
  if (totalSamples > UINT32_MAX) return {};
  uint32_t keyEvery = options.keyEvery == 0 ? 1 : options.keyEvery;

  const uint8_t magic[8] = {'Q', 'o', 'r', 'i', 'n', 0x1A, 0, 0};
  std::vector<uint8_t> file(magic, magic + 8);
  Put32(file, kQRIFileTypeId);
  Put32(file, 0);
  char description[48] = "Qorin Rasterized Image format";
  file.insert(file.end(), description, description + sizeof(description));

  std::vector<uint8_t> header;
  std::vector<uint8_t> fileHdr;
  Put32(fileHdr, kQRIMaxVersion);
  fileHdr.resize(20, 0);
  PutChunk(header, "FileHdr ", fileHdr);
  std::vector<uint8_t> info;
  for (uint32_t word : {0u, kMIOTransformLossless, static_cast<uint32_t>(kMIOArchitectureByteCoder),
                        channels, samplesPerSec, 0u, 0u, static_cast<uint32_t>(totalSamples), 0u,
                        bitsPerSample}) {
    Put32(info, word);
  }
  PutChunk(header, "SoundInf", info);
  std::vector<uint8_t> mark(kByteCoderName, kByteCoderName + 8);
  Put32(mark, kByteCoderVersion);
  PutChunk(header, kByteCoderChunkId, mark);
  std::string tag = "#rewind-point\r\n" + std::to_string(options.rewindPoint);
  std::vector<uint8_t> text = {0xFF, 0xFE};
  for (char c : tag) {
    text.push_back(static_cast<uint8_t>(c));
    text.push_back(0);
  }
  PutChunk(header, "descript", text);
  PutChunk(file, "Header  ", header);

  std::vector<uint8_t> stream;
  MIOPacketEncoder encoder(channels, bitsPerSample);
  size_t packetIndex = 0;
  for (size_t first = 0; first < totalSamples; first += options.packetSamples, ++packetIndex) {
    auto samples = static_cast<uint32_t>(std::min<size_t>(options.packetSamples, totalSamples - first));
    bool key = packetIndex % keyEvery == 0;
    std::vector<uint8_t> packet = {0, static_cast<uint8_t>(key ? kMIOKeyPacket : 0), 0, 0};
    Put32(packet, samples);
    std::vector<uint8_t> coded = encoder.Encode(pcm + first * frameBytes, samples, key);
    packet.insert(packet.end(), coded.begin(), coded.end());
    PutChunk(stream, "SoundStm", packet);
  }
  PutChunk(file, "Stream  ", stream);
  return file;
}

}  // namespace tav::medialib
