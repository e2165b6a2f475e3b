#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/archive.h"

namespace tav::archive {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Of(std::initializer_list<int> values) { return Bytes(values.begin(), values.end()); }

Bytes Concat(Bytes a, const std::string& tail) {
  a.insert(a.end(), tail.begin(), tail.end());
  return a;
}

// Expects `read` on an archive of `bytes` to throw an ArchiveError naming `what` and `offset`.
template <class Read>
void ExpectReadError(const Bytes& bytes, Read read, const std::string& what, size_t offset) {
  Archive ar = Archive::ForReading(bytes);
  try {
    read(ar);
    ADD_FAILURE() << "no error, expected: " << what;
  } catch (const ArchiveError& e) {
    std::string message = e.what();
    EXPECT_NE(message.find(what), std::string::npos) << message;
    EXPECT_NE(message.find("byte offset " + std::to_string(offset)), std::string::npos) << message;
  }
}

TEST(ArchivePrimitivesTest, LittleEndianRoundTrip) {
  Archive out = Archive::ForWriting();
  out.WriteByte(0xAB);
  out.WriteWord(0x1234);
  out.WriteLong(-2);
  out.WriteDword(0xDEADBEEF);
  out.WriteInt64(-0x0102030405060708LL);
  out.WriteDouble(1.5);
  out.WriteBytes("xy", 2);
  EXPECT_EQ(out.Bytes(), Of({0xAB, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0xEF, 0xBE, 0xAD, 0xDE,
                             0xF8, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE,
                             0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 'x', 'y'}));

  Archive in = Archive::ForReading(out.Bytes());
  EXPECT_EQ(in.ReadByte(), 0xAB);
  EXPECT_EQ(in.ReadWord(), 0x1234);
  EXPECT_EQ(in.ReadLong(), -2);
  EXPECT_EQ(in.ReadDword(), 0xDEADBEEFu);
  EXPECT_EQ(in.ReadInt64(), -0x0102030405060708LL);
  EXPECT_EQ(in.ReadDouble(), 1.5);
  char xy[2];
  in.ReadBytes(xy, 2);
  EXPECT_EQ(std::string(xy, 2), "xy");
  EXPECT_TRUE(in.AtEnd());
}

TEST(ArchivePrimitivesTest, StringPrefixesAreMinimalWhenWritten) {
  struct Case {
    size_t length;
    Bytes prefix;
  };
  const Case cases[] = {{0, Of({0})},
                        {254, Of({254})},
                        {255, Of({0xFF, 0xFF, 0x00})},
                        {0xFFFD, Of({0xFF, 0xFD, 0xFF})},
                        {0xFFFE, Of({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
                        {0x10000, Of({0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00})}};
  for (const Case& c : cases) {
    std::string text(c.length, 'a');
    Archive out = Archive::ForWriting();
    out.WriteString(text);
    Bytes expected = Concat(c.prefix, text);
    EXPECT_EQ(out.Bytes(), expected) << c.length;
    Archive in = Archive::ForReading(out.Bytes());
    EXPECT_EQ(in.ReadString(), text);
    EXPECT_TRUE(in.AtEnd());
  }
}

TEST(ArchivePrimitivesTest, NonMinimalAndUtf16StringsAreRead) {
  Archive in = Archive::ForReading(Concat(
      Concat(Concat(Of({0xFF, 0x05, 0x00}), "hello"), std::string("\xFF\xFF\xFF\x02\x00\x00\x00", 7)),
      "ok"));
  EXPECT_EQ(in.ReadString(), "hello");
  EXPECT_EQ(in.ReadString(), "ok");

  // 0xFFFE marks UTF-16: 表 U+8868, 示 U+793A, 'A'; the result is Shift-JIS.
  const std::string hyojiA = "\x95\x5C\x8E\xA6" "A";
  Archive utf16 = Archive::ForReading(Of({0xFF, 0xFE, 0xFF, 3, 0x68, 0x88, 0x3A, 0x79, 0x41, 0,
                                          0xFF, 0xFE, 0xFF, 0xFF, 0x03, 0x00, 0x68, 0x88, 0x3A, 0x79, 0x41, 0,
                                          0xFF, 0xFE, 0xFF, 2, 0x00, 0xD8, 0x41, 0}));
  EXPECT_EQ(utf16.ReadString(), hyojiA);
  EXPECT_EQ(utf16.ReadString(), hyojiA);
  EXPECT_EQ(utf16.ReadString(), "?A");  // an unpaired surrogate
  EXPECT_TRUE(utf16.AtEnd());
}

TEST(ArchivePrimitivesTest, CountPrefixes) {
  Archive out = Archive::ForWriting();
  out.WriteCount(0);
  out.WriteCount(0xFFFE);
  out.WriteCount(0xFFFF);
  EXPECT_EQ(out.Bytes(), Of({0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
  Archive in = Archive::ForReading(Concat(out.Bytes(), std::string("\xFF\xFF\x03\x00\x00\x00", 6)));
  EXPECT_EQ(in.ReadCount(), 0u);
  EXPECT_EQ(in.ReadCount(), 0xFFFEu);
  EXPECT_EQ(in.ReadCount(), 0xFFFFu);
  EXPECT_EQ(in.ReadCount(), 3u);  // the long form of a small count
}

TEST(ArchivePrimitivesTest, TruncatedAndImpossibleLengthsAreErrors) {
  ExpectReadError(Of({1, 2, 3}), [](Archive& ar) { ar.ReadDword(); }, "truncated", 0);
  ExpectReadError(Of({1, 2, 3}), [](Archive& ar) { ar.ReadWord(); ar.ReadWord(); }, "truncated", 2);
  ExpectReadError(Of({0xFF, 0xFF}), [](Archive& ar) { ar.ReadString(); }, "truncated", 1);
  ExpectReadError(Of({5, 'a', 'b'}), [](Archive& ar) { ar.ReadString(); }, "string length", 0);
  ExpectReadError(Of({0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),
                  [](Archive& ar) { ar.ReadByte(); ar.ReadString(); }, "impossible string length 2147483647", 1);
  ExpectReadError(Of({0xFF, 0xFE, 0xFF, 2, 'a', 0, 'b'}), [](Archive& ar) { ar.ReadString(); },
                  "UTF-16 string length", 0);
  ExpectReadError(Of({1, 2}), [](Archive& ar) { ar.RequireRemaining(3); }, "truncated", 0);
  Archive ok = Archive::ForReading(Of({1, 2}));
  EXPECT_NO_THROW(ok.RequireRemaining(2));
}

TEST(ArchivePrimitivesTest, DirectionIsEnforced) {
  Archive out = Archive::ForWriting();
  EXPECT_TRUE(out.IsStoring());
  EXPECT_THROW(out.ReadByte(), ArchiveError);
  Archive in = Archive::ForReading({});
  EXPECT_TRUE(in.IsLoading());
  EXPECT_THROW(in.WriteByte(1), ArchiveError);
  EXPECT_THROW(in.WriteObject(nullptr), ArchiveError);
}

TEST(ArchivePrimitivesTest, LoadFileReadsFilesAndReportsWhatIsNot) {
  std::vector<uint8_t> bytes{1};
  std::string error;
  EXPECT_FALSE(LoadFile("/nonexistent/dir/file.tav", bytes, error));
  EXPECT_NE(error.find("/nonexistent/dir/file.tav: no such file"), std::string::npos) << error;
  EXPECT_TRUE(bytes.empty());
  std::string dir = std::filesystem::temp_directory_path().string();
  EXPECT_FALSE(LoadFile(dir, bytes, error));
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;

  std::string path = dir + "/tav_archive_load_test.bin";
  Bytes content(100000);
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 7);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
  EXPECT_TRUE(LoadFile(path, bytes, error)) << error;
  EXPECT_EQ(bytes, content);
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace tav::archive
