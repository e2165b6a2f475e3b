// Files and byte queues: memory files at and beyond their ends, disk files through the game-path
// resolver, the stream buffer's gathering read, the library's array and strings, and the class
// names every library object answers.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <vector>

#include "medialib/esl_string.h"
#include "medialib/memory_file.h"
#include "medialib/ptr_array.h"
#include "medialib/raw_file.h"
#include "medialib/stream_buffer.h"
#include "platform/game_path.h"

namespace tav::medialib {
namespace {

TEST(MemoryFileTest, ReadsStopAtTheEndAndWritableFilesGrow) {
  EMemoryFile file;
  ASSERT_TRUE(file.Create(100));
  EXPECT_EQ(file.GetAttributes(), 7u);
  char buffer[10];
  EXPECT_EQ(file.Seek(95, ESLFileObject::kFromBegin), 95u);
  EXPECT_EQ(file.Read(buffer, 10), 5u);
  EXPECT_EQ(file.Seek(-500, ESLFileObject::kFromCurrent), 0u);  // clamped to the start
  EXPECT_EQ(file.Seek(200, ESLFileObject::kFromBegin), 200u);
  EXPECT_EQ(file.GetLength(), 200u);
  std::vector<unsigned char> data(10000);
  std::iota(data.begin(), data.end(), 0);
  EXPECT_EQ(file.Write(data.data(), data.size()), data.size());
  EXPECT_EQ(file.GetLength(), 10200u);
  EXPECT_EQ(file.GetBuffer()[150], 0) << "the grown gap reads as zeros";
  EXPECT_EQ(file.GetBuffer()[200 + 9999], static_cast<unsigned char>(9999));
  file.Seek(300, ESLFileObject::kFromBegin);
  EXPECT_TRUE(file.SetEndOfFile());
  EXPECT_EQ(file.GetLength(), 300u);

  auto copy = file.Duplicate();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetPosition(), 0u);
  EXPECT_EQ(copy->GetLength(), 300u);
  EXPECT_STREQ(copy->GetClassName(), "EMemoryFile");
}

TEST(MemoryFileTest, WrappedMemoryIsReadOnly) {
  const char text[] = "abcdef";
  EMemoryFile file;
  file.Open(text, 6);
  EXPECT_EQ(file.GetAttributes(), static_cast<uint32_t>(ESLFileObject::kRead));
  EXPECT_EQ(file.Write("zz", 2), 0u);
  EXPECT_EQ(file.Seek(50, ESLFileObject::kFromBegin), 6u) << "a read-only file cannot grow";
  EXPECT_FALSE(file.SetEndOfFile());
  file.Seek(-2, ESLFileObject::kFromEnd);
  char tail[4] = {};
  EXPECT_EQ(file.Read(tail, 4), 2u);
  EXPECT_STREQ(tail, "ef");
}

class RawFileTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("tav_rawfile_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_ / "Config" / "Music");
    std::ofstream(dir_ / "Config" / "Music" / "Theme.MIO") << "0123456789";
  }
  void TearDown() override {
    ERawFile::SetGamePathResolver(nullptr);
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;
};

TEST_F(RawFileTest, GamePathsGoThroughTheResolver) {
  platform::GamePathResolver resolver(dir_.string());
  ERawFile::SetGamePathResolver(&resolver);
  ERawFile file;
  EXPECT_EQ(file.Open("config\\music\\missing.mio", ESLFileObject::kRead), 1);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.GetAttributes(), 0u);
  ASSERT_EQ(file.Open("config\\music\\theme.mio", ESLFileObject::kRead | ESLFileObject::kShareRead), 0);
  EXPECT_EQ(file.GetFilePath(), (dir_ / "Config" / "Music" / "Theme.MIO").string());
  EXPECT_EQ(file.GetLength(), 10u);
  EXPECT_EQ(file.Seek(-3, ESLFileObject::kFromEnd), 7u);
  auto copy = file.Duplicate();  // reopened: a position of its own
  ASSERT_NE(copy, nullptr);
  char byte = 0;
  EXPECT_EQ(copy->Read(&byte, 1), 1u);
  EXPECT_EQ(byte, '0');
  EXPECT_EQ(file.Read(&byte, 1), 1u);
  EXPECT_EQ(byte, '7');
  EXPECT_EQ(file.Write("x", 1), 0u) << "opened for reading only";

  ERawFile created;
  ASSERT_EQ(created.Open("config\\new.bin", ESLFileObject::kCreate | ESLFileObject::kWrite), 0);
  EXPECT_EQ(created.Write("hello", 5), 5u);
  created.Seek(2, ESLFileObject::kFromBegin);
  EXPECT_TRUE(created.SetEndOfFile());
  created.Close();
  EXPECT_EQ(std::filesystem::file_size(dir_ / "Config" / "new.bin"), 2u);
}

TEST(StreamBufferTest, GetBufferGathersAcrossChunks) {
  EStreamBuffer buffer;
  EXPECT_EQ(buffer.Write("abcd", 4), 4u);
  // A request too large for the first chunk's room starts a second chunk.
  void* room = buffer.PutBuffer(8000);
  ASSERT_NE(room, nullptr);
  memcpy(room, "efgh", 4);
  buffer.Commit(4);
  EXPECT_EQ(buffer.GetLength(), 8u);
  size_t length = 0;
  const void* head = buffer.GetBuffer(0, &length);
  EXPECT_EQ(length, 4u) << "0 asks for the head chunk as it is";
  head = buffer.GetBuffer(6, &length);
  ASSERT_EQ(length, 6u);
  EXPECT_EQ(std::string(static_cast<const char*>(head), 6), "abcdef");
  buffer.Consume(5);
  EXPECT_EQ(buffer.GetLength(), 3u);
  char rest[8] = {};
  EXPECT_EQ(buffer.Read(rest, 8), 3u);
  EXPECT_STREQ(rest, "fgh");
  EXPECT_EQ(buffer.GetBuffer(1, &length), nullptr);
  EXPECT_EQ(length, 0u);
  // Once read, the tail chunk's room is reused from its start.
  EXPECT_EQ(buffer.PutBuffer(8000), room);
}

TEST(PtrArrayTest, InsertsAndRemovesInOrder) {
  EPtrArray array;
  int values[20];
  for (int& v : values) EXPECT_TRUE(array.Add(&v));
  EXPECT_TRUE(array.InsertAt(1, nullptr));
  EXPECT_EQ(array.GetSize(), 21u);
  EXPECT_EQ(array[0], &values[0]);
  EXPECT_EQ(array[2], &values[1]);
  EXPECT_EQ(array.RemoveAt(1), nullptr);
  EXPECT_EQ(array.RemoveAt(19), &values[19]);
  EXPECT_EQ(array.RemoveAt(19), nullptr);
  EXPECT_EQ(array[18], &values[18]);
}

TEST(StringTest, GrowsAndConvertsShiftJisText) {
  EString text("abc");
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(text.Append("de"));
  EXPECT_EQ(text.GetLength(), 203u);
  EXPECT_EQ(text[202], 'e');
  EXPECT_EQ(text.CStr()[203], '\0');
  EString copy = text;
  text.Clear();
  EXPECT_EQ(copy.GetLength(), 203u);
  EXPECT_STREQ(EString().CStr(), "");

  EWideString wide = EWideString::FromSjis("\x95\x5C\x8E\xA6");  // 表示
  EXPECT_EQ(wide.GetLength(), 2u);
  EXPECT_EQ(wide[0], u'表');
  EXPECT_EQ(wide.ToUtf8(), "表示");
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\U0001F600");
  EXPECT_EQ(Utf8ToUtf16("a\xFF"), u"a\uFFFD");
}

TEST(ESLObjectTest, ClassesAnswerTheirNameAndTheirBases) {
  EMemoryFile file;
  ESLObject& object = file;
  EXPECT_STREQ(object.GetClassName(), "EMemoryFile");
  EXPECT_TRUE(object.IsKindOf("ESLFileObject"));
  EXPECT_TRUE(object.IsKindOf("ESLObject"));
  EXPECT_FALSE(object.IsKindOf("ERawFile"));
  EXPECT_EQ(object.DynamicCast("ESLFileObject"), &object);
  EXPECT_EQ(object.DynamicCast("EStreamBuffer"), nullptr);
  EXPECT_EQ(object.As<ERawFile>(), nullptr);
  EXPECT_EQ(object.As<EMemoryFile>(), &file);
}

}  // namespace
}  // namespace tav::medialib
