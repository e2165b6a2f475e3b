#include "app/game_view.h"

#include "engine/engine_services.h"

namespace tav::app {

GameView::GameView(platform::Host& host, EngineFactory factory)
    : host_(host), factory_(std::move(factory)) {
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
  engine::Services().closing = true;
  host_.PostQuit();
  ReleaseEngineIfClosing();
}

void GameView::ReleaseEngineIfClosing() {
  if (engine::Services().closing && engine_ && !engine_->Busy()) engine_.reset();
}

}  // namespace tav::app
