#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "script/text/compile_error.h"
#include "script/text/definition_file.h"
#include "script/core/frame.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/scalars.h"
#include "script/script_file.h"
#include "script/text/table_file.h"
#include "script/core/var_func.h"
#include "script/core/var_ref.h"

namespace tav::script {
namespace {

namespace fs = std::filesystem;

class ScriptFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    InitializeRuntime();
    dir_ = fs::path(::testing::TempDir()) /
           ("script_files_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    globals_ = Make<TOL_VarObject>();
    frame_ = NewFrame(NewArray().get(), nullptr, globals_.get());
  }
  void TearDown() override {
    frame_.reset();
    globals_.reset();
    Registry::CollectGarbageAll();
    fs::remove_all(dir_);
  }
  std::string Write(const std::string& name, std::string_view content) {
    const fs::path path = dir_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }
  int32_t RunFile(const std::string& path, std::string_view result) {
    std::string error;
    StatementPtr body = CompileScriptFile(path, &error);
    EXPECT_TRUE(body) << error;
    if (!body) return INT32_MIN;
    VarRef out;
    body->Execute(out, frame_.get());
    TOL_Var* value = frame_->FindMember(result);
    return value ? value->GetLong() : INT32_MIN;
  }
  static PairList Pairs(std::initializer_list<std::pair<const char*, const char*>> entries) {
    PairList list;
    for (const auto& [key, value] : entries) list.Pairs().push_back({key, value, "test", 1});
    return list;
  }

  fs::path dir_;
  Ref<TOL_VarObject> globals_;
  Ref<TOL_VarObArray> frame_;
};

TEST_F(ScriptFiles, FileRules) {
  EXPECT_NE(CompileScriptFile(Write("comments.tas", "// only\n\n/* comments\n*/\n   \n")), nullptr);
  EXPECT_EQ(RunFile(Write("last.tas", "INT a = 1;\r\na += 1; // no line feed after this"), "A"), 2);
  // Text mode: CR LF is a line feed and Ctrl-Z ends the file.
  EXPECT_EQ(RunFile(Write("eof.tas", "INT b = 3;\r\n\x1A garbage that is never read"), "B"), 3);
  std::string error;
  EXPECT_EQ(CompileScriptFile(Write("bad.tas", "INT a;\r\n/*\r\n*/\r\nBREAK;\r\n"), &error), nullptr);
  EXPECT_EQ(error, (dir_ / "bad.tas").string() + ":4: BREAK outside a loop");
  EXPECT_EQ(CompileScriptFile((dir_ / "missing.tas").string(), &error), nullptr);
  EXPECT_NE(error.find("missing.tas: cannot open"), std::string::npos) << error;
}

TEST_F(ScriptFiles, DefinitionFiles) {
  Write("sub/more.def", "second 2\n# comment\nFIRST again\n");
  const std::string path = Write("main.def",
                                 "  first   1 2  \n"
                                 "\n"
                                 "# a comment\n"
                                 "include sub\\more.def\n"
                                 "INCLUDE nowhere.def\n"
                                 "lone\n"
                                 "\x82\x61x value\n"  // a Shift-JIS character whose second byte is 'a'
                                 "last \x81\x40\n");  // an ideographic space at the end is no blank
  const std::optional<PairList> list = ReadDefinitionFile(path);
  ASSERT_TRUE(list);
  std::vector<std::string> seen;
  for (const DefinitionPair& pair : *list) seen.push_back(pair.key + "=" + pair.value);
  EXPECT_EQ(seen, (std::vector<std::string>{"FIRST=1 2", "SECOND=2", "FIRST=again", "LONE=",
                                            "\x82\x61X=value", "LAST=\x81\x40"}));
  EXPECT_EQ(list->Find("first")->value, "1 2");  // duplicates kept, the first wins
  // Included files are named as the including file spells the path.
  EXPECT_EQ(list->Find("second")->Where(), (dir_ / "sub\\more.def:1").string());
  EXPECT_FALSE(ReadDefinitionFile((dir_ / "absent.def").string()));

  // A file that includes itself is read once.
  const std::optional<PairList> cycle = ReadDefinitionFile(Write("loop.def", "A 1\nINCLUDE loop.def\nB 2\n"));
  ASSERT_TRUE(cycle);
  EXPECT_EQ(cycle->Size(), 2u);
}

TEST_F(ScriptFiles, TableLines) {
  EXPECT_EQ(SplitTableLine("1,\"a,b\",c"), (TableRow{"1", "a,b", "c"}));
  EXPECT_EQ(SplitTableLine("\"say \"\"hi\"\"\",x"), (TableRow{"say \"hi\"", "x"}));
  EXPECT_EQ(SplitTableLine("a,b,"), (TableRow{"a", "b"}));
  EXPECT_EQ(SplitTableLine(",a"), (TableRow{"", "a"}));
  EXPECT_EQ(SplitTableLine("\x95\\,x"), (TableRow{"\x95\\", "x"}));
  const auto rows = ReadTableFile(Write("t.csv", "TID,NAME\r\n\r\n1,\"x, y\"\r\n"));
  ASSERT_TRUE(rows);
  EXPECT_EQ(*rows, (std::vector<TableRow>{{"TID", "NAME"}, {"1", "x, y"}}));
  EXPECT_FALSE(ReadTableFile((dir_ / "none.csv").string()));
}

TEST_F(ScriptFiles, ValuesFromText) {
  auto object = Make<TOL_VarObject>();
  DeclareMembers(Pairs({{"BOOL", "yes, no, two"},
                        {"LONG", "big"},
                        {"DOUBLE", "half"},
                        {"INT", "minus, hello, product"},
                        {"STRING", "greeting"},
                        {"WHATEVER", "ignored"}}),
                 object.get());
  EXPECT_EQ(object->FindMember("IGNORED"), nullptr);
  ApplySettings(Pairs({{"YES", "1"},
                       {"NO", "0"},
                       {"TWO", "2"},
                       {"BIG", "3000000000"},
                       {"HALF", "1.5"},
                       {"MINUS", "-5"},
                       {"HELLO", "Hello"},
                       {"PRODUCT", "10*2"},
                       {"GREETING", "Hello"},
                       {"NOTAMEMBER", "1"}}),
                object.get(), frame_.get());
  EXPECT_TRUE(object->FindMember("YES")->GetBool());
  EXPECT_FALSE(object->FindMember("NO")->GetBool());
  EXPECT_TRUE(object->FindMember("TWO")->GetBool());
  EXPECT_EQ(object->FindMember("BIG")->GetInt64(), 3000000000LL);
  EXPECT_EQ(object->FindMember("HALF")->GetDouble(), 1.5);
  EXPECT_EQ(object->FindMember("MINUS")->GetLong(), -5);
  EXPECT_EQ(object->FindMember("HELLO")->GetLong(), 0);
  EXPECT_EQ(object->FindMember("PRODUCT")->GetLong(), 20);
  EXPECT_EQ(object->FindMember("GREETING")->GetString(), "Hello");

  // The kind of value the text itself makes.
  EXPECT_EQ(ValueFromText("1", nullptr)->GetType(), kTypeBool);
  EXPECT_EQ(ValueFromText("7", nullptr)->GetType(), kTypeInt);
  EXPECT_EQ(ValueFromText("2147483648", nullptr)->GetType(), kTypeInt64);
  EXPECT_EQ(ValueFromText("1.5", nullptr)->GetType(), kTypeDouble);
  EXPECT_EQ(ValueFromText("", nullptr)->GetType(), kTypeString);
  EXPECT_EQ(ValueFromText("-5", nullptr)->GetType(), kTypeFunction);
  EXPECT_FALSE(ValueFromText("1 +", nullptr));
  auto form = Make<TOL_VarFuncForm>();
  EXPECT_EQ(ValueFromText("7", form.get())->GetType(), kTypeFunction);  // a FORM stays a FORM
}

TEST_F(ScriptFiles, BindingFuncBodies) {
  Write("func/GREET.tas", "RETURN 10;");
  Write("func/BROKEN.tas", "RETURN 10");
  auto base = Make<TOL_VarObject>();
  DeclareMembers(Pairs({{"FUNC", "greet, absent"}}), base.get());
  const std::string prefix = (dir_ / "func").string() + "/";
  // Without a target, a member left without a body fails the binding.
  EXPECT_FALSE(BindFuncBodies(base.get(), prefix, ".tas", nullptr));
  auto* greet = dynamic_cast<TOL_VarFuncState*>(base->FindMember("GREET"));
  ASSERT_NE(greet, nullptr);
  ASSERT_NE(greet->Body(), nullptr);
  EXPECT_EQ(greet->Name(), "GREET");

  // A derived object bound with a target gets its own GREET compiled from the same file.
  Write("derived/GREET.tas", "RETURN 20;");
  auto derived = Make<TOL_VarObject>();
  derived->SetBase(base.get());
  EXPECT_TRUE(BindFuncBodies(derived.get(), (dir_ / "derived").string() + "/", ".tas", derived.get()));
  TOL_Var* own = derived->FindOwnMember(Atom::Intern("GREET"));
  ASSERT_NE(own, nullptr);
  EXPECT_NE(own, greet);
  EXPECT_EQ(own->Call(frame_.get())->GetLong(), 20);
  EXPECT_EQ(greet->Call(frame_.get())->GetLong(), 10);

  // A body that does not compile leaves a member that has one unchanged.
  auto broken = Make<TOL_VarObject>();
  DeclareMembers(Pairs({{"FUNC", "broken"}}), broken.get());
  EXPECT_FALSE(BindFuncBodies(broken.get(), prefix, ".tas", nullptr));
  dynamic_cast<TOL_VarFuncState*>(broken->FindMember("BROKEN"))->SetBody(CompileScriptText("RETURN 1;"));
  EXPECT_TRUE(BindFuncBodies(broken.get(), prefix, ".tas", nullptr));
  EXPECT_EQ(broken->FindMember("BROKEN")->Call(frame_.get())->GetLong(), 1);
}

TEST_F(ScriptFiles, BindingFormBodies) {
  const std::string forms = Write("form.def", "TWICE  X * 2\nBAD 1 +\n");
  auto object = Make<TOL_VarObject>();
  DeclareMembers(Pairs({{"FORM", "twice, bad"}, {"INT", "x"}}), object.get());
  object->FindMember("X")->Assign(NewInt(21).get());
  auto withThis = NewFrame(NewArray().get(), object.get(), globals_.get());
  EXPECT_TRUE(BindFormBodies(object.get(), forms, nullptr));
  EXPECT_EQ(object->FindMember("TWICE")->Call(withThis.get())->GetLong(), 42);
  EXPECT_TRUE(dynamic_cast<TOL_VarFuncForm*>(object->FindMember("BAD"))->Expression().IsEmpty());
  // A missing file changes nothing; a FORM without an entry fails only without a target.
  EXPECT_TRUE(BindFormBodies(object.get(), (dir_ / "none.def").string(), nullptr));
  DeclareMembers(Pairs({{"FORM", "unlisted"}}), object.get());
  EXPECT_FALSE(BindFormBodies(object.get(), forms, nullptr));
  auto target = Make<TOL_VarObject>();
  EXPECT_TRUE(BindFormBodies(object.get(), forms, target.get()));
  EXPECT_NE(target->FindOwnMember(Atom::Intern("TWICE")), nullptr);
  EXPECT_EQ(target->FindOwnMember(Atom::Intern("BAD")), nullptr);
  EXPECT_EQ(target->FindOwnMember(Atom::Intern("UNLISTED")), nullptr);
}

}  // namespace
}  // namespace tav::script
