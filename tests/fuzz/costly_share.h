#pragma once

// Some steps of a fuzz target cost far more than the code it is meant to search (playing a
// sound for a while on the mixer's thread, drawing after every edit), and would leave the fuzzer
// only a few dozen inputs a second. Such a step runs for one input in `every`, chosen by a hash
// of the input's bytes, so that an input always takes the same path and a finding replays. The
// corpus replay of the test suite (TAV_FUZZ_REPLAY) takes every step for every seed.

#include <cstddef>
#include <cstdint>

namespace tav::fuzzing {

inline bool InCostlyShare(const uint8_t* data, size_t size, uint32_t every) {
#ifdef TAV_FUZZ_REPLAY
  (void)data, (void)size, (void)every;
  return true;
#else
  uint32_t hash = 2166136261u;  // FNV-1a
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash % every == 0;
#endif
}

}  // namespace tav::fuzzing
