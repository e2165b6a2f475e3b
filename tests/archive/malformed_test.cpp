#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/archive.h"
#include "test_classes.h"

namespace tav::archive {
namespace {

using testing::TestObject;

std::vector<uint8_t> Bytes(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::string Word(uint16_t w) { return {static_cast<char>(w & 0xFF), static_cast<char>(w >> 8)}; }

std::string NewClass(std::string_view name, uint16_t schema = 1) {
  return Word(0xFFFF) + Word(schema) + Word(static_cast<uint16_t>(name.size())) + std::string(name);
}

const std::string kNode = NewClass("TST_Node");           // 14 bytes; class 1, the node 2
const std::string kLeaf = NewClass("TST_Leaf");
const std::string kLeafPayload = Word(1) + std::string("\7\0\0\0", 4) + std::string(1, '\0');

struct MalformedCase {
  const char* title;
  std::string bytes;
  const char* message;
  size_t offset;
};

void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.title; }

class ArchiveMalformedTest : public ::testing::TestWithParam<MalformedCase> {
 protected:
  void SetUp() override { testing::RegisterTestClasses(); }
};

TEST_P(ArchiveMalformedTest, FailsWithOffsetAndLeavesNothingBehind) {
  const MalformedCase& c = GetParam();
  {
    Archive in = Archive::ForReading(Bytes(c.bytes));
    try {
      Object* object = in.ReadObject();
      if (object != nullptr) object->ArchiveRelease();
      ADD_FAILURE() << "accepted";
    } catch (const ArchiveError& e) {
      std::string message = e.what();
      EXPECT_NE(message.find(c.message), std::string::npos) << message;
      EXPECT_NE(message.find("at byte offset " + std::to_string(c.offset)), std::string::npos) << message;
    }
  }
  TestObject::CollectCycles();
  EXPECT_EQ(TestObject::LiveCount(), 0u) << "objects leaked";
}

// A node (class 1, object 2) whose label, child and array are given.
std::string NodeWith(const std::string& label, const std::string& child, const std::string& items) {
  return kNode + Word(1) + label + child + items;
}

const MalformedCase kCases[] = {
    {"Empty", "", "truncated", 0},
    {"TruncatedClassName", kNode.substr(0, 10), "truncated", 6},
    {"TruncatedPayload", kNode + Word(1) + Word(0), "truncated", 18},
    {"UnknownClass", NewClass("TST_Nope"), "unknown class 'TST_Nope'", 0},
    {"ClassNamesAreCaseSensitive", NewClass("tst_node"), "unknown class 'tst_node'", 0},
    {"UnprintableClassName", NewClass(std::string("A\0\x95", 3)), "unknown class 'A\\x00\\x95'", 0},
    {"ClassNameOf64Bytes", NewClass(std::string(64, 'A')), "class name of 64 bytes", 4},
    {"BadSchema", NewClass("TST_Node", 2), "class 'TST_Node' with schema 2", 0},
    {"ClassIndexZero", Word(0x8000), "class index 0", 0},
    {"LongClassIndexZero", Word(0x7FFF) + std::string("\0\0\0\x80", 4), "class index 0", 0},
    {"ObjectIndexNotAssigned", Word(5), "object index 5 not yet assigned", 0},
    {"ClassIndexNotAssigned", Word(0x8003), "class index 3 not yet assigned", 0},
    // The DWORD form never introduces a class record.
    {"LongTagIsNoNewClass", Word(0x7FFF) + std::string("\xFF\xFF\xFF\xFF", 4),
     "class index 2147483647 not yet assigned", 0},
    {"SelfReferenceBeforeItsIndex", NodeWith(Word(0), Word(3), Word(0)), "object index 3 not yet assigned", 18},
    {"ClassWhereObjectExpected", NodeWith(Word(0), Word(1), Word(0)),
     "index 1 names a class where an object is expected", 18},
    {"ObjectWhereClassExpected", NodeWith(Word(0), Word(0), Word(1) + Word(0x8002)),
     "index 2 names an object where a class is expected", 22},
    {"WrongKindForTheField", NodeWith(Word(0x8001), "", ""), "class 'TST_Node' is not the kind", 16},
    {"WrongKindByBackReference", NodeWith(Word(2), "", ""), "class 'TST_Node' is not the kind", 16},
    {"AbsurdArrayCount", NodeWith(Word(0), Word(0), Word(0xFFFF) + std::string("\0\0\0\x40", 4) + Word(0)),
     "impossible array element count 1073741824", 20},
    {"AbsurdMapCount", NewClass("TST_Dict") + Word(0x7000) + std::string(100, '\0'),
     "impossible map entry count 28672", 14},
    {"AbsurdStringLength", kLeaf + Word(1) + std::string(4, '\0') + "\xFF\xF0\xFF" + "abc",
     "impossible string length 65520", 20},
    // The first child is complete (and must be released) when the second fails.
    {"FailureAfterCompleteObjects",
     NodeWith(kLeaf + kLeafPayload, Word(0x8003) + kLeafPayload, Word(2) + Word(4) + Word(9)),
     "object index 9 not yet assigned", 16 + 14 + 7 + 2 + 7 + 2 + 2},
};

INSTANTIATE_TEST_SUITE_P(Cases, ArchiveMalformedTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.title); });

}  // namespace
}  // namespace tav::archive
