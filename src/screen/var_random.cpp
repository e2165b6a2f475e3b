#include "screen/var_random.h"

#include <functional>
#include <string_view>

#include "archive/archive.h"
#include "screen/method_args.h"
#include "script/core/method_table.h"
#include "script/methods/native_function.h"
#include "script/core/scalars.h"

namespace tav::screen {

using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

TOL_IMPLEMENT_CLASS(TOL_VarRandom)

void TOL_VarRandom::Assign(TOL_Var* source) {
  TOL_Var* target = source ? source->GetTarget() : nullptr;
  auto* other = dynamic_cast<TOL_VarRandom*>(target);
  if (!other || other == this) return;
  const TOL_AdvancedRandom& from = other->generator_;
  generator_.SetState(from.SeedLow(), from.SeedHigh(), from.CachedGaussian(),
                      from.HasCachedGaussian());
}

VarRef TOL_VarRandom::Clone(TOL_Var* target) {
  if (target) {
    target->Assign(this);
    return VarRef(target);
  }
  auto copy = script::Make<TOL_VarRandom>();
  copy->Assign(this);
  return copy;
}

TOL_Var* TOL_VarRandom::FindMember(script::Atom name) {
  return script::MethodTable::Get(RandomMethodTableId()).Find(name);
}

// After the version word: seed low dword, seed high 16 bits as a dword, cached Gaussian,
// have-cached byte.
void TOL_VarRandom::Serialize(archive::Archive& ar) {
  TOL_Var::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteDword(generator_.SeedLow());
    ar.WriteDword(generator_.SeedHigh());
    ar.WriteDouble(generator_.CachedGaussian());
    ar.WriteByte(generator_.HasCachedGaussian() ? 1 : 0);
  } else {
    // Read everything before changing anything: a truncated archive leaves the state alone.
    uint32_t low = ar.ReadDword();
    uint32_t high = ar.ReadDword();
    double cached = ar.ReadDouble();
    bool haveCached = ar.ReadByte() != 0;
    generator_.SetState(low, high, cached, haveCached);
  }
}

int RandomMethodTableId() {
  static const int id = script::MethodTable::Allocate();
  return id;
}

void SeedFromArguments(TOL_AdvancedRandom& generator, TOL_VarObArray* args) {
  generator.SetSeed(HasArg(args, 0) ? Int64Arg(args, 0) : TimeSeed());
}

VarRef CreateRandom(TOL_VarObArray* args) {
  auto random = script::Make<TOL_VarRandom>();
  SeedFromArguments(random->Generator(), args);
  return random;
}

namespace {

using RandomBody = std::function<VarRef(TOL_AdvancedRandom&, TOL_VarObArray*)>;

void Define(script::MethodTable& table, std::string_view name, RandomBody body) {
  table.Define(name, script::NewNative(name, [body = std::move(body)](
                                                 TOL_Var* self, TOL_VarObArray* args,
                                                 TOL_VarObArray*) -> VarRef {
                 auto* random = dynamic_cast<TOL_VarRandom*>(self);
                 if (!random) return nullptr;
                 return body(random->Generator(), args);
               }));
}

}  // namespace

void DefineRandomMethods() {
  script::MethodTable& table = script::MethodTable::Get(RandomMethodTableId());
  if (table.Size() > 0) return;

  Define(table, "SETSEED", [](TOL_AdvancedRandom& g, TOL_VarObArray* args) -> VarRef {
    SeedFromArguments(g, args);
    return nullptr;
  });
  Define(table, "RAND", [](TOL_AdvancedRandom& g, TOL_VarObArray* args) {
    return script::NewInt(RandomBelow(g, LongArg(args, 0, 0)));
  });
  // DICE(faces [, count [, add]]): the faces are required.
  Define(table, "DICE", [](TOL_AdvancedRandom& g, TOL_VarObArray* args) -> VarRef {
    if (!HasArg(args, 0)) return nullptr;
    int32_t faces = LongArg(args, 0);
    int32_t count = 1;
    int32_t add = 0;
    if (HasArg(args, 1)) {
      count = LongArg(args, 1);
      add = LongArg(args, 2, 0);
    }
    uint32_t sum = static_cast<uint32_t>(add) + static_cast<uint32_t>(g.RollDice(faces, count));
    return script::NewInt(static_cast<int32_t>(sum));
  });
  Define(table, "RANDBOOL", [](TOL_AdvancedRandom& g, TOL_VarObArray*) {
    return script::NewBool(g.Next(1) != 0);
  });
  Define(table, "RANDDOUBLE", [](TOL_AdvancedRandom& g, TOL_VarObArray*) {
    return script::NewDouble(g.NextDouble());
  });
  Define(table, "RANDLONG", [](TOL_AdvancedRandom& g, TOL_VarObArray*) {
    return script::NewInt64(g.NextLong());
  });
  Define(table, "RANDGAUSSIAN", [](TOL_AdvancedRandom& g, TOL_VarObArray*) {
    return script::NewDouble(g.NextGaussian());
  });
}

}  // namespace tav::screen
