// Polling the keyboard: one key's state now, or a snapshot of all 256 keys read key by key.
#include <array>
#include <cstdint>

#include "engine/builtins/builtin_bodies.h"
#include "engine/engine_services.h"
#include "platform/host.h"
#include "script/methods/method_args.h"
#include "script/core/scalars.h"

namespace tav::engine::builtins {

using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

namespace {

constexpr int kKeyCount = 256;

// The keyboard state as the last GetKbState took it; all zero before the first.
std::array<uint8_t, kKeyCount>& Snapshot() {
  static std::array<uint8_t, kKeyCount> snapshot{};
  return snapshot;
}

}  // namespace

void ClearKeyboardSnapshot() { Snapshot().fill(0); }

// The key's state as a 16-bit word, sign-extended: negative while the key is held, bit 0 the
// toggle that each press flips. Codes outside the 256 keys are never held.
VarRef GetKeyState(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  if (!a.Has(0)) return script::NewInt(-1);
  int32_t key = a.Long(0);
  platform::Host* host = Services().host;
  if (!host || key < 0 || key >= kKeyCount) return script::NewInt(0);
  uint8_t state = host->KeyState(key);
  uint16_t word = static_cast<uint16_t>((state & 0x80 ? 0xFF80 : 0) | (state & 0x01));
  return script::NewInt(static_cast<int16_t>(word));
}

VarRef GetKbState(TOL_Var*, TOL_VarObArray*, TOL_VarObArray*) {
  platform::Host* host = Services().host;
  if (!host) return script::NewBool(false);
  host->GetKeyboardState(Snapshot().data());
  return script::NewBool(true);
}

VarRef GetLastKeyState(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  int32_t index = a.Long(0, -1);
  if (!a.Has(0) || index < 0 || index >= kKeyCount) return script::NewInt(-1);
  return script::NewInt(Snapshot()[static_cast<size_t>(index)]);
}

}  // namespace tav::engine::builtins
