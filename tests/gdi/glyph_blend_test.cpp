#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "gdi/glyph_blend.h"

namespace tav::platform {
namespace {

// Every coverage value against destinations of every kind (the unused top byte set too), in rows
// of every length up to 11 so that the eight- and four-pixel steps and the pixels left over are
// all met: the blend gives exactly what BlendPixel gives for each pixel alone.
using BlendFunction = void (*)(uint32_t*, size_t, const uint8_t*, size_t, size_t, size_t, uint32_t);

// The blend this processor uses, and the one every processor of its kind can run.
class GlyphBlend : public testing::TestWithParam<BlendFunction> {};
INSTANTIATE_TEST_SUITE_P(Widths, GlyphBlend, testing::Values(&BlendCoverage, &BlendCoverageBaseline));

TEST_P(GlyphBlend, RowsMatchTheSinglePixelBlendForEveryCoverage) {
  const BlendFunction blend = GetParam();
  std::mt19937 random(7);
  std::uniform_int_distribution<uint32_t> anyPixel;
  const uint32_t sources[] = {0x000000, 0xFFFFFF, 0x123456, 0xFF0080};
  for (uint32_t source : sources) {
    for (size_t count = 0; count <= 11; ++count) {
      for (int trial = 0; trial < 100; ++trial) {
        // Three rows of `count` pixels in a picture three pixels wider, whose pixels beside the
        // rows stay as they are.
        const size_t rows = 3, outStride = count + 3, coverageStride = count + 2;
        std::vector<uint8_t> coverage(rows * coverageStride);
        std::vector<uint32_t> picture(rows * outStride);
        for (uint8_t& c : coverage) {
          // Runs of blank and full coverage as glyphs have them, and every value in between.
          const uint32_t kind = anyPixel(random) % 4;
          c = kind == 0 ? 0 : kind == 1 ? 255 : static_cast<uint8_t>(anyPixel(random));
        }
        // Whole steps of blank or full coverage, which take shortcuts.
        if (trial % 5 < 2 && count >= 8) std::fill_n(coverage.begin() + coverageStride, 8, trial % 5 ? 255 : 0);
        for (uint32_t& p : picture) p = anyPixel(random) % 3 == 0 ? anyPixel(random) : anyPixel(random) & 0xFFFFFF;
        std::vector<uint32_t> expected = picture;
        for (size_t r = 0; r < rows; ++r) {
          for (size_t i = 0; i < count; ++i) {
            uint32_t& p = expected[r * outStride + i];
            p = BlendPixel(p, source, coverage[r * coverageStride + i]);
          }
        }
        blend(picture.data(), outStride, coverage.data(), coverageStride, count, rows, source);
        ASSERT_EQ(picture, expected) << "source " << source << ", " << count << " pixels";
      }
    }
  }
  // Exhaustively for one channel: each alpha over each destination value of it.
  for (uint32_t alpha = 0; alpha < 256; ++alpha) {
    std::vector<uint32_t> row(256), expected(256);
    std::vector<uint8_t> coverage(256, static_cast<uint8_t>(alpha));
    for (uint32_t v = 0; v < 256; ++v) row[v] = v << 16 | (255 - v) << 8 | v;
    for (uint32_t v = 0; v < 256; ++v) expected[v] = BlendPixel(row[v], 0xC0FF11, alpha);
    blend(row.data(), 16, coverage.data(), 16, 16, 16, 0xC0FF11);
    ASSERT_EQ(row, expected) << "alpha " << alpha;
  }
}

// The blend is the rounded weighted mean of each channel.
TEST(GlyphBlendPixel, IsTheRoundedMeanOfEachChannel) {
  for (uint32_t alpha : {1u, 64u, 128u, 200u, 254u}) {
    for (uint32_t d : {0u, 17u, 128u, 255u}) {
      for (uint32_t s : {0u, 99u, 255u}) {
        const uint32_t mean = (s * alpha + d * (255 - alpha) + 127) / 255;
        const uint32_t blended = BlendPixel(d << 16 | d << 8 | d, s << 16 | s << 8 | s, alpha);
        EXPECT_EQ(blended, mean << 16 | mean << 8 | mean) << alpha << " " << d << " " << s;
      }
    }
  }
}

}  // namespace
}  // namespace tav::platform
