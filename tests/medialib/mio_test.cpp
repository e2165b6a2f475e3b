// MIO: lossless round trips through the player with and without its reader thread, seeking with
// decoder priming, the end of the stream, the description, and the messages of damaged or
// unsupported containers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "medialib/memory_file.h"
#include "medialib/mio_description.h"
#include "medialib/mio_encoder.h"
#include "medialib/mio_player.h"

namespace tav::medialib {
namespace {

// Music-like PCM: two tones, a little noise, a silent stretch and a loud clipped one.
std::vector<uint8_t> TestPcm(uint32_t channels, uint32_t bits, size_t samples) {
  std::mt19937 random(channels * 100 + bits);
  std::vector<uint8_t> pcm;
  for (size_t i = 0; i < samples; ++i) {
    for (uint32_t c = 0; c < channels; ++c) {
      double t = static_cast<double>(i) / 22050.0;
      double v = 0.5 * std::sin(2 * M_PI * (220 + 110 * c) * t) + 0.2 * std::sin(2 * M_PI * 1234 * t);
      if (i > samples / 3 && i < samples / 2) v = 0;
      if (i > 2 * samples / 3 && i < 2 * samples / 3 + 500) v *= 3;
      v += (static_cast<int>(random() % 64) - 32) / 32768.0;
      v = std::clamp(v, -1.0, 1.0);
      if (bits == 8) {
        pcm.push_back(static_cast<uint8_t>(std::lround(128 + 127 * v)));
      } else {
        auto s = static_cast<int16_t>(std::lround(32767 * v));
        pcm.push_back(static_cast<uint8_t>(s));
        pcm.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
      }
    }
  }
  return pcm;
}

struct Opened {
  EMemoryFile file;
  MIODynamicPlayer player;
};

// The container opened in memory; mode as for MIODynamicPlayer::Open.
const char* OpenBytes(Opened& opened, const std::vector<uint8_t>& bytes, int mode) {
  opened.file.Open(bytes.data(), bytes.size());
  return opened.player.Open(&opened.file, mode);
}

class MioRoundTripTest : public testing::TestWithParam<std::tuple<uint32_t, uint32_t, int>> {};

TEST_P(MioRoundTripTest, DecodesBitIdenticallyAndSeeksToAnySample) {
  auto [channels, bits, mode] = GetParam();
  const size_t samples = 10000;
  std::vector<uint8_t> pcm = TestPcm(channels, bits, samples);
  MIOEncodeOptions options;
  options.packetSamples = 700;
  options.keyEvery = 4;
  std::vector<uint8_t> file = EncodeMIOFile(pcm.data(), pcm.size(), channels, 22050, bits, options);
  ASSERT_FALSE(file.empty());
  EXPECT_LT(file.size(), pcm.size()) << "the coder compresses";

  Opened opened;
  ASSERT_EQ(OpenBytes(opened, file, mode), nullptr);
  MIODynamicPlayer& player = opened.player;
  EXPECT_EQ(player.GetChannelCount(), channels);
  EXPECT_EQ(player.GetBitsPerSample(), bits);
  EXPECT_EQ(player.GetTotalSampleCount(), samples);
  size_t frame = channels * bits / 8;

  std::vector<uint8_t> decoded;
  EXPECT_TRUE(player.IsAtStreamStart());
  do {
    size_t bytes = 0;
    void* block = player.GetNextBlock(&bytes);
    ASSERT_NE(block, nullptr);
    decoded.insert(decoded.end(), static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + bytes);
    player.ReleaseBlock(block);
  } while (!player.IsAtStreamStart());
  ASSERT_EQ(decoded.size(), pcm.size());
  EXPECT_TRUE(decoded == pcm);

  // Forwards, backwards, within the queue and far away, at packet edges and inside packets.
  std::vector<uint32_t> targets = {0, 1, 699, 700, 2799, 2800, 2801, 9999, 5000, 350, 4321, 9300};
  std::mt19937 random(7);
  for (int i = 0; i < 20; ++i) targets.push_back(random() % samples);
  for (uint32_t sample : targets) {
    size_t bytes = 0, offset = 0;
    void* block = player.SeekAndGetBlock(sample, &bytes, &offset);
    ASSERT_NE(block, nullptr) << sample;
    ASSERT_LE(offset + frame, bytes);
    EXPECT_EQ(memcmp(static_cast<uint8_t*>(block) + offset, pcm.data() + sample * frame, frame), 0)
        << "sample " << sample;
    // The rest of the stream follows seamlessly.
    size_t tail = bytes - offset;
    ASSERT_EQ(memcmp(static_cast<uint8_t*>(block) + offset, pcm.data() + sample * frame,
                     std::min(tail, pcm.size() - sample * frame)), 0) << sample;
    player.ReleaseBlock(block);
    if (sample + tail / frame < samples) {
      void* next = player.GetNextBlock(&bytes);
      ASSERT_NE(next, nullptr);
      EXPECT_EQ(memcmp(next, pcm.data() + sample * frame + tail, bytes), 0) << sample;
      player.ReleaseBlock(next);
    }
  }
  size_t bytes = 0, offset = 0;
  EXPECT_EQ(player.SeekAndGetBlock(samples, &bytes, &offset), nullptr) << "past the end";
  void* again = player.SeekAndGetBlock(3, &bytes, &offset);
  ASSERT_NE(again, nullptr) << "a failed seek leaves the player usable";
  player.ReleaseBlock(again);
}

INSTANTIATE_TEST_SUITE_P(Formats, MioRoundTripTest,
                         testing::Combine(testing::Values(1u, 2u), testing::Values(8u, 16u),
                                          testing::Values(MIODynamicPlayer::kWithoutThread,
                                                          MIODynamicPlayer::kWithThread)));

TEST(MioPlayerTest, SeekingIntoTheThirdPacketAfterAKeyDecodesTwoFirst) {
  std::vector<uint8_t> pcm = TestPcm(1, 16, 4000);
  MIOEncodeOptions options;
  options.packetSamples = 100;
  options.keyEvery = 10;
  std::vector<uint8_t> file = EncodeMIOFile(pcm.data(), pcm.size(), 1, 22050, 16, options);
  for (int mode : {MIODynamicPlayer::kWithoutThread, MIODynamicPlayer::kWithThread}) {
    Opened opened;
    ASSERT_EQ(OpenBytes(opened, file, mode), nullptr);
    size_t before = opened.player.DecodedPackets();
    size_t bytes, offset;
    // Packet 22 is the third after key packet 20; it lies outside the reader's queue.
    void* block = opened.player.SeekAndGetBlock(2250, &bytes, &offset);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(opened.player.DecodedPackets() - before, 3u);
    EXPECT_EQ(offset, 50u * 2);
    EXPECT_EQ(memcmp(static_cast<uint8_t*>(block) + offset, pcm.data() + 2250 * 2, 2), 0);
    opened.player.ReleaseBlock(block);
    opened.player.Close();

    // Open waits until the reader thread has queued packets 0 to 7. After two blocks, packets
    // 2 onwards are still queued: packet 4 needs 2 and 3 decoded first. Without the thread
    // nothing is queued, and the file is read again from key packet 0.
    ASSERT_EQ(OpenBytes(opened, file, mode), nullptr);
    for (int i = 0; i < 2; ++i) opened.player.ReleaseBlock(opened.player.GetNextBlock(&bytes));
    before = opened.player.DecodedPackets();
    block = opened.player.SeekAndGetBlock(410, &bytes, &offset);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(opened.player.DecodedPackets() - before,
              mode == MIODynamicPlayer::kWithThread ? 3u : 5u);
    EXPECT_EQ(memcmp(static_cast<uint8_t*>(block) + offset, pcm.data() + 410 * 2, 2), 0);
    opened.player.ReleaseBlock(block);
  }
}

// --- Containers built piece by piece, for the error cases.

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
std::vector<uint8_t> Chunk(const char* id, const std::vector<uint8_t>& contents,
                           uint64_t length = UINT64_MAX - 1) {
  std::vector<uint8_t> out(id, id + 8);
  if (length == UINT64_MAX - 1) length = contents.size();
  Put32(out, static_cast<uint32_t>(length));
  Put32(out, static_cast<uint32_t>(length >> 32));
  out.insert(out.end(), contents.begin(), contents.end());
  return out;
}
std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
std::vector<uint8_t> FileHeader(uint32_t reserved = 0) {
  std::vector<uint8_t> out = {'Q', 'o', 'r', 'i', 'n', 0x1A, 0, 0};
  Put32(out, 0x03000100);
  Put32(out, reserved);
  out.resize(64, 0);
  return out;
}
std::vector<uint8_t> FileHdr(uint32_t version, size_t size = 20) {
  std::vector<uint8_t> out;
  Put32(out, version);
  out.resize(size, 0);
  return Chunk("FileHdr ", out);
}
std::vector<uint8_t> SoundInf(uint32_t transformation, int32_t architecture = -4) {
  std::vector<uint8_t> out;
  for (uint32_t w : {0u, transformation, static_cast<uint32_t>(architecture), 2u, 44100u, 0u, 10u,
                     100u, 1u, 16u}) {
    Put32(out, w);
  }
  return Chunk("SoundInf", out);
}
std::vector<uint8_t> Mark() {
  std::vector<uint8_t> out = {'T', 'A', 'V', '-', 'O', '1', 'R', 'C'};
  Put32(out, 1);
  return Chunk("ByteCodr", out);
}
std::vector<uint8_t> Container(const std::vector<uint8_t>& headerChunks,
                               const std::vector<uint8_t>& stream = {}) {
  return Cat({FileHeader(), Chunk("Header  ", headerChunks), Chunk("Stream  ", stream)});
}

const char* OpenContainer(const std::vector<uint8_t>& bytes, QRIFile& reader) {
  static EMemoryFile file;
  file.Open(bytes.data(), bytes.size());
  return reader.Open(&file);
}

TEST(QriFileTest, TheHeaderAndItsChunksAreChecked) {
  QRIFile reader;
  std::vector<uint8_t> good = Container(Cat({FileHdr(0x00020100), SoundInf(0x03020000)}));
  EXPECT_EQ(OpenContainer(good, reader), nullptr);
  EXPECT_EQ(reader.PresenceFlags(), kQRIHasFileHeader | kQRIHasSoundInfo);

  std::vector<uint8_t> reserved = good;
  reserved[12] = 1;
  EXPECT_STREQ(OpenContainer(reserved, reader), mio_messages::kBadFileHeader);
  EXPECT_STREQ(OpenContainer(Container(Cat({FileHdr(0x00020101), SoundInf(0x03020000)})), reader),
               "QRI ファイルバージョンが不正です。");
  EXPECT_STREQ(OpenContainer(Container(Cat({FileHdr(0x00020100, 16), SoundInf(0x03020000)})), reader),
               "QRI ファイルヘッダを読み込めませんでした。");
  EXPECT_STREQ(OpenContainer(Container(FileHdr(1)), reader), "画像情報ヘッダが見つかりませんでした。");
  EXPECT_STREQ(OpenContainer(Cat({FileHeader(), Chunk("Header  ", Cat({FileHdr(1), SoundInf(1)}))}),
                             reader),
               mio_messages::kNoStream);
  std::vector<uint8_t> truncated(good.begin(), good.begin() + 40);
  EXPECT_STREQ(OpenContainer(truncated, reader), mio_messages::kBadFileHeader);
}

TEST(QriFileTest, ChunksNestClipAndMayRunToTheEnd) {
  // A "Header  " claiming more than the file holds is clipped; a Stream whose length is all
  // ones runs to the end of the file; unknown sub-chunks are skipped; texts are read.
  std::vector<uint8_t> copyright = {'(', 'c', ')', ' ', 0x95, 0x5C};
  std::vector<uint8_t> header = Cat({Chunk("Unknown ", {1, 2, 3}), FileHdr(7), SoundInf(0x03020000),
                                     Chunk("cpyright", copyright), Chunk("Sequence", std::vector<uint8_t>(20, 1))});
  std::vector<uint8_t> bytes = Cat({FileHeader(), Chunk("Header  ", header),
                                    Chunk("Stream  ", Chunk("SoundStm", {0, 1, 0, 0, 5, 0, 0, 0}), UINT64_MAX)});
  QRIFile reader;
  ASSERT_EQ(OpenContainer(bytes, reader), nullptr);
  EXPECT_EQ(reader.FileVersion(), 7u);
  EXPECT_EQ(reader.Copyright().ToUtf8(), "(c) 表");
  EXPECT_EQ(reader.Sequence().size(), 2u);
  EXPECT_EQ(reader.PresenceFlags(), 0x01u | 0x08u | 0x10u | 0x80u);
  ASSERT_TRUE(reader.DescendChunk("SoundStm"));
  EXPECT_EQ(reader.CurrentChunk()->length, 8u);
  uint8_t buffer[32];
  EXPECT_EQ(reader.Read(buffer, sizeof(buffer)), 8u) << "reads stop at the chunk's end";
  reader.AscendChunk();
  EXPECT_FALSE(reader.DescendChunk("SoundStm"));

  std::vector<uint8_t> clipped = Cat({FileHeader(), Chunk("Header  ", header, 1u << 30)});
  EXPECT_STREQ(OpenContainer(clipped, reader), mio_messages::kNoStream);
}

TEST(MioPlayerTest, FailuresAnswerThePlayersMessages) {
  Opened opened;
  EXPECT_STREQ(OpenBytes(opened, {1, 2, 3}, -1), "QRI ファイルを開けませんでした。");
  std::vector<uint8_t> imageOnly = Container(Cat({FileHdr(1), Chunk("ImageInf", std::vector<uint8_t>(68))}));
  EXPECT_STREQ(OpenBytes(opened, imageOnly, -1), "ファイルに音声情報が含まれていません。");
  for (uint32_t transform : {5u, 0x105u}) {
    EXPECT_STREQ(OpenBytes(opened, Container(Cat({FileHdr(1), SoundInf(transform, -16)})), 0),
                 "MIO デコーダの初期化に失敗しました。");
  }
  // Lossless, but coded by an unknown byte coder (no mark).
  EXPECT_STREQ(OpenBytes(opened, Container(Cat({FileHdr(1), SoundInf(0x03020000)})), -1),
               mio_messages::kDecoderInit);
  EXPECT_STREQ(OpenBytes(opened, Container(Cat({FileHdr(1), SoundInf(0x03020000, -1), Mark()})), -1),
               mio_messages::kDecoderInit);
  // Marked and well-formed but without packets.
  for (int mode : {MIODynamicPlayer::kWithoutThread, MIODynamicPlayer::kWithThread}) {
    EXPECT_STREQ(OpenBytes(opened, Container(Cat({FileHdr(1), SoundInf(0x03020000), Mark()})), mode),
                 mio_messages::kNoPacket);
  }
}

TEST(MioPlayerTest, ADamagedPacketYieldsNoBlock) {
  std::vector<uint8_t> pcm = TestPcm(2, 16, 3000);
  MIOEncodeOptions options;
  options.packetSamples = 1000;
  std::vector<uint8_t> file = EncodeMIOFile(pcm.data(), pcm.size(), 2, 22050, 16, options);
  // Cut the first packet's coded bytes short by rewriting its chunk length.
  size_t stm = std::string(file.begin(), file.end()).find("SoundStm");
  ASSERT_NE(stm, std::string::npos);
  uint32_t length = file[stm + 8] | file[stm + 9] << 8;
  file.erase(file.begin() + static_cast<std::ptrdiff_t>(stm + 16 + length / 2),
             file.begin() + static_cast<std::ptrdiff_t>(stm + 16 + length));
  Put32(file, 0);  // keep the tail aligned with nothing in particular
  file[stm + 8] = static_cast<uint8_t>(length / 2);
  file[stm + 9] = static_cast<uint8_t>((length / 2) >> 8);
  Opened opened;
  ASSERT_EQ(OpenBytes(opened, file, -1), nullptr);
  size_t bytes = 1;
  EXPECT_EQ(opened.player.GetNextBlock(&bytes), nullptr);
  EXPECT_EQ(bytes, 0u);
}

TEST(MioDescriptionTest, TagsLinesAndEscapes) {
  auto plain = ParseDescription(u"just text \r\n");
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_EQ(plain[0].name, u"comment");
  EXPECT_EQ(plain[0].content, u"just text");

  auto tags = ParseDescription(
      u"#title\r\nSong\r\n## not a tag\r\n\r\n# rewind-point extra\r\n  44100 \r\n#comment\r\n");
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[0].name, u"title");
  EXPECT_EQ(tags[0].content, u"Song\r\n# not a tag");
  EXPECT_EQ(tags[1].name, u"rewind-point");
  EXPECT_EQ(ParseRewindPoint(*FindDescriptionTag(tags, u"Rewind-Point")), 44100u);
  EXPECT_EQ(tags[2].content, u"");
  EXPECT_FALSE(FindDescriptionTag(tags, u"genre").has_value());
  EXPECT_EQ(ParseRewindPoint(u"99999999999"), 0u);
  EXPECT_EQ(KnownDescriptionTags()[8], u"rewind-point");
}

TEST(MioDescriptionTest, TheEncoderWritesTheRewindPoint) {
  std::vector<uint8_t> pcm = TestPcm(1, 8, 100);
  MIOEncodeOptions options;
  options.rewindPoint = 42;
  std::vector<uint8_t> file = EncodeMIOFile(pcm.data(), pcm.size(), 1, 8000, 8, options);
  Opened opened;
  ASSERT_EQ(OpenBytes(opened, file, -1), nullptr);
  auto tags = ParseDescription(opened.player.Description().View());
  EXPECT_EQ(ParseRewindPoint(FindDescriptionTag(tags, u"rewind-point").value_or(u"")), 42u);
}

}  // namespace
}  // namespace tav::medialib
