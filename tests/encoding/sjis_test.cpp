#include "encoding/sjis.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace tav::platform {
namespace {

// 表示テスト: 表 ends in 0x5C, the byte that is also the path separator.
const std::string kSjisSample = "\x95\x5C\x8E\xA6\x83\x65\x83\x58\x83\x67";
const std::string kUtf8Sample = "\xE8\xA1\xA8\xE7\xA4\xBA\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88";

TEST(SjisTest, LeadAndTrailByteRanges) {
  for (int c = 0; c < 256; ++c) {
    bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    bool trail = (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
    EXPECT_EQ(IsSjisLeadByte(static_cast<unsigned char>(c)), lead) << c;
    EXPECT_EQ(IsSjisTrailByte(static_cast<unsigned char>(c)), trail) << c;
  }
}

TEST(SjisTest, JapaneseTextRoundTrips) {
  EXPECT_EQ(SjisToUtf8(kSjisSample), kUtf8Sample);
  EXPECT_EQ(Utf8ToSjis(kUtf8Sample), kSjisSample);
  // ASCII, half-width katakana (ｱ = 0xB1) and the code page's own symbols survive both ways.
  const std::string mixed = "A1 \\~\xB1\x81\x60";
  EXPECT_EQ(Utf8ToSjis(SjisToUtf8(mixed)), mixed);
  EXPECT_EQ(SjisToUtf8("abc\\"), "abc\\");
  EXPECT_EQ(SjisToUtf8(""), "");
}

TEST(SjisTest, InvalidSjisBecomesOneQuestionMarkEach) {
  EXPECT_EQ(SjisToUtf8("a\x85\x40" "b"), "a?b");  // well formed but unmapped pair
  EXPECT_EQ(SjisToUtf8("a\xFD" "b"), "a?b");       // not a character at all
  EXPECT_EQ(SjisToUtf8("a\x81"), "a?");            // lead byte cut off at the end
  EXPECT_EQ(SjisToUtf8("\x81\x20" "x"), "? x");    // lead byte followed by a non-trail byte
}

TEST(SjisTest, InvalidOrUnmappableUtf8BecomesOneQuestionMarkEach) {
  EXPECT_EQ(Utf8ToSjis("a\xC3" "b"), "a?b");                  // truncated sequence
  EXPECT_EQ(Utf8ToSjis("a\xF0\x9F\x98\x80" "b"), "a?b");      // emoji: no Shift-JIS form
  EXPECT_EQ(Utf8ToSjis("\xFF\xFE"), "??");
  EXPECT_EQ(Utf8ToSjis("x\xE8\xA1"), "x?");                   // incomplete at the end
}

TEST(SjisTest, ConvertsConcurrently) {
  std::string longSjis;
  std::string longUtf8;
  for (int i = 0; i < 200; ++i) {
    longSjis += kSjisSample + "\x85\x40";
    longUtf8 += kUtf8Sample + "?";
  }
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        if (SjisToUtf8(longSjis) != longUtf8) ++failures[t];
        if (Utf8ToSjis(kUtf8Sample) != kSjisSample) ++failures[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
}  // namespace tav::platform

TEST(SjisTest, Utf8ValidityTellsConvertedTextFromShiftJis) {
  using tav::platform::IsValidUtf8;
  EXPECT_TRUE(IsValidUtf8("plain ascii"));
  EXPECT_TRUE(IsValidUtf8("\xE3\x81\x82"));    // あ in UTF-8
  EXPECT_FALSE(IsValidUtf8("\x82\xA0"));       // あ in Shift-JIS
  EXPECT_FALSE(IsValidUtf8("\xE3\x81"));       // cut short
  EXPECT_FALSE(IsValidUtf8("\x95\x5C"));       // 表: a Shift-JIS pair with a backslash trail byte
}
