// What the engine needs from the world outside it: the host (window, messages, clock,
// dialogs, keyboard), the game-path resolver, and the shell's input switch.
//
// The shell sets these up before the engine starts; built-in functions and the start-up code
// reach them through Services().
#pragma once

#include <cstdint>

namespace tav::platform {
class Host;
class GamePathResolver;
}  // namespace tav::platform

namespace tav::engine {

class TAV_GameSystem;

struct EngineServices {
  platform::Host* host = nullptr;
  platform::GamePathResolver* paths = nullptr;
  // Cleared while `Wait` pumps messages: clicks and keys then reach no script.
  bool inputEnabled = true;
  // Set once the window is closing (close box, Exit, a signal): `Wait` and every modal loop
  // return at once, and the shell tears the engine down only after the scripts have returned.
  bool closing = false;
  // The one game system, null before the engine starts and after it is torn down.
  TAV_GameSystem* game = nullptr;
};

EngineServices& Services();

}  // namespace tav::engine
