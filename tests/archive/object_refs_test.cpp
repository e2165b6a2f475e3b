#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/archive.h"
#include "test_classes.h"

namespace tav::archive {
namespace {

using testing::Dict;
using testing::Leaf;
using testing::Node;
using testing::Ref;
using testing::TestObject;

// Hand-built archive bytes.
struct ByteBuilder {
  std::vector<uint8_t> bytes;
  ByteBuilder& Word(uint16_t w) {
    bytes.push_back(static_cast<uint8_t>(w));
    bytes.push_back(static_cast<uint8_t>(w >> 8));
    return *this;
  }
  ByteBuilder& Dword(uint32_t d) { return Word(static_cast<uint16_t>(d)).Word(static_cast<uint16_t>(d >> 16)); }
  ByteBuilder& Raw(std::string_view s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
  }
  ByteBuilder& NewClass(std::string_view name) { return Word(0xFFFF).Word(1).Word(static_cast<uint16_t>(name.size())).Raw(name); }
  ByteBuilder& Str(std::string_view s) {
    bytes.push_back(static_cast<uint8_t>(s.size()));
    return Raw(s);
  }
  // A Node payload with a null label, a null child and an empty array.
  ByteBuilder& EmptyNode() { return Word(1).Word(0).Word(0).Word(0); }
  ByteBuilder& LeafPayload(int32_t value) { return Word(1).Dword(static_cast<uint32_t>(value)).Str(""); }
};

class ArchiveObjectTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::RegisterTestClasses(); }
  void TearDown() override {
    TestObject::CollectCycles();
    EXPECT_EQ(TestObject::LiveCount(), 0u) << "objects leaked";
  }
};

TEST_F(ArchiveObjectTest, WorkedExampleByHand) {
  // A top-level payload written directly (no class record, no index), holding an array of two
  // nodes and then a second reference to the first.
  Ref<Node> first = Ref<Node>::Make();
  Ref<Node> second = Ref<Node>::Make();
  Archive out = Archive::ForWriting();
  out.WriteWord(1);
  out.WriteObjectArray({first.get(), second.get()});
  out.WriteObject(first.get());

  ByteBuilder expected;
  expected.Word(1).Word(2);
  expected.NewClass("TST_Node").EmptyNode();  // class index 1, object index 2; nulls take none
  expected.Word(0x8001).EmptyNode();          // class 1 again, object index 3
  expected.Word(2);                           // back to the first node
  EXPECT_EQ(out.Bytes(), expected.bytes);

  Archive in = Archive::ForReading(expected.bytes);
  EXPECT_EQ(in.ReadWord(), 1);
  std::vector<Object*> items = in.ReadObjectArray();
  ASSERT_EQ(items.size(), 2u);
  Object* again = in.ReadObject();
  EXPECT_EQ(again, items[0]);
  EXPECT_NE(items[0], items[1]);
  EXPECT_TRUE(in.AtEnd());
  // Each read handed out a reference of its own; the load table holds one more.
  EXPECT_EQ(static_cast<TestObject*>(items[0])->Refs(), 3);
  for (Object* item : items) item->ArchiveRelease();
  again->ArchiveRelease();
}

TEST_F(ArchiveObjectTest, PayloadsReferBackToObjectsStillBeingRead) {
  Ref<Node> node = Ref<Node>::Make();
  Ref<Leaf> leaf = Ref<Leaf>::Make();
  leaf->value = 42;
  leaf->text = "\x95\x5C";
  node->label = leaf.get();
  leaf->ArchiveAddRef();
  node->SetChild(node.get());  // a cycle through the node itself
  node->AddItem(leaf.get());
  node->AddItem(nullptr);
  node->AddItem(node.get());

  Archive out = Archive::ForWriting();
  out.WriteObject(node.get());
  ByteBuilder expected;
  expected.NewClass("TST_Node").Word(1);
  expected.NewClass("TST_Leaf").Word(1).Dword(42).Str("\x95\x5C");  // class 3, leaf 4
  expected.Word(2);                                                   // child: the node itself
  expected.Word(3).Word(4).Word(0).Word(2);                           // items
  EXPECT_EQ(out.Bytes(), expected.bytes);

  Archive in = Archive::ForReading(out.Bytes());
  Node* read = in.ReadObjectAs<Node>();
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->child, read);
  ASSERT_NE(read->label, nullptr);
  EXPECT_EQ(read->label->value, 42);
  EXPECT_EQ(read->label->text, "\x95\x5C");
  EXPECT_EQ(read->items, (std::vector<Object*>{read->label, nullptr, read}));
  read->ArchiveRelease();
}

TEST_F(ArchiveObjectTest, LongTagsBeyond0x7FFE) {
  // Class 1, leaves 2 .. 0x8001: the later ones need the DWORD form.
  constexpr int kLeaves = 0x8000;
  std::vector<Ref<Leaf>> leaves;
  std::vector<Object*> array;
  for (int i = 0; i < kLeaves; ++i) {
    leaves.push_back(Ref<Leaf>::Make());
    leaves.back()->value = i;
    array.push_back(leaves.back().get());
  }
  Ref<Node> node1 = Ref<Node>::Make();
  Ref<Node> node2 = Ref<Node>::Make();
  Archive out = Archive::ForWriting();
  out.WriteObjectArray(array);
  size_t tail = out.Bytes().size();
  out.WriteObject(node1.get());          // class 0x8002 (a new record), object 0x8003
  out.WriteObject(node2.get());          // class 0x8002 again: long class tag; object 0x8004
  out.WriteObject(node1.get());          // long object tag
  out.WriteObject(array[0]);             // index 2
  out.WriteObject(array[0x7FFC]);        // index 0x7FFE: the last short tag
  out.WriteObject(array[0x7FFD]);        // index 0x7FFF: long

  ByteBuilder expected;
  expected.NewClass("TST_Node").EmptyNode();
  expected.Word(0x7FFF).Dword(0x80008002).EmptyNode();
  expected.Word(0x7FFF).Dword(0x8003);
  expected.Word(2).Word(0x7FFE);
  expected.Word(0x7FFF).Dword(0x7FFF);
  EXPECT_EQ(std::vector<uint8_t>(out.Bytes().begin() + static_cast<std::ptrdiff_t>(tail), out.Bytes().end()),
            expected.bytes);

  Archive in = Archive::ForReading(out.Bytes());
  std::vector<Object*> read = in.ReadObjectArray();
  ASSERT_EQ(read.size(), static_cast<size_t>(kLeaves));
  EXPECT_EQ(static_cast<Leaf*>(read[kLeaves - 1])->value, kLeaves - 1);
  Object* n1 = in.ReadObject();
  Object* n2 = in.ReadObject();
  Object* n1Again = in.ReadObject();
  Object* leaf0 = in.ReadObject();
  Object* leafA = in.ReadObject();
  Object* leafB = in.ReadObject();
  EXPECT_TRUE(in.AtEnd());
  EXPECT_NE(dynamic_cast<Node*>(n2), nullptr);
  EXPECT_EQ(n1Again, n1);
  EXPECT_EQ(leaf0, read[0]);
  EXPECT_EQ(leafA, read[0x7FFC]);
  EXPECT_EQ(leafB, read[0x7FFD]);
  for (Object* object : {n1, n2, n1Again, leaf0, leafA, leafB}) object->ArchiveRelease();
  for (Object* object : read) object->ArchiveRelease();
}

TEST_F(ArchiveObjectTest, MapKeepsInsertionOrderAndLaterDuplicates) {
  Ref<Dict> dict = Ref<Dict>::Make();
  Ref<Leaf> leaf = Ref<Leaf>::Make();
  dict->Add("z", leaf.get());
  dict->Add("a", nullptr);
  dict->Add("m", leaf.get());
  Archive out = Archive::ForWriting();
  out.WriteObject(dict.get());
  Archive in = Archive::ForReading(out.Bytes());
  Ref<Dict> read(in.ReadObjectAs<Dict>());
  ASSERT_EQ(read->entries.size(), 3u);
  EXPECT_EQ(read->entries[0].first, "z");
  EXPECT_EQ(read->entries[1].second, nullptr);
  EXPECT_EQ(read->entries[2].second, read->entries[0].second);
  Archive again = Archive::ForWriting();
  again.WriteObject(read.get());
  EXPECT_EQ(again.Bytes(), out.Bytes());  // load and save reproduce the bytes

  // "a" twice: the later value wins in the first position; the earlier leaf is still indexed.
  ByteBuilder bytes;
  bytes.NewClass("TST_Dict").Word(4);                               // class 1, dict 2
  bytes.Str("a").NewClass("TST_Leaf").LeafPayload(1);               // class 3, leaf 4
  bytes.Str("b").Word(0x8003).LeafPayload(2);                       // leaf 5
  bytes.Str("a").Word(0x8003).LeafPayload(3);                       // leaf 6
  bytes.Str("c").Word(4);                                           // the first leaf again
  Archive dupes = Archive::ForReading(bytes.bytes);
  Ref<Dict> dict2(dupes.ReadObjectAs<Dict>());
  ASSERT_EQ(dict2->entries.size(), 3u);
  EXPECT_EQ(dict2->entries[0].first, "a");
  EXPECT_EQ(static_cast<Leaf*>(dict2->entries[0].second)->value, 3);
  EXPECT_EQ(dict2->entries[1].first, "b");
  EXPECT_EQ(dict2->entries[2].first, "c");
  EXPECT_EQ(static_cast<Leaf*>(dict2->entries[2].second)->value, 1);
}

TEST_F(ArchiveObjectTest, TableReferencesLiveUntilTheArchiveIsDestroyed) {
  Ref<Leaf> leaf = Ref<Leaf>::Make();
  Archive out = Archive::ForWriting();
  out.WriteObject(leaf.get());
  Leaf* read = nullptr;
  {
    Archive in = Archive::ForReading(out.Bytes());
    read = in.ReadObjectAs<Leaf>();
    EXPECT_EQ(read->Refs(), 2);
    Archive moved = std::move(in);  // ownership of the table moves along
  }
  EXPECT_EQ(read->Refs(), 1);
  read->ArchiveRelease();
}

TEST_F(ArchiveObjectTest, NestingIsLimited) {
  auto chain = [](int depth) {
    // Each node's child is the next node; built by hand so that the writer's own limit does
    // not interfere.
    ByteBuilder b;
    b.NewClass("TST_Node").Word(1).Word(0);
    for (int i = 1; i < depth; ++i) b.Word(0x8001).Word(1).Word(0);
    b.Word(0);
    for (int i = 0; i < depth; ++i) b.Word(0);
    return b.bytes;
  };
  {
    Archive in = Archive::ForReading(chain(static_cast<int>(Archive::kDefaultMaxDepth)));
    Ref<Object> ok(in.ReadObject());
    EXPECT_TRUE(in.AtEnd());
  }
  for (int depth : {static_cast<int>(Archive::kDefaultMaxDepth) + 1, 200000}) {
    Archive in = Archive::ForReading(chain(depth));
    try {
      in.ReadObject();
      ADD_FAILURE() << "accepted nesting " << depth;
    } catch (const ArchiveError& e) {
      std::string expected = "nested more than 1000 deep at byte offset " + std::to_string(18 + 6 * 999);
      EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
    }
  }

  // The writer refuses what could not be read back.
  std::vector<Ref<Node>> nodes;
  for (unsigned i = 0; i <= Archive::kDefaultMaxDepth; ++i) {
    nodes.push_back(Ref<Node>::Make());
    if (i > 0) nodes[i - 1]->SetChild(nodes[i].get());
  }
  Archive out = Archive::ForWriting();
  EXPECT_THROW(out.WriteObject(nodes[0].get()), ArchiveError);
}

}  // namespace
}  // namespace tav::archive
