// TOL_VarRandom: a random generator that scripts own.
//
// The value embeds one 48-bit generator and answers the methods SETSEED, RAND, DICE, RANDBOOL,
// RANDDOUBLE, RANDLONG and RANDGAUSSIAN (and nothing else) by name. It has no type of its own
// (type 0), so like any plain value it is copied when assigned: a copy carries the whole
// generator state and continues the same sequence independently. A call hands the generator
// itself to its callee, though: `deck.Shuffle(r)` must advance `r`, or every deal would repeat.
#pragma once

#include "screen/random.h"
#include "script/core/var.h"
#include "script/core/var_array.h"

namespace tav::screen {

class TOL_VarRandom : public script::TOL_Var {
  TOL_DECLARE_CLASS(TOL_VarRandom)
 public:
  TOL_VarRandom() = default;

  TOL_AdvancedRandom& Generator() { return generator_; }
  bool IsSharedArgument() const override { return true; }

  // Takes over the state of a random source (through references); anything else is ignored.
  void Assign(script::TOL_Var* source) override;
  // Without a target: a new generator in the same state. With one: the target's Assign.
  script::VarRef Clone(script::TOL_Var* target) override;
  script::TOL_Var* FindMember(script::Atom name) override;
  using script::TOL_Var::FindMember;
  void Serialize(archive::Archive& ar) override;

 private:
  TOL_AdvancedRandom generator_;
};

// The id of the random methods' table.
int RandomMethodTableId();
// Fills the table once; later calls do nothing.
void DefineRandomMethods();

// Seeds `generator` the way SETSEED does with this argument list: the first argument as a 64-bit
// integer, or the time seed when there is none.
void SeedFromArguments(TOL_AdvancedRandom& generator, script::TOL_VarObArray* args);

// A new random value seeded exactly as SETSEED would be with `args` (may be null).
script::VarRef CreateRandom(script::TOL_VarObArray* args);

}  // namespace tav::screen
