#pragma once

// tavtool's subcommands. main() only dispatches: each command lives in a file of its own and
// takes the arguments after its name.

#include <string>
#include <vector>

namespace tav::tools {

using Arguments = std::vector<std::string>;

struct Command {
  const char* name;     // "mio"
  const char* summary;  // one line for the usage text
  int (*run)(const Arguments& arguments);
};

// Exit codes shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the input could not be read or the output not written
inline constexpr int kExitUsage = 2;   // a bad command line

int RunMio(const Arguments& arguments);
int RunViewCommand(const Arguments& arguments);
int RunPlaceCommand(const Arguments& arguments);
int RunPngCommand(const Arguments& arguments);
int RunWebCommand(const Arguments& arguments);

}  // namespace tav::tools
