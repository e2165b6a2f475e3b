// Plugs the engine's generators into the script language's array shuffling: the process-wide
// generator by default, a random object's own generator when one is passed.
#pragma once

namespace tav::screen {

void RegisterRandomSources();

}  // namespace tav::screen
