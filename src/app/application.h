// The application: start-up in a fixed order, the message loop with its idle collection, and
// the exit steps.
#pragma once

#include <memory>

#include "app/command_line.h"
#include "app/game_view.h"
#include "platform/host.h"

namespace tav::app {

class Application {
 public:
  Application(CommandLine options, std::unique_ptr<platform::Host> host, EngineFactory factory);
  ~Application();

  // Library and script runtime, then the window whose first showing starts the engine.
  bool InitInstance();
  // The message loop; answers the process exit code once the window has closed.
  int Run();

  // One collection pass when at least 20 ms passed since the last idle pass. Answers whether
  // more idle processing is wanted.
  bool OnIdle(long count);

 private:
  void Dispatch(const platform::Message& message);
  int ExitInstance();

  CommandLine options_;
  std::unique_ptr<platform::Host> host_;
  std::unique_ptr<GameView> view_;
  EngineFactory factory_;
  uint32_t lastIdlePass_ = 0;
  bool idlePassRan_ = false;
  bool libraryReady_ = false;
};

}  // namespace tav::app
