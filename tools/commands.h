// The subcommands of tavtool. Each takes the arguments after its own name and returns the
// process exit code (0 success, 1 failure with a message on standard error, 2 bad usage).
#pragma once

#include <string>
#include <vector>

namespace tav::tool {

using Args = std::vector<std::string>;

int RunViewCommand(const Args& args);
int RunPngCommand(const Args& args);

}  // namespace tav::tool
