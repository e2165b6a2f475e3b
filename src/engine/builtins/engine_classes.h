// Everything the engine registers once per process before a game starts: the archive classes
// and method tables of the screen objects and engine classes, the built-in methods of values.
#pragma once

namespace tav::engine {

void RegisterEngineClasses();

}  // namespace tav::engine
