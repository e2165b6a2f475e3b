#include "engine/engine_services.h"

namespace tav::engine {

EngineServices& Services() {
  static EngineServices services;
  return services;
}

}  // namespace tav::engine
