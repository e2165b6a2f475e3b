#include "app/engine_bridge.h"

#include <cstdio>

#include "engine/engine_services.h"
#include "engine/game_system.h"
#include "os/diagnostics.h"
#include "os/message_box.h"
#include "encoding/sjis.h"

namespace tav::app {
namespace {

// Counts the scripts the shell started that are still running, so that a close arriving from
// inside them (through Wait or a modal loop) never frees the engine under them.
class ScriptRun {
 public:
  ScriptRun() { ++depth_; }
  ~ScriptRun() { --depth_; }
  static bool Active() { return depth_ > 0; }

 private:
  static inline int depth_ = 0;
};

class GameSession : public EngineSession {
 public:
  explicit GameSession(std::unique_ptr<engine::TAV_GameSystem> game) : game_(std::move(game)) {
    engine::Services().game = game_.get();
  }
  ~GameSession() override { engine::Services().game = nullptr; }

  void Start() override {
    ScriptRun run;
    game_->RunStartup();
  }

  const platform::Bitmap* Picture() override {
    engine::TAV_Screen* top = game_->Screens().Top();
    return top ? &top->Picture() : nullptr;
  }

  void Click(int x, int y) override {
    ScriptRun run;
    engine::DispatchClick(*game_, x, y);
  }
  void Key(int virtualKey) override {
    ScriptRun run;
    engine::DispatchKey(*game_, virtualKey);
  }

  bool Busy() const override { return ScriptRun::Active(); }

 private:
  std::unique_ptr<engine::TAV_GameSystem> game_;
};

}  // namespace

EngineFactory MakeEngineFactory(platform::GamePathResolver& paths, StartReport& report) {
  return [&paths, &report](platform::Host& host) -> std::unique_ptr<EngineSession> {
    engine::EngineServices& services = engine::Services();
    services.host = &host;
    services.paths = &paths;
    services.closing = false;
    std::unique_ptr<engine::TAV_GameSystem> game;
    try {
      game = std::make_unique<engine::TAV_GameSystem>();
    } catch (const engine::RequiredFileError& error) {
      report.missingRequiredFile = true;
      std::string file = error.GamePath();
      platform::Diagnose(platform::Severity::Error, file, "required file cannot be opened");
      if (host.IsHeadless()) {
        std::fprintf(stderr, "tav: cannot open the required file %s\n", platform::SjisToUtf8(file).c_str());
      } else {
        // A file-error box naming the file; the window then stays empty.
        std::string text = file + platform::Utf8ToSjis(" を開けません。");
        host.MessageBox(text, "TAV", platform::MB_OK | platform::MB_ICONEXCLAMATION, false);
      }
      return nullptr;
    }
    // The step that stopped has reported itself (file, line and reason); the game runs on.
    if (game->Stop().step != engine::StartupStep::None) report.stoppedEarly = true;
    return std::make_unique<GameSession>(std::move(game));
  };
}

}  // namespace tav::app
