// The application: start-up in a fixed order, the message loop with its idle collection, and
// the exit steps.
#pragma once

#include <memory>

#include "app/command_line.h"
#include "app/engine_bridge.h"
#include "app/game_view.h"
#include "platform/game_path.h"
#include "platform/host.h"
#include "sound/sound_manager.h"

namespace tav::app {

class Application {
 public:
  // The game folder is the current directory.
  Application(CommandLine options, std::unique_ptr<platform::Host> host);
  ~Application();

  // Library and script runtime, then the window whose first showing starts the engine.
  // False when the program must end at once; `ExitCode()` then says how.
  bool InitInstance();
  // The message loop; answers the process exit code once the window has closed.
  int Run();
  int ExitCode() const;

  // One collection pass when at least 20 ms passed since the last idle pass. Answers whether
  // more idle processing is wanted.
  bool OnIdle(long count);

 private:
  void Dispatch(const platform::Message& message);
  void PrepareRestart();
  int ExitInstance();

  CommandLine options_;
  std::unique_ptr<platform::Host> host_;
  platform::GamePathResolver paths_;
  StartReport report_;
  std::unique_ptr<sound::SoundManager> sound_;
  std::unique_ptr<GameView> view_;
  uint32_t lastIdlePass_ = 0;
  bool idlePassRan_ = false;
  bool libraryReady_ = false;
  bool windowFailed_ = false;  // no window could be opened: the game cannot start
};

}  // namespace tav::app
