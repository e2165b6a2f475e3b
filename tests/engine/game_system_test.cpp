// The game system's construction: required files, declarations, constants, global bodies, the
// start-up script, views with their handlers, numbered tables, early stops and tear-down.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/engine_integers.h"
#include "os/diagnostics.h"
#include "screen/appear.h"
#include "screen/var_time.h"
#include "screen/var_view.h"
#include "game_folder.h"
#include "script/compile/constants.h"
#include "script/core/var_func.h"
#include "script/core/var_ref.h"

namespace tav::engine::testing {
namespace {

using GameSystem = GameFolderTest;

TEST_F(GameSystem, EachRequiredFileMissingStopsTheGameNamingIt) {
  Write("model.def", "");
  Write("view.def", "");
  auto withoutOnly = [&](const char* name) {
    WriteRequired();
    std::filesystem::remove(root_ / "config" / name);
    paths_->Invalidate();
    try {
      TAV_GameSystem game;
    } catch (const RequiredFileError& error) {
      return error.GamePath();
    }
    return std::string();
  };
  EXPECT_EQ(withoutOnly("global.def"), "config\\global.def");
  EXPECT_EQ(withoutOnly("model.def"), "config\\model.def");
  EXPECT_EQ(withoutOnly("view.def"), "config\\view.def");
}

TEST_F(GameSystem, DeclaresGlobalsWithAnyCaseAndIncludedFiles) {
  Write("global.def",
        "# the globals\n\n"
        "int A, B\n"
        "  String   Name  \n"
        "INCLUDE more\\globals.def\n"
        "time Clock\n"
        "WHATEVER Lost\n"
        "OBJECT Target\n");
  Write("more/globals.def", "BOOL Flag\nINCLUDE longs.def\n");  // relative to more\ itself
  Write("more/longs.def", "LONG Big\n");
  TAV_GameSystem& game = Start();
  EXPECT_EQ(game.Stop().step, StartupStep::None);
  EXPECT_EQ(Global("A")->GetType(), script::kTypeInt);
  EXPECT_EQ(Global("B")->GetType(), script::kTypeInt);
  EXPECT_EQ(Global("NAME")->GetType(), script::kTypeString);
  EXPECT_EQ(Global("FLAG")->GetType(), script::kTypeBool);
  EXPECT_EQ(Global("BIG")->GetType(), script::kTypeInt64);
  EXPECT_NE(dynamic_cast<screen::TOL_VarTime*>(Global("CLOCK")), nullptr);
  EXPECT_NE(dynamic_cast<script::TOL_VarRef*>(Global("TARGET")), nullptr);
  EXPECT_EQ(Global("LOST"), nullptr);
  ASSERT_EQ(game.Screens().Size(), 1u);
  EXPECT_EQ(game.Screens().Top()->Picture().Width(), 800);
  EXPECT_EQ(game.Screens().Top()->Picture().Height(), 600);
  EXPECT_EQ(game.Screens().Top()->Below(), nullptr);
}

TEST_F(GameSystem, BuiltinsAndEngineIntegersReplaceDeclaredGlobalsAndAreShared) {
  Write("global.def", "INT _NUMBER, CreateArray, Mine\n");
  TAV_GameSystem& game = Start();
  EXPECT_EQ(Global("_NUMBER"), EngineIntegerValue(EngineInteger::Number));
  EXPECT_EQ(Global("_LASTTOP"), EngineIntegerValue(EngineInteger::LastTop));
  EXPECT_EQ(Global("CreateArray")->GetType(), script::kTypeFunction);
  EXPECT_EQ(Global("Mine")->GetType(), script::kTypeInt);
  EngineIntegerValue(EngineInteger::Index)->SetValue(4);
  EXPECT_EQ(RunLong("RETURN _INDEX;"), 4);
  EngineIntegerValue(EngineInteger::Index)->SetValue(0);
  (void)game;
}

TEST_F(GameSystem, ConstantsUseEarlierOnesInFileOrderWithIncludes) {
  Write("define.def",
        "A 2\n"
        "INCLUDE consts.def\n"
        "c A * B\n");
  Write("consts.def", "B A + 1\n");
  Write("startup.tas", "RETURN C;\n");
  TAV_GameSystem& game = Start();
  EXPECT_EQ(game.Stop().step, StartupStep::None);
  ASSERT_NE(script::constants::Find("B"), nullptr);
  EXPECT_EQ(script::constants::Find("B")->GetLong(), 3);
  EXPECT_EQ(script::constants::Find("C")->GetLong(), 6);
  EXPECT_EQ(RunLong("RETURN C + 1;"), 7);
}

TEST_F(GameSystem, DuplicateConstantStopsAtStepFiveAndSkipsEverythingAfter) {
  Write("global.def", "FUNC Hello\nFORM Twice\n");
  Write("define.def", "ONE 1\nTWO 2\nONE 3\n");
  Write("form.def", "TWICE 2 * 2\n");
  Write("global/Hello.tas", "RETURN 1;\n");
  Write("startup.tas", "RETURN 1;\n");
  Write("model.def", "1 Item\n");
  Write("model/Item.def", "INT X\n");
  Write("string.def", "1 one\n");
  TAV_GameSystem& game = Start();
  EXPECT_EQ(game.Stop().step, StartupStep::DefineConstants);
  EXPECT_EQ(game.Stop().where, "config\\define.def:3");
  EXPECT_EQ(script::constants::Find("ONE")->GetLong(), 1);
  // The built-ins came before; the bodies, the start-up script, types and tables did not.
  EXPECT_NE(Global("CreateObject"), nullptr);
  EXPECT_EQ(static_cast<script::TOL_VarFuncState*>(Global("HELLO"))->Body(), nullptr);
  EXPECT_TRUE(static_cast<script::TOL_VarFuncForm*>(Global("TWICE"))->Expression().IsEmpty());
  EXPECT_EQ(game.StartupFunction(), nullptr);
  EXPECT_EQ(game.Type(1), nullptr);
  EXPECT_EQ(Global("TID_ITEM"), nullptr);
  EXPECT_EQ(game.String(1), nullptr);
  game.RunStartup();  // nothing to run, and nothing breaks
}

TEST_F(GameSystem, ConstantThatDoesNotCompileOrRedefinesTrueStops) {
  Write("define.def", "GOOD 1\nBAD (1 +\n");
  EXPECT_EQ(Start().Stop().step, StartupStep::DefineConstants);
  EXPECT_EQ(game_->Stop().where, "config\\define.def:2");
  TearDown();
  SetUp();
  Write("define.def", "TRUE 0\n");
  EXPECT_EQ(Start().Stop().step, StartupStep::DefineConstants);
}

TEST_F(GameSystem, FormBodiesStopAtTheFirstMissingEntry) {
  Write("global.def", "FORM First, Second, Third\nFUNC After\n");
  Write("form.def", "FIRST 1 + 1\nthird 3\n");
  Write("global/After.tas", "RETURN 1;\n");
  TAV_GameSystem& game = Start();
  EXPECT_EQ(game.Stop().step, StartupStep::BindGlobalForms);
  EXPECT_EQ(game.Stop().where, "config\\form.def");
  EXPECT_NE(game.Stop().reason.find("SECOND"), std::string::npos) << game.Stop().reason;
  EXPECT_EQ(RunLong("RETURN First();"), 2);
  EXPECT_TRUE(static_cast<script::TOL_VarFuncForm*>(Global("THIRD"))->Expression().IsEmpty());
  EXPECT_EQ(static_cast<script::TOL_VarFuncState*>(Global("AFTER"))->Body(), nullptr);
}

TEST_F(GameSystem, WithoutFormFileFormsStayEmptyAndStartUpGoesOn) {
  Write("global.def", "FORM Lonely\n");
  EXPECT_EQ(Start().Stop().step, StartupStep::None);
}

TEST_F(GameSystem, FuncWithoutCompilableFileStopsAtStepSeven) {
  Write("global.def", "FUNC Good, Missing\n");
  Write("global/Good.tas", "RETURN 5;\n");
  TAV_GameSystem& game = Start();
  EXPECT_EQ(game.Stop().step, StartupStep::BindGlobalFuncs);
  EXPECT_EQ(game.Stop().where, "config\\global\\MISSING.tas");
  EXPECT_EQ(RunLong("RETURN Good();"), 5);

  TearDown();
  SetUp();
  Write("global.def", "FUNC Broken\n");
  Write("global/Broken.tas", "INT a;\nIF (a {\n");
  TAV_GameSystem& broken = Start();
  EXPECT_EQ(broken.Stop().step, StartupStep::BindGlobalFuncs);
  EXPECT_EQ(broken.Stop().where.rfind("config\\global\\BROKEN.tas:", 0), 0u) << broken.Stop().where;
}

TEST_F(GameSystem, StartupScriptRunsInTheGlobalFrame) {
  Write("global.def", "INT Total\nFUNC AddTo\n");
  Write("global/AddTo.tas", "Total = Total + ARGS[0];\n");
  Write("startup.tas", "// begins\nAddTo(3);\nAddTo(4);\n");
  TAV_GameSystem& game = Start();
  ASSERT_NE(game.StartupFunction(), nullptr);
  game.RunStartup();
  EXPECT_EQ(Global("TOTAL")->GetLong(), 7);
}

TEST_F(GameSystem, NumberedTablesStopAtTheFirstBadOrRepeatedKey) {
  Write("string.def", "12 twelve\n# comment\n5   five words  \nX1 bad\n13 thirteen\n");
  Write("music.def", "1 a.ogg\n2 b.ogg\n1 again.ogg\n3 c.ogg\n");
  TAV_GameSystem& game = Start();
  ASSERT_NE(game.String(12), nullptr);
  EXPECT_EQ(*game.String(12), "twelve");
  EXPECT_EQ(*game.String(5), "five words");
  EXPECT_EQ(game.String(13), nullptr);
  EXPECT_EQ(*game.MusicName(2), "b.ogg");
  EXPECT_EQ(*game.MusicName(1), "a.ogg");
  EXPECT_EQ(game.MusicName(3), nullptr);
}

// A stored view whose appearances carry these active numbers.
void WriteView(GameFolderTest& test, const std::string& name, std::initializer_list<int> activeNumbers) {
  auto view = script::Make<screen::TOL_VarView>();
  for (int number : activeNumbers) {
    auto appear = script::Make<screen::TOL_VarAppear>();
    appear->SetActiveNumber(number);
    view->AddChild(appear);
  }
  const std::vector<uint8_t> bytes = screen::StoreView(*view);
  test.Write("view/" + name + ".tav", std::string(bytes.begin(), bytes.end()));
}

TEST_F(GameSystem, ViewHandlersAreCompiledOncePerActiveNumber) {
  Write("view.def", "10 Title\n20 menu\n");
  WriteView(*this, "Title", {3, 0, 3, 5});
  WriteView(*this, "menu", {});
  Write("view/Title/LEFTDOWN3.tas", "RETURN 3;\n");
  Write("view/Title/KEYDOWN3.tas", "RETURN 33;\n");
  Write("view/Title/LEFTDOWN5.tas", "IF (\n");  // does not compile: reported, not loaded
  Write("view/Title/LEFTDOWN0.tas", "RETURN 0;\n");
  const std::filesystem::path log = root_ / "diagnostics.log";
  ASSERT_TRUE(platform::OpenLogFile(log.string()));
  TAV_GameSystem& game = Start();
  platform::CloseLogFile();
  EXPECT_EQ(game.Stop().step, StartupStep::None);
  EXPECT_EQ(Global("VID_TITLE")->GetLong(), 10);
  EXPECT_EQ(Global("VID_MENU")->GetLong(), 20);
  script::TOL_Var* title = game.View(10);
  ASSERT_NE(title, nullptr);
  ASSERT_NE(game.View(20), nullptr);
  EXPECT_EQ(title->FindMember("LEFTDOWN3")->GetType(), script::kTypeFunction);
  EXPECT_EQ(title->FindMember("KEYDOWN3")->GetType(), script::kTypeFunction);
  EXPECT_EQ(title->FindMember("RIGHTDOWN3"), nullptr);
  EXPECT_EQ(title->FindMember("LEFTDOWN5"), nullptr);
  EXPECT_EQ(title->FindMember("LEFTDOWN0"), nullptr);
  auto frame = game.NewGlobalFrame();
  EXPECT_EQ(title->FindMember("KEYDOWN3")->Call(frame.get())->GetLong(), 33);
  // The broken handler of number 5 was compiled (and reported) once.
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  const std::string logged = text.str();
  const size_t first = logged.find("LEFTDOWN5");
  ASSERT_NE(first, std::string::npos) << logged;
  EXPECT_EQ(logged.find("LEFTDOWN5", logged.find('\n', first)), std::string::npos) << logged;
}

TEST_F(GameSystem, MissingOrMalformedViewFileStopsTheGame) {
  Write("view.def", "1 Gone\n");
  EXPECT_EQ(MissingRequiredFile(), "config\\view\\Gone.tav");
  Write("view/Gone.tav", "not an archive");
  EXPECT_EQ(MissingRequiredFile(), "config\\view\\Gone.tav");
}

TEST_F(GameSystem, TearDownLeavesNothingBehindForCollection) {
  Write("global.def", "FUNC F\nOBJECT Keep\nINT N\n");
  Write("global/F.tas", "RETURN 1;\n");
  Write("model.def", "1 Item\n");
  Write("model/Item.def", "INT X\n");
  Write("model/Item.csv", "X\n4\n5\n");
  Write("view.def", "1 Title\n");
  WriteView(*this, "Title", {1});
  Write("view/Title/LEFTDOWN1.tas", "RETURN 1;\n");
  Write("startup.tas", "Keep = CreateObject(TID_Item, 1);\n");
  Start().RunStartup();  // the process-wide values are made by the first start
  game_.reset();
  script::Registry::CollectGarbageAll();
  const int before = script::Registry::TrackedCount();
  Start().RunStartup();
  EXPECT_EQ(RunLong("RETURN Keep.X;"), 5);
  game_.reset();
  Services().game = nullptr;
  script::Registry::CollectGarbageAll();
  EXPECT_EQ(script::Registry::TrackedCount(), before);
}

}  // namespace
}  // namespace tav::engine::testing
