#include "engine/engine_integers.h"

namespace tav::engine {

script::TOL_VarInt* EngineIntegerValue(EngineInteger which) {
  // Held for the whole process: the count never falls to zero, so no pass collects them.
  static const script::Ref<script::TOL_VarInt> values[] = {
      script::Make<script::TOL_VarInt>(0), script::Make<script::TOL_VarInt>(0),
      script::Make<script::TOL_VarInt>(0), script::Make<script::TOL_VarInt>(0),
      script::Make<script::TOL_VarInt>(0)};
  return values[static_cast<int>(which)].get();
}

const char* EngineIntegerName(EngineInteger which) {
  switch (which) {
    case EngineInteger::Number: return "_NUMBER";
    case EngineInteger::Index: return "_INDEX";
    case EngineInteger::Event: return "_EVENT";
    case EngineInteger::Deeply: return "_DEEPLY";
    case EngineInteger::LastTop: return "_LASTTOP";
  }
  return "";
}

}  // namespace tav::engine
