#pragma once

// Blending a glyph's 8-bit coverage onto a picture in one colour. Text is most of what a
// screen draws, so rows are blended four or eight pixels at a time; every pixel comes out
// exactly as BlendPixel gives it.

#include <cstddef>
#include <cstdint>

namespace tav::platform {

// source·alpha + destination·(255 - alpha), divided by 255 and rounded, for red and blue in one
// 32-bit word and green in another: every lane stays below 2^16, so none spills into the next.
// (x + 128 + ((x + 128) >> 8)) >> 8 is x / 255 rounded to nearest for every x up to 255·255.
// Alpha 0 leaves the destination as it is (its unused top byte included); any other alpha
// gives a pixel whose top byte is 0.
inline uint32_t BlendPixel(uint32_t destination, uint32_t source, uint32_t alpha) {
  if (alpha == 0) return destination;
  if (alpha >= 255) return source;
  const uint32_t inverse = 255 - alpha;
  uint32_t rb = (source & 0xFF00FFu) * alpha + (destination & 0xFF00FFu) * inverse + 0x800080u;
  rb = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
  uint32_t g = (source & 0xFF00u) * alpha + (destination & 0xFF00u) * inverse + 0x8000u;
  g = ((g + ((g >> 8) & 0xFF00u)) >> 8) & 0xFF00u;
  return rb | g;
}

// For each of `rows` rows r and each i < count, with o = out + r·outStride and
// c = coverage + r·coverageStride: o[i] = BlendPixel(o[i], source, c[i]). `source` is 0x00RRGGBB.
void BlendCoverage(uint32_t* out, size_t outStride, const uint8_t* coverage, size_t coverageStride, size_t count,
                   size_t rows, uint32_t source);
// The same on the vector instructions every processor of its kind has, whatever this one offers
// besides (BlendCoverage chooses the widest it can use).
void BlendCoverageBaseline(uint32_t* out, size_t outStride, const uint8_t* coverage, size_t coverageStride,
                           size_t count, size_t rows, uint32_t source);

}  // namespace tav::platform
