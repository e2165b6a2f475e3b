// tav: runs a game folder in the 800 x 600 window, or headless for tests.

#include <cstdio>

#include "app/command_line.h"
#include "app/startup.h"

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
  return app::RunGame(*options);
}
