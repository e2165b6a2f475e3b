// tav: runs a game folder in the 800 x 600 window, or headless for tests.

#include <cstdio>

#include "app/command_line.h"
#include "app/startup.h"
#include "debug/adapter.h"

int main(int argc, char** argv) {
  using namespace tav;
  std::string error;
  auto options = app::ParseCommandLine(argc, argv, error);
  if (!options) {
    std::fprintf(stderr, "tav: %s\n%s", error.c_str(), app::UsageText());
    return 2;
  }
  if (options->showHelp) {
    std::fputs(app::UsageText(), stdout);
    return 0;
  }
  if (options->showVersion) {
    std::printf("tav %s\n", app::VersionText());
    return 0;
  }
  if (options->debugAdapter) {
    return debug::RunDebugAdapter([&](const debug::LaunchArguments& launch) {
      app::CommandLine game = *options;
      game.gameDir = launch.game;
      game.headless = launch.headless;
      game.eventsFile = launch.events;
      if (launch.seed) game.seed = launch.seed;
      game.saveDir = launch.saveDir;
      return app::RunGame(game);
    });
  }
  return app::RunGame(*options);
}
