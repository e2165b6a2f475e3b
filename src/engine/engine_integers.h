// The five engine integers "_NUMBER", "_INDEX", "_EVENT", "_DEEPLY" and "_LASTTOP".
//
// Each is one process-wide INT, created with 0 the first time it is asked for and never
// collected. Every game system puts the same five values into its global object, so what click
// dispatch writes there is what scripts read, across restarts of the engine too.
#pragma once

#include "script/core/scalars.h"

namespace tav::engine {

enum class EngineInteger { Number, Index, Event, Deeply, LastTop };

// The value itself (never null).
script::TOL_VarInt* EngineIntegerValue(EngineInteger which);
// Its member name: "_NUMBER" ...
const char* EngineIntegerName(EngineInteger which);

inline constexpr EngineInteger kEngineIntegers[] = {EngineInteger::Number, EngineInteger::Index,
                                                    EngineInteger::Event, EngineInteger::Deeply,
                                                    EngineInteger::LastTop};

}  // namespace tav::engine
