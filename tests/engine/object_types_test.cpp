// Object types from model.def, their functions and formulas, IsType, and the functions and
// initializer methods that create instances.
#include <gtest/gtest.h>

#include "engine/init_array.h"
#include "engine/object_types.h"
#include "game_folder.h"
#include "script/core/scalars.h"
#include "script/core/var_func.h"

namespace tav::engine::testing {
namespace {

TEST(TypeDeclarations, KindBaseAndNameAreSplitAtColonThenComma) {
  TypeDeclaration shelf = ParseTypeDeclaration("5", "ARRAY: 3, Shelf");
  EXPECT_EQ(shelf.number, 5);
  EXPECT_TRUE(shelf.isArray);
  EXPECT_EQ(shelf.base, 3);
  EXPECT_EQ(shelf.name, "Shelf");
  TypeDeclaration plain = ParseTypeDeclaration("12", "Item");
  EXPECT_FALSE(plain.isArray);
  EXPECT_FALSE(plain.base.has_value());
  EXPECT_EQ(plain.name, "Item");
  TypeDeclaration lower = ParseTypeDeclaration("7", " array :Box ");
  EXPECT_TRUE(lower.isArray);
  EXPECT_EQ(lower.name, "Box");
  TypeDeclaration other = ParseTypeDeclaration("8", "thing: 4 ,Sub");
  EXPECT_FALSE(other.isArray);
  EXPECT_EQ(other.base, 4);
  EXPECT_EQ(other.name, "Sub");
}

class ObjectTypes : public GameFolderTest {
 protected:
  // Base (3) with a function F, a function G and a formula; Shelf (5) an array type derived
  // from it that overrides F and the formula; Plain (6) derived without files of its own.
  void WriteTypes() {
    Write("model.def", "3 Base\n5 ARRAY: 3, Shelf\n6 object: 3, Plain\n7 Ghost\n8 9, Orphan\n");
    Write("model/Base.def", "INT Size\nFUNC F, G\nFORM Price\n");
    Write("model/Base/F.tas", "RETURN 1;\n");
    Write("model/Base/G.tas", "RETURN 10 + Size;\n");
    Write("model/form_Base.def", "PRICE 100\n");
    Write("model/Shelf.def", "INT Width\nFORM Area, Depth\n");
    Write("model/Shelf/F.tas", "RETURN 2;\n");
    Write("model/form_Shelf.def", "Price 200\nArea Width * 2\n");
    Write("model/Plain.def", "");
    Write("model/Orphan.def", "");
  }
};

TEST_F(ObjectTypes, ModelDefBuildsKindsBasesAndNumbers) {
  WriteTypes();
  TAV_GameSystem& game = Start();
  EXPECT_EQ(game.Stop().step, StartupStep::None) << game.Stop().reason;
  script::TOL_VarObject* base = game.Types().Type(3);
  script::TOL_VarObject* shelf = game.Types().Type(5);
  ASSERT_NE(base, nullptr);
  ASSERT_NE(shelf, nullptr);
  EXPECT_NE(dynamic_cast<script::TOL_VarObArray*>(shelf), nullptr);
  EXPECT_EQ(dynamic_cast<script::TOL_VarObArray*>(base), nullptr);
  EXPECT_EQ(shelf->GetBase(), base);
  EXPECT_EQ(game.Type(6)->GetBase(), base);
  EXPECT_EQ(shelf->FindMember("_TYPEID")->GetLong(), 5);
  EXPECT_EQ(Global("TID_SHELF")->GetLong(), 5);
  EXPECT_EQ(Global("TID_PLAIN")->GetLong(), 6);
  // No Ghost.def: nothing defined. An unknown base: no base.
  EXPECT_EQ(game.Type(7), nullptr);
  EXPECT_EQ(Global("TID_GHOST"), nullptr);
  ASSERT_NE(game.Type(8), nullptr);
  EXPECT_EQ(game.Type(8)->GetBase(), nullptr);
  // An instance of the array type is an array.
  EXPECT_EQ(RunLong("OBJECT s = CreateObject(TID_Shelf); s.Add(1); s.Add(2); RETURN s.Count();"), 2);
}

TEST_F(ObjectTypes, DerivedTypesOverrideOrInheritFunctionsAndFormulas) {
  WriteTypes();
  Start();
  EXPECT_EQ(RunLong("OBJECT b = CreateObject(3); RETURN b.F();"), 1);
  EXPECT_EQ(RunLong("OBJECT s = CreateObject(5); RETURN s.F();"), 2);
  EXPECT_EQ(RunLong("OBJECT p = CreateObject(6); RETURN p.F();"), 1);
  EXPECT_EQ(RunLong("OBJECT p = CreateObject(6); p.Size = 5; RETURN p.G();"), 15);
  EXPECT_EQ(RunLong("OBJECT b = CreateObject(3); RETURN b.Price();"), 100);
  EXPECT_EQ(RunLong("OBJECT s = CreateObject(5); RETURN s.Price();"), 200);
  EXPECT_EQ(RunLong("OBJECT p = CreateObject(6); RETURN p.Price();"), 100);
  EXPECT_EQ(RunLong("OBJECT s = CreateObject(5); s.Width = 4; RETURN s.Area();"), 8);
  // Depth has no entry: it stays empty, and start-up went on.
  auto* depth = dynamic_cast<script::TOL_VarFuncForm*>(game_->Types().Type(5)->FindOwnMember(script::Atom::Intern("DEPTH")));
  ASSERT_NE(depth, nullptr);
  EXPECT_TRUE(depth->Expression().IsEmpty());
}

TEST_F(ObjectTypes, OwnFunctionWithoutFileStopsAtStepNine) {
  Write("model.def", "1 Good\n2 Bad\n3 Later\n");
  Write("model/Good.def", "FUNC F\n");
  Write("model/Good/F.tas", "RETURN 1;\n");
  Write("model/Bad.def", "FUNC Missing\n");
  Write("model/Later.def", "INT X\n");
  Write("view.def", "1 NoSuchView\n");  // never read: the stop comes first
  TAV_GameSystem& game = Start();
  EXPECT_EQ(game.Stop().step, StartupStep::BuildTypes);
  EXPECT_EQ(game.Stop().where, "config\\model\\Bad\\MISSING.tas");
  EXPECT_NE(game.Type(1), nullptr);
  EXPECT_EQ(Global("TID_BAD"), nullptr);
  EXPECT_EQ(game.Type(3), nullptr);
}

TEST_F(ObjectTypes, IsTypeTestsEveryBaseOfTheReceiver) {
  WriteTypes();
  Start();
  EXPECT_EQ(RunLong("OBJECT p = CreateObject(6); RETURN p.IsType(3);"), 1);
  EXPECT_EQ(RunLong("OBJECT p = CreateObject(6); RETURN p.IsType(6);"), 1);
  EXPECT_EQ(RunLong("OBJECT p = CreateObject(6); RETURN p.IsType(5);"), 0);
  EXPECT_EQ(RunLong("OBJECT p = CreateObject(6); RETURN p.IsType();"), 0);
  EXPECT_EQ(RunLong("OBJECT b = CreateObject(3); RETURN b.IsType(6);"), 0);
  EXPECT_EQ(RunLong("RETURN IsType(3);"), 0);  // not a global; and without a receiver false
}

class ObjectFunctions : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    Write("global.def", "INT Bonus\n");
    Write("define.def", "");
    Write("model.def", "1 Item\n2 Tool\n");
    Write("model/Item.def", "INT Price\nSTRING Label\nBOOL Rare\nLONG Big\n");
    Write("model/Item.csv", "Price,Label\n5,Apple\n7,Pear\n");
    Write("model/Tool.def", "INT Price\nINT Power\n");
    Write("list/items.csv", "Price,Label\n1,one\n2,two\n3,three\n");
    Write("list/mixed.csv", "TID,Price,Power\nTID_Tool,10,1\n,11,Bonus + 2\nTID_Item,12,\n");
    Write("setting/cheap", "Price 10*2\nLabel Hello\nRare 2\nBig 3000000000\nNothing 5\n");
    Start();
  }
};

// The common cases run through the real program in the types_create game folder; these are the
// edges.
TEST_F(ObjectFunctions, CreateArrayEdges) {
  EXPECT_EQ(RunLong("OBJECT a = CreateArray(); RETURN a.Count();"), 0);
  EXPECT_EQ(RunLong("OBJECT a = CreateArray(2, TID_Item, 1); a[0].Price = 1; RETURN a[1].Price;"), 7);
  EXPECT_EQ(RunLong("OBJECT a = CreateArray(2, TID_Item, 9); RETURN a[1].Price;"), 0);  // no such row
  EXPECT_EQ(RunLong("OBJECT a = CreateArray(2, 99); RETURN a[1].IsType(99);"), 0);
  EXPECT_EQ(RunLong("OBJECT a = CreateArray(-2, TID_Item); RETURN a.Count();"), 0);
  // Millions of instances are refused before anything is allocated.
  EXPECT_EQ(RunLong("OBJECT a = CreateArray(5000000, TID_Item); RETURN a.Count();"), 0);
}

TEST_F(ObjectFunctions, CreateArrayFromFileEdges) {
  EXPECT_EQ(Run("RETURN CreateArrayFromFile(TID_Item);")->GetType(), script::kTypeString);
  EXPECT_EQ(RunLong("OBJECT a = CreateArrayFromFile(99, \"items.csv\"); RETURN a.Count();"), 0);
  EXPECT_EQ(RunLong("OBJECT a = CreateArrayFromFile(TID_Item, \"none.csv\"); RETURN a.Count();"), 0);
}

TEST_F(ObjectFunctions, CreateObjectAndCreateObjectDefEdges) {
  EXPECT_EQ(Call("CreateObject"), nullptr);
  EXPECT_EQ(Call("CreateObject", {script::NewInt(99)}), nullptr);
  EXPECT_EQ(RunText("OBJECT o = CreateObject(TID_Item, 0); RETURN o.Label;"), "Apple");
  EXPECT_EQ(RunLong("OBJECT o = CreateObject(TID_Item, 5); RETURN o.Price;"), 0);
  EXPECT_EQ(RunText("OBJECT o = CreateObjectDef(TID_Item, \"cheap\"); RETURN o.Big;"), "3000000000");
  EXPECT_EQ(RunLong("OBJECT o = CreateObjectDef(TID_Item, \"missing\"); RETURN o.IsType(TID_Item);"), 1);
  EXPECT_EQ(Call("CreateObjectDef", {script::NewInt(1)}), nullptr);
  EXPECT_EQ(Call("CreateObjectDef", {script::NewInt(99), script::NewString("cheap")}), nullptr);
}

TEST_F(ObjectFunctions, InitializerEdges) {
  script::VarRef made = Run("RETURN CreateInitializer(\"mixed.csv\");");
  ASSERT_NE(made, nullptr);
  EXPECT_NE(dynamic_cast<TAV_VarInitArray*>(made->GetTarget()), nullptr);
  EXPECT_EQ(RunLong("OBJECT i = CreateInitializer(\"items.csv\", TID_Item); RETURN i.Count();"), 3);
  EXPECT_EQ(RunLong("OBJECT i = CreateInitializer(\"items.csv\"); RETURN i.Count();"), 0);  // no type
  EXPECT_EQ(RunLong("OBJECT i = CreateInitializer(); RETURN i.Count();"), 0);

  const std::string init = "OBJECT i = CreateInitializer(\"mixed.csv\"); Bonus = 1; ";
  EXPECT_EQ(RunLong(init + "OBJECT o = i.CREATEOBJECT(1); RETURN o.Power;"), 3);
  EXPECT_EQ(Run(init + "RETURN i.CreateObject(3);")->GetType(), script::kTypeInt);  // none: INT 0
  EXPECT_EQ(Run(init + "RETURN i.CreateObject();")->GetType(), script::kTypeInt);
  EXPECT_EQ(Run(init + "RETURN i.CreateObject(0);")->GetType(), script::kTypeObject);
  EXPECT_EQ(RunLong(init + "OBJECT a = i.CreateArray(0); RETURN a.Count();"), 0);
  EXPECT_EQ(RunLong(init + "OBJECT a = i.CreateArray(7, 2); RETURN a.Count();"), 0);
  EXPECT_EQ(RunLong(init + "OBJECT a = i.CreateArray(0, 5000000); RETURN a.Count();"), 0);
  EXPECT_EQ(RunLong(init + "OBJECT a = i.CreateArrayRange(1, 1); RETURN a.Count();"), 1);
  EXPECT_EQ(RunLong(init + "OBJECT a = i.CreateArrayRange(2, 2); RETURN a[0].IsType(TID_Item);"), 1);
  EXPECT_EQ(RunLong(init + "OBJECT a = i.CreateArrayRange(3); RETURN a.Count();"), 0);
}

}  // namespace
}  // namespace tav::engine::testing
