#include "app/game_view.h"

#include "engine/engine_services.h"
#include "os/diagnostics.h"
#include "os/stop_watchdog.h"

namespace tav::app {

GameView::GameView(platform::Host& host, EngineFactory factory, RestartHook beforeRestart)
    : host_(host), factory_(std::move(factory)), beforeRestart_(std::move(beforeRestart)) {
  engine::Services().inputEnabled = true;
  host_.SetPaintHandler([this] { OnPaint(); });
}

GameView::~GameView() {
  host_.SetPaintHandler(nullptr);
  engine_.reset();
}

void GameView::OnShowWindow() {
  if (engine_ || !factory_) return;
  engine_ = factory_(host_);
  if (engine_) engine_->Start();
  ReleaseEngineIfClosing();
  host_.Invalidate();
}

void GameView::OnPaint() {
  const platform::Bitmap* picture = engine_ ? engine_->Picture() : nullptr;
  host_.Present(picture ? *picture : blank_);
}

void GameView::OnLButtonDown(int x, int y) {
  if (engine::Services().inputEnabled && engine_) engine_->Click(x, y);
  ReleaseEngineIfClosing();
  host_.DiscardInput();
}

void GameView::OnKeyDown(int virtualKey) {
  if (engine::Services().inputEnabled && engine_) engine_->Key(virtualKey);
  ReleaseEngineIfClosing();
  host_.DiscardInput();
}

void GameView::OnClose() {
  quitting_ = true;
  restartPending_ = false;
  engine::Services().closing = true;
  host_.PostQuit();
  ReleaseEngineIfClosing();
}

void GameView::OnRestart() {
  if (quitting_ || !factory_) return;
  restartPending_ = true;
  engine::Services().closing = true;
  host_.SetUnwinding(true);
  ReleaseEngineIfClosing();
}

void GameView::ReleaseEngineIfClosing() {
  if (engine::Services().closing && engine_ && !engine_->Busy()) {
    // No script runs any more, so nothing can ignore the close: the watchdog ends here, as
    // tearing down a large game (a million compiled statements, say) may take seconds.
    if (quitting_) platform::StopStopWatchdog();
    engine_.reset();
  }
  if (restartPending_ && !engine_ && !restarting_) Restart();
}

// A loop, not a recursion: a restart asked for while the new start-up script runs ends that
// run and goes round once more.
void GameView::Restart() {
  restarting_ = true;
  while (restartPending_ && !quitting_) {
    restartPending_ = false;
    if (beforeRestart_) beforeRestart_();
    host_.SetUnwinding(false);
    engine::Services().closing = false;
    engine::Services().inputEnabled = true;
    engine_ = factory_(host_);
    if (engine_) engine_->Start();
    if (engine::Services().closing && engine_ && !engine_->Busy()) engine_.reset();
  }
  restarting_ = false;
  if (!quitting_) {
    platform::Diagnose(platform::Severity::Info, "",
                       engine_ ? "the game started again" : "the game did not start again; Alt+R tries once more");
  }
  host_.Invalidate();
}

}  // namespace tav::app
