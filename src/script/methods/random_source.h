// Where array shuffling takes its random numbers from.
//
// The generators themselves live with the screen objects, which the script language must not
// depend on; they plug in here. The engine registers its default generator, and a lookup that
// answers the generator of a random object passed to Shuffle.
#pragma once

#include "script/core/var.h"

namespace tav::script {

struct RandomSource {
  virtual ~RandomSource() = default;
  // A draw in 0 ... n-1 (0 for n <= 0). A source that answers outside that range is taken
  // modulo n by its callers, never trusted as an index.
  virtual int NextInt(int n) = 0;
};

// The engine's default generator; null restores the built-in fallback. The source must outlive
// its registration.
void SetDefaultRandomSource(RandomSource* source);
// The registered default, else the fallback: a private 48-bit linear congruential generator
// (the same recurrence as the engine's random objects) seeded once from the system's entropy
// source, so that arrays are shuffled properly even before the engine has registered its own.
RandomSource& DefaultRandomSource();

// Answers the generator of a random object, null for any other value.
using RandomSourceLookup = RandomSource* (*)(TOL_Var* value);
void SetRandomSourceLookup(RandomSourceLookup lookup);
// The generator of `value` through the registered lookup; null without a lookup or a generator.
RandomSource* RandomSourceOf(TOL_Var* value);

}  // namespace tav::script
