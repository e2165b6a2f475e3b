// tavtool: authoring and inspection tools for game files. `tavtool COMMAND ...`; see --help.

#include <cstdio>
#include <cstring>
#include <exception>

#include "commands.h"

namespace {

const tav::tools::Command kCommands[] = {
    {"view", "dump a view file as JSON, build one from JSON", tav::tools::RunViewCommand},
    {"place", "dump a place file (dungeon or field) as JSON, build one from JSON", tav::tools::RunPlaceCommand},
    {"mio", "encode, decode and inspect MIO sound files", tav::tools::RunMio},
    {"web", "write a static web site that plays a game in a browser", tav::tools::RunWebCommand},
    {"png", "print a pixel of a PNG picture (tests)", tav::tools::RunPngCommand},
};

void PrintUsage(std::FILE* out) {
  std::fputs("usage: tavtool COMMAND [ARGUMENTS]\n\ncommands:\n", out);
  for (const auto& command : kCommands) std::fprintf(out, "  %-8s %s\n", command.name, command.summary);
  std::fputs("\n`tavtool COMMAND --help` describes a command.\n", out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return tav::tools::kExitUsage;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintUsage(stdout);
    return tav::tools::kExitOk;
  }
  for (const auto& command : kCommands) {
    if (std::strcmp(argv[1], command.name) == 0) {
      try {
        return command.run(tav::tools::Arguments(argv + 2, argv + argc));
      } catch (const std::exception& e) {
        std::fprintf(stderr, "tavtool %s: %s\n", command.name, e.what());
        return tav::tools::kExitFailed;
      }
    }
  }
  std::fprintf(stderr, "tavtool: unknown command '%s'\n", argv[1]);
  PrintUsage(stderr);
  return tav::tools::kExitUsage;
}
