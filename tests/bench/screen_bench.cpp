// Costs of putting a screen on the window: redrawing a full screen of text and boxes (the
// picture below copied, 40 text appearances in Japanese and Latin, 10 boxes), with and without
// its update, and a click whose handler refreshes the screen, up to the picture presented.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "engine/engine_classes.h"
#include "engine/engine_services.h"
#include "engine/game_system.h"
#include "engine/view_stack.h"
#include "platform/game_path.h"
#include "platform/host.h"
#include "platform/sjis.h"
#include "screen/appear_box.h"
#include "screen/appear_string.h"
#include "script/registry.h"
#include "script/runtime.h"
#include "script/script_file.h"

namespace tav::engine {
namespace {

using script::Make;

// 40 texts in two columns (every other one Japanese) and 10 boxes, the first text active.
script::Ref<screen::TOL_VarView> BusyView() {
  auto view = Make<screen::TOL_VarView>();
  view->SetRect(0, 0, 800, 600);
  screen::LogFont font;
  font.height = -16;
  font.charSet = 128;
  font.SetFaceName(platform::Utf8ToSjis("ＭＳ Ｐゴシック"));
  view->SetFont(Make<screen::TOL_Font>(font));
  const std::string japanese = platform::Utf8ToSjis("勇者は宝箱を開けた。");
  for (int i = 0; i < 40; ++i) {
    auto text = Make<screen::TOL_VarTextAppear>();
    const int x = (i % 2) * 400 + 10, y = (i / 2) * 28 + 10;
    text->SetRect(x, y, x + 380, y + 26);
    text->SetText(i % 2 ? japanese : "Attack  Magic  Items  Run");
    text->SetFormat(i % 3 == 0 ? 5 : 0);
    if (i % 4 == 0) text->SetShadowOffset(1, 1);
    if (i == 0) text->SetActiveNumber(1);
    view->AddChild(text);
  }
  for (int i = 0; i < 10; ++i) {
    script::Ref<screen::TOL_VarBoxAppear> box = Make<screen::TOL_VarBoxAppear>();
    if (i % 2) box = Make<screen::TOL_VarBoxFillAppear>();
    box->SetRect(i * 80, 570, i * 80 + 70, 595);
    box->SetPenWidth(i % 3 + 1);
    view->AddChild(box);
  }
  return view;
}

void Redraw(benchmark::State& state, bool update) {
  script::InitializeRuntime();
  RegisterEngineClasses();
  {
    auto base = Make<TAV_Screen>();
    auto screen = Make<TAV_Screen>(base.get());
    BusyView()->Clone(screen.get());
    screen->Update(nullptr);
    for (auto _ : state) {
      if (update) screen->Update(nullptr);
      screen->DrawScreen();
      benchmark::DoNotOptimize(screen->Picture().Data());
    }
  }
  script::Registry::CollectGarbageAll();
}
void BM_RedrawFullScreen(benchmark::State& state) { Redraw(state, false); }
void BM_UpdateAndRedrawFullScreen(benchmark::State& state) { Redraw(state, true); }
BENCHMARK(BM_RedrawFullScreen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UpdateAndRedrawFullScreen)->Unit(benchmark::kMicrosecond);

// A game folder whose one view's active text refreshes the screen when clicked.
void BM_ClickToPresentedPicture(benchmark::State& state) {
  script::InitializeRuntime();
  RegisterEngineClasses();
  const auto root = std::filesystem::temp_directory_path() / ("tav_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(root / "config" / "view" / "BUSY");
  auto write = [&](const std::string& relative, const std::string& bytes) {
    std::ofstream(root / "config" / relative, std::ios::binary) << bytes;
  };
  for (const char* name : {"global.def", "model.def"}) write(name, "");
  write("view.def", "1 BUSY\n");
  write("view/BUSY/LEFTDOWN1.tas", "RefreshView();");
  std::vector<uint8_t> bytes = screen::StoreView(*BusyView());
  write("view/BUSY.tav", std::string(bytes.begin(), bytes.end()));
  {
    platform::GamePathResolver paths(root.string());
    std::unique_ptr<platform::Host> host = platform::CreateHeadlessHost({});
    Services() = EngineServices{};
    Services().host = host.get();
    Services().paths = &paths;
    auto game = std::make_unique<TAV_GameSystem>();
    Services().game = game.get();
    host->SetPaintHandler([&] { host->Present(game->Screens().Top()->Picture()); });
    script::VarRef result;
    script::CompileScriptText("CreateView(1); RefreshView();")->Execute(result, game->NewGlobalFrame().get());
    for (auto _ : state) {
      DispatchClick(*game, 20, 20);
      host->UpdateWindow();
    }
    host->SetPaintHandler(nullptr);
    game.reset();
    Services() = EngineServices{};
  }
  script::Registry::CollectGarbageAll();
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_ClickToPresentedPicture)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tav::engine
