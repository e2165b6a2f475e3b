// Table files: header columns, array columns, the TID column, conversions of cells, dropped rows,
// failures and the row limit.
#include <gtest/gtest.h>

#include "engine/type_table.h"
#include "game_folder.h"
#include "script/core/scalars.h"
#include "script/core/var_func.h"
#include "script/core/var_ref.h"

namespace tav::engine::testing {
namespace {

class TypeTable : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    Write("model.def", "1 Item\n2 Tool\n");
    Write("model/Item.def", "INT Count\nDOUBLE Weight\nSTRING Label\nLONG Big\nOBJECT Slots\nFORM Cost\n");
    Write("model/Tool.def", "INT Count\nINT Power\n");
    Start();
  }

  // Reads config\list\NAME typed as `type` (a number, or 0 for none).
  bool Read(const std::string& name, int type = 1, int limit = -1) {
    rows_ = script::NewArray();
    return ReadTypeTable(rows_.get(), type ? game_->Type(type) : nullptr, "config\\list\\" + name, limit,
                         game_->Tables());
  }
  script::TOL_Var* Cell(int row, const char* member) {
    script::TOL_Var* object = rows_->GetAt(row);
    return object ? object->FindMember(member) : nullptr;
  }
  int Count() { return rows_->GetCount(); }

  script::Ref<script::TOL_VarObArray> rows_;
};

TEST_F(TypeTable, CellsBecomeValuesOfTheirShape) {
  Write("list/cells.csv",
        "Count,Weight,Label,Big,Cost\n"
        "1,1.5,Hello,3000000000,Count * 2\n"
        "7,0,12,-5,\n");
  ASSERT_TRUE(Read("cells.csv"));
  ASSERT_EQ(Count(), 2);
  EXPECT_EQ(Cell(0, "COUNT")->GetType(), script::kTypeBool);  // 0 and 1 read as BOOL
  EXPECT_TRUE(Cell(0, "COUNT")->GetBool());
  EXPECT_EQ(Cell(0, "WEIGHT")->GetType(), script::kTypeDouble);
  EXPECT_DOUBLE_EQ(Cell(0, "WEIGHT")->GetDouble(), 1.5);
  EXPECT_EQ(Cell(0, "LABEL")->GetString(), "Hello");
  EXPECT_EQ(Cell(0, "BIG")->GetType(), script::kTypeInt64);
  EXPECT_EQ(Cell(0, "BIG")->GetInt64(), 3000000000LL);
  EXPECT_NE(dynamic_cast<script::TOL_VarFuncForm*>(Cell(0, "COST")), nullptr);
  EXPECT_EQ(Cell(1, "COUNT")->GetType(), script::kTypeInt);
  EXPECT_EQ(Cell(1, "WEIGHT")->GetType(), script::kTypeBool);
  EXPECT_EQ(Cell(1, "LABEL")->GetType(), script::kTypeInt);  // a plain number even for a STRING
  // -5 is no plain number: an expression, evaluated when an instance is made from the row.
  EXPECT_EQ(Cell(1, "BIG")->GetType(), script::kTypeFunction);
  EXPECT_EQ(Cell(1, "COST"), nullptr);  // an empty cell sets nothing
  EXPECT_EQ(RowType(rows_->GetAt(1)), game_->Type(1));
}

TEST_F(TypeTable, ArrayColumnsFillElementsOfObjectMembers) {
  Write("list/slots.csv", "Slots$2,Count,SLOTS$0\n5,3,\"x\"\n,4,\n");
  ASSERT_TRUE(Read("slots.csv"));
  ASSERT_EQ(Count(), 2);
  script::TOL_Var* slots = Cell(0, "SLOTS");
  ASSERT_NE(slots, nullptr);
  ASSERT_EQ(slots->GetCount(), 3);
  EXPECT_EQ(slots->GetAt(2)->GetLong(), 5);
  EXPECT_EQ(slots->GetAt(1)->GetType(), script::kTypeNone);  // created empty
  EXPECT_NE(dynamic_cast<script::TOL_VarRef*>(slots->GetAt(1)), nullptr);
  EXPECT_EQ(slots->GetAt(0)->GetType(), script::kTypeFunction);  // x: an expression
  EXPECT_EQ(Cell(1, "SLOTS"), nullptr);

  // An element column needs an OBJECT member: the row is left out.
  Write("list/notobject.csv", "Count$1,Label\n5,a\n,b\n");
  ASSERT_TRUE(Read("notobject.csv"));
  ASSERT_EQ(Count(), 1);
  EXPECT_EQ(Cell(0, "LABEL")->GetString(), "b");
}

TEST_F(TypeTable, UndeclaredColumnKeepsOnlyRowsWithAnEmptyCell) {
  Write("list/extra.csv", "Count,Unknown,Label\n1,x,first\n2,,second\n3,y,third\n4\n");
  ASSERT_TRUE(Read("extra.csv"));
  ASSERT_EQ(Count(), 2);
  EXPECT_EQ(Cell(0, "LABEL")->GetString(), "second");
  EXPECT_EQ(Cell(1, "COUNT")->GetLong(), 4);  // a short row: its missing cells count as empty
}

TEST_F(TypeTable, QuotedCellsKeepCommasAndDoubledQuotes) {
  Write("list/quoted.csv", "Label,Count\n\"a, b\",2\n\"say \"\"hi\"\"\",3\n");
  ASSERT_TRUE(Read("quoted.csv"));
  ASSERT_EQ(Count(), 2);
  EXPECT_EQ(Cell(0, "LABEL")->GetString(), "a, b");
  EXPECT_EQ(Cell(0, "COUNT")->GetLong(), 2);
  EXPECT_EQ(Cell(1, "LABEL")->GetString(), "say \"hi\"");
}

TEST_F(TypeTable, TidColumnChoosesTheTypeOfItsRowAndTheRowsAfter) {
  Write("list/mixed.csv", "tid,Count,Power\n2,1,9\n,2,8\nTID_Item,3,\n,4,\n1,5,\n");
  ASSERT_TRUE(Read("mixed.csv", 0));
  ASSERT_EQ(Count(), 5);
  EXPECT_EQ(RowType(rows_->GetAt(0)), game_->Type(2));
  EXPECT_EQ(RowType(rows_->GetAt(1)), game_->Type(2));
  EXPECT_EQ(Cell(1, "POWER")->GetLong(), 8);
  EXPECT_EQ(RowType(rows_->GetAt(2)), game_->Type(1));
  EXPECT_EQ(RowType(rows_->GetAt(3)), game_->Type(1));
  EXPECT_EQ(Cell(0, "TID"), nullptr);  // the column only chooses the type

  // A type column cell that names nothing fails the read; the rows before it stay.
  Write("list/badname.csv", "TID,Count\n1,7\nTID_Nothing,1\n1,8\n");
  EXPECT_FALSE(Read("badname.csv", 0));
  ASSERT_EQ(Count(), 1);
  EXPECT_EQ(Cell(0, "COUNT")->GetLong(), 7);
  Write("list/badnumber.csv", "TID,Count\n99,7\n");
  EXPECT_FALSE(Read("badnumber.csv", 1));
  EXPECT_EQ(Count(), 0);
}

TEST_F(TypeTable, RowsWithoutAnyTypeOrWithBadCellsFailTheRead) {
  Write("list/plain.csv", "Count\n3\n");
  EXPECT_FALSE(Read("plain.csv", 0));
  EXPECT_EQ(Count(), 0);
  Write("list/broken.csv", "Count\n3\n(1 +\n4\n");
  EXPECT_FALSE(Read("broken.csv"));
  ASSERT_EQ(Count(), 1);
  EXPECT_EQ(Cell(0, "COUNT")->GetLong(), 3);
}

TEST_F(TypeTable, RowLimitHeaderOnlyAndMissingFile) {
  Write("list/many.csv", "Count\n\n2\n3\n4\n");
  ASSERT_TRUE(Read("many.csv", 1, 2));
  EXPECT_EQ(Count(), 2);
  ASSERT_TRUE(Read("many.csv", 1, 0));
  EXPECT_EQ(Count(), 0);
  ASSERT_TRUE(Read("many.csv", 1, -1));
  EXPECT_EQ(Count(), 3);
  Write("list/header.csv", "Count,Label\n");
  EXPECT_TRUE(Read("header.csv"));
  EXPECT_EQ(Count(), 0);
  EXPECT_FALSE(Read("absent.csv"));
}

TEST_F(TypeTable, ReadingEmptiesTheArrayFirst) {
  Write("list/one.csv", "Count\n2\n");
  rows_ = script::NewArray();
  rows_->Add(script::NewInt(1).get());
  ASSERT_TRUE(ReadTypeTable(rows_.get(), game_->Type(1), "config\\list\\one.csv", -1, game_->Tables()));
  EXPECT_EQ(Count(), 1);
}

}  // namespace
}  // namespace tav::engine::testing
