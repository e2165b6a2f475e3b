// tavtool: works on a game's binary files. One table entry per subcommand.

#include <cstdio>
#include <exception>
#include <string>

#include "commands.h"

namespace {

struct Subcommand {
  const char* name;
  int (*run)(const tav::tool::Args&);
  const char* usage;
};

const Subcommand kSubcommands[] = {
    {"view", tav::tool::RunViewCommand,
     "view dump FILE.tav [-o FILE.json] | view build FILE.json -o FILE.tav"},
    {"png", tav::tool::RunPngCommand, "png probe FILE.png X Y   (prints the pixel as RRGGBB)"},
};

int Usage() {
  std::fprintf(stderr, "usage: tavtool COMMAND ...\n");
  for (const Subcommand& sub : kSubcommands) std::fprintf(stderr, "  tavtool %s\n", sub.usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string name = argv[1];
  for (const Subcommand& sub : kSubcommands) {
    if (name != sub.name) continue;
    try {
      return sub.run(tav::tool::Args(argv + 2, argv + argc));
    } catch (const std::exception& e) {
      std::fprintf(stderr, "tavtool %s: %s\n", sub.name, e.what());
      return 1;
    }
  }
  std::fprintf(stderr, "tavtool: unknown command '%s'\n", name.c_str());
  return Usage();
}
