#include "sound/adpcm.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tav::sound {
namespace {

constexpr int kMsAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
constexpr int kMsMinimumStep = 16;
constexpr int kMsMaximumStep = std::numeric_limits<int>::max() / 768;  // 768: the largest adaptation
constexpr int kMsStandardCoefficients[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};

constexpr int kImaIndex[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kImaSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

int16_t Clamp16(int64_t v) { return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767)); }
int16_t Get16(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }

uint32_t MsHeaderBytes(uint32_t channels) { return 7 * channels; }
uint32_t ImaHeaderBytes(uint32_t channels) { return 4 * channels; }

struct MsCoefficients {
  std::vector<std::pair<int, int>> pairs;
};

MsCoefficients MsCoefficientsOf(const WaveFormat& f) {
  MsCoefficients c;
  // Extra: samples per block (2), coefficient count (2), then the pairs.
  if (f.extra.size() >= 4) {
    const size_t count = static_cast<size_t>(f.extra[2] | f.extra[3] << 8);
    for (size_t i = 0; i < count && 4 + i * 4 + 4 <= f.extra.size(); ++i) {
      const uint8_t* p = f.extra.data() + 4 + i * 4;
      c.pairs.emplace_back(Get16(p), Get16(p + 2));
    }
  }
  if (c.pairs.empty()) {
    for (const auto& pair : kMsStandardCoefficients) c.pairs.emplace_back(pair[0], pair[1]);
  }
  return c;
}

void DecodeMsBlock(const MsCoefficients& coefficients, uint32_t channels, uint32_t samplesPerBlock,
                   const uint8_t* block, size_t bytes, std::vector<int16_t>& out) {
  const uint32_t header = MsHeaderBytes(channels);
  if (bytes < header) return;
  int c1[2], c2[2], delta[2], s1[2], s2[2];
  for (uint32_t ch = 0; ch < channels; ++ch) {
    const size_t predictor = std::min<size_t>(block[ch], coefficients.pairs.size() - 1);
    c1[ch] = coefficients.pairs[predictor].first;
    c2[ch] = coefficients.pairs[predictor].second;
    delta[ch] = Get16(block + channels + 2 * ch);
    s1[ch] = Get16(block + 3 * channels + 2 * ch);
    s2[ch] = Get16(block + 5 * channels + 2 * ch);
  }
  for (uint32_t ch = 0; ch < channels; ++ch) out.push_back(static_cast<int16_t>(s2[ch]));
  for (uint32_t ch = 0; ch < channels; ++ch) out.push_back(static_cast<int16_t>(s1[ch]));
  // Nibbles, high first, alternate between channels in stereo.
  const size_t nibbles = std::min<size_t>((bytes - header) * 2, size_t{samplesPerBlock - 2} * channels);
  for (size_t n = 0; n < nibbles; ++n) {
    const uint8_t byte = block[header + n / 2];
    const int nibble = n % 2 == 0 ? byte >> 4 : byte & 0x0F;
    const uint32_t ch = channels == 2 ? n % 2 : 0;
    const int signedNibble = nibble >= 8 ? nibble - 16 : nibble;
    // Two 16-bit products of 16-bit coefficients from the file can sum past an int.
    const int64_t predicted = (int64_t{s1[ch]} * c1[ch] + int64_t{s2[ch]} * c2[ch]) >> 8;
    const int16_t sample = Clamp16(predicted + signedNibble * delta[ch]);
    out.push_back(sample);
    s2[ch] = s1[ch];
    s1[ch] = sample;
    // The step grows by up to 3x a nibble; a run of loud nibbles (a damaged or hostile file)
    // would take it past what an int holds. No encoder's step comes near the ceiling, so valid
    // files decode as before; the decoded samples are clamped anyway.
    delta[ch] = std::clamp(kMsAdaptation[nibble] * delta[ch] >> 8, kMsMinimumStep, kMsMaximumStep);
  }
}

void DecodeImaBlock(uint32_t channels, uint32_t samplesPerBlock, const uint8_t* block, size_t bytes,
                    std::vector<int16_t>& out) {
  const uint32_t header = ImaHeaderBytes(channels);
  if (bytes < header) return;
  int predictor[2], index[2];
  for (uint32_t ch = 0; ch < channels; ++ch) {
    predictor[ch] = Get16(block + 4 * ch);
    index[ch] = std::clamp<int>(block[4 * ch + 2], 0, 88);
  }
  // Each channel's nibbles come in 4-byte groups of 8 samples, low nibble first; the groups of
  // the channels alternate.
  const size_t groups = (bytes - header) / (4 * channels);
  const size_t samples = std::min<size_t>(1 + groups * 8, samplesPerBlock);
  const size_t base = out.size();
  out.resize(base + samples * channels);
  for (uint32_t ch = 0; ch < channels; ++ch) out[base + ch] = static_cast<int16_t>(predictor[ch]);
  for (size_t s = 1; s < samples; ++s) {
    const size_t k = s - 1;
    const size_t group = k / 8, within = k % 8;
    for (uint32_t ch = 0; ch < channels; ++ch) {
      const uint8_t byte = block[header + (group * channels + ch) * 4 + within / 2];
      const int nibble = within % 2 == 0 ? byte & 0x0F : byte >> 4;
      const int step = kImaSteps[index[ch]];
      int diff = step >> 3;
      if (nibble & 1) diff += step >> 2;
      if (nibble & 2) diff += step >> 1;
      if (nibble & 4) diff += step;
      predictor[ch] = Clamp16(nibble & 8 ? predictor[ch] - diff : predictor[ch] + diff);
      index[ch] = std::clamp(index[ch] + kImaIndex[nibble & 7], 0, 88);
      out[base + s * channels + ch] = static_cast<int16_t>(predictor[ch]);
    }
  }
}

}  // namespace

uint32_t AdpcmSamplesPerBlock(const WaveFormat& f) {
  if (f.channels == 0 || f.channels > 2) return 0;
  if (f.tag == kFormatMsAdpcm) {
    const uint32_t header = MsHeaderBytes(f.channels);
    return f.blockAlign < header ? 0 : (f.blockAlign - header) * 2 / f.channels + 2;
  }
  const uint32_t header = ImaHeaderBytes(f.channels);
  return f.blockAlign < header ? 0 : (f.blockAlign - header) / (4 * f.channels) * 8 + 1;
}

bool IsDecodableAdpcm(const WaveFormat& f) {
  return f.IsAdpcm() && (f.channels == 1 || f.channels == 2) && f.bits == 4 && f.rate > 0 &&
         f.rate <= 768000 && AdpcmSamplesPerBlock(f) >= 2;
}

void DecodeAdpcm(const WaveFormat& f, const uint8_t* data, size_t bytes, std::vector<int16_t>& out) {
  if (!IsDecodableAdpcm(f)) return;
  const uint32_t samplesPerBlock = AdpcmSamplesPerBlock(f);
  const MsCoefficients coefficients = f.tag == kFormatMsAdpcm ? MsCoefficientsOf(f) : MsCoefficients{};
  out.reserve(out.size() + (bytes / f.blockAlign + 1) * samplesPerBlock * f.channels);
  for (size_t at = 0; at < bytes; at += f.blockAlign) {
    const size_t length = std::min<size_t>(f.blockAlign, bytes - at);
    if (f.tag == kFormatMsAdpcm) {
      DecodeMsBlock(coefficients, f.channels, samplesPerBlock, data + at, length, out);
    } else {
      DecodeImaBlock(f.channels, samplesPerBlock, data + at, length, out);
    }
  }
}

}  // namespace tav::sound
