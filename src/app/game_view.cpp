#include "app/game_view.h"

namespace tav::app {

GameView::GameView(platform::Host& host, EngineFactory factory)
    : host_(host), factory_(std::move(factory)) {
  InputEnabled() = true;
  host_.SetPaintHandler([this] { OnPaint(); });
}

GameView::~GameView() {
  host_.SetPaintHandler(nullptr);
  engine_.reset();
}

bool& GameView::InputEnabled() {
  static bool enabled = true;
  return enabled;
}

void GameView::OnShowWindow() {
  if (engine_ || !factory_) return;
  engine_ = factory_(host_);
  host_.Invalidate();
}

void GameView::OnPaint() {
  const platform::Bitmap* picture = engine_ ? engine_->Picture() : nullptr;
  host_.Present(picture ? *picture : blank_);
}

void GameView::OnLButtonDown(int x, int y) {
  if (InputEnabled() && engine_) engine_->Click(x, y);
  host_.DiscardInput();
}

void GameView::OnKeyDown(int virtualKey) {
  if (InputEnabled() && engine_) engine_->Key(virtualKey);
  host_.DiscardInput();
}

void GameView::OnClose() {
  engine_.reset();
  host_.PostQuit();
}

}  // namespace tav::app
