// Rand, Dice and SelectIndex: draws from the process-wide system generator (or, for
// SelectIndex, from a random object the script passes).
#include <cstdint>
#include <limits>

#include "engine/builtins/builtin_bodies.h"
#include "screen/random.h"
#include "screen/var_random.h"
#include "script/methods/method_args.h"
#include "script/core/scalars.h"

namespace tav::engine::builtins {

using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

// A uniform draw below `total` (> 0). Totals that fit 32 bits use the generator's own bounded
// draw; larger ones (weights summing past 2^31 - 1) take 62 random bits, so that heavy weights
// still select by weight instead of overflowing.
int64_t DrawBelow(screen::TOL_Random& generator, int64_t total) {
  if (total <= kInt32Max) return generator.NextInt(static_cast<int32_t>(total));
  uint64_t high = static_cast<uint32_t>(generator.Next(31));
  uint64_t low = static_cast<uint32_t>(generator.Next(31));
  return static_cast<int64_t>(((high << 31) | low) % static_cast<uint64_t>(total));
}

}  // namespace

// A limit of 0 would divide by zero; the draw is still taken and the answer is 0.
VarRef Rand(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  int64_t limit = a.Long(0, kInt32Max);
  int64_t draw = screen::SystemRandom().Next32();
  if (draw < 0) draw = -draw;  // in 64 bits, so the draw -2^31 stays in range
  if (limit == 0) return script::NewInt(0);
  return script::NewInt(static_cast<int32_t>(draw % limit));
}

VarRef Dice(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  int32_t sides = a.Long(0);
  if (!a.Has(0) || sides <= 0) return nullptr;
  int32_t count = a.Long(1, 1);
  int32_t add = a.Long(2, 0);
  uint32_t rolled = static_cast<uint32_t>(screen::SystemRandom().RollDice(sides, count));
  return script::NewInt(static_cast<int32_t>(static_cast<uint32_t>(add) + rolled));
}

VarRef SelectIndex(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  TOL_Var* weights = a.Value(0);
  if (!weights) return script::NewInt(-1);
  screen::TOL_Random* generator = &screen::SystemRandom();
  if (auto* random = dynamic_cast<screen::TOL_VarRandom*>(a.Value(1))) {
    generator = &random->Generator();
  }
  auto weightAt = [weights](int i) -> int64_t {
    TOL_Var* weight = weights->GetAt(i);
    return weight ? weight->GetLong() : 0;
  };
  const int count = weights->GetCount();
  int64_t total = 0;
  for (int i = 0; i < count; ++i) total += weightAt(i);
  if (total <= 0) return script::NewInt(-1);
  const int64_t pick = DrawBelow(*generator, total);
  int64_t running = 0;
  for (int i = 0; i < count; ++i) {
    running += weightAt(i);
    if (running > pick) return script::NewInt(i);
  }
  return script::NewInt(count);  // only reachable with negative weights
}

}  // namespace tav::engine::builtins
