// Costs of putting a screen on the window: redrawing a full screen of text and boxes (the
// picture below copied, 40 text appearances in Japanese and Latin, 10 boxes), with and without
// its update, the whole refresh a script's RefreshView makes, and a click whose handler
// refreshes the screen, up to the picture presented. tests/bench/refresh-time times the same
// refresh through the program itself.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "engine/builtins/engine_classes.h"
#include "engine/engine_services.h"
#include "engine/game_system.h"
#include "engine/view_stack.h"
#include "platform/game_path.h"
#include "platform/host.h"
#include "encoding/sjis.h"
#include "screen/appear_box.h"
#include "screen/appear_string.h"
#include "script/core/registry.h"
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

// A game folder whose one view is the busy screen, its active text refreshing the screen when
// clicked, started headless with that screen open and refreshed once.
class BusyGame {
 public:
  BusyGame() : root_(std::filesystem::temp_directory_path() / ("tav_bench_" + std::to_string(::getpid()))) {
    script::InitializeRuntime();
    RegisterEngineClasses();
    std::filesystem::create_directories(root_ / "config" / "view" / "BUSY");
    auto write = [&](const std::string& relative, const std::string& bytes) {
      std::ofstream(root_ / "config" / relative, std::ios::binary) << bytes;
    };
    for (const char* name : {"global.def", "model.def"}) write(name, "");
    write("view.def", "1 BUSY\n");
    write("view/BUSY/LEFTDOWN1.tas", "RefreshView();");
    std::vector<uint8_t> bytes = screen::StoreView(*BusyView());
    write("view/BUSY.tav", std::string(bytes.begin(), bytes.end()));
    paths_ = std::make_unique<platform::GamePathResolver>(root_.string());
    host_ = platform::CreateHeadlessHost({});
    Services() = EngineServices{};
    Services().host = host_.get();
    Services().paths = paths_.get();
    game_ = std::make_unique<TAV_GameSystem>();
    Services().game = game_.get();
    host_->SetPaintHandler([this] { host_->Present(game_->Screens().Top()->Picture()); });
    frame_ = game_->NewGlobalFrame();
    Run("CreateView(1); RefreshView();");
  }
  ~BusyGame() {
    host_->SetPaintHandler(nullptr);
    frame_ = nullptr;
    game_.reset();
    Services() = EngineServices{};
    script::Registry::CollectGarbageAll();
    std::filesystem::remove_all(root_);
  }
  BusyGame(const BusyGame&) = delete;
  BusyGame& operator=(const BusyGame&) = delete;

  TAV_GameSystem& Game() { return *game_; }
  platform::Host& Host() { return *host_; }
  // Compiles a script once, for running many times in the start-up script's frame.
  script::StatementPtr Compile(const char* text) { return script::CompileScriptText(text); }
  void Run(const script::StatementPtr& statement) {
    script::VarRef result;
    statement->Execute(result, frame_.get());
  }
  void Run(const char* text) { Run(Compile(text)); }

 private:
  std::filesystem::path root_;
  std::unique_ptr<platform::GamePathResolver> paths_;
  std::unique_ptr<platform::Host> host_;
  std::unique_ptr<TAV_GameSystem> game_;
  script::Ref<script::TOL_VarObArray> frame_;
};

// The whole refresh as a script makes it: the call of RefreshView, the screen's update in the
// caller's frame, the picture below copied, every appearance drawn, the window invalidated.
void BM_RefreshViewFromScript(benchmark::State& state) {
  BusyGame game;
  script::StatementPtr refresh = game.Compile("RefreshView();");
  for (auto _ : state) game.Run(refresh);
}
BENCHMARK(BM_RefreshViewFromScript)->Unit(benchmark::kMicrosecond);

// A click whose handler refreshes the screen, up to the picture presented.
void BM_ClickToPresentedPicture(benchmark::State& state) {
  BusyGame game;
  for (auto _ : state) {
    DispatchClick(game.Game(), 20, 20);
    game.Host().UpdateWindow();
  }
}
BENCHMARK(BM_ClickToPresentedPicture)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tav::engine
