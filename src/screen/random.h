// Random number generators.
//
// Two generators share one interface: the system generator, a thin layer over the runtime's
// classic 15-bit rand/srand (one process-wide instance serves the global script functions), and
// the 48-bit linear congruential generator that scripts own as random objects. Both derive the
// shared operations (dice, bounded integers, 64-bit draws) from their `Next(bits)`.
#pragma once

#include <cstdint>
#include <functional>

#include "script/base/pool.h"

namespace tav::screen {

class TOL_Random : public script::TOL_SmallObject {
 public:
  virtual ~TOL_Random() = default;

  virtual void SetSeed(int64_t seed) = 0;
  // The next `bits` random bits.
  virtual int32_t Next(int bits) = 0;
  // The sum over `count` dice of NextInt(faces) + 1; no dice (count <= 0) is 0.
  virtual int32_t RollDice(int32_t faces, int32_t count);
  virtual int32_t Next32() { return Next(32); }
  // The first draw is the high word, the second (taken unsigned) the low word.
  virtual int64_t NextLong();
  virtual double NextGaussian() = 0;

  // A uniform integer in 0 .. n-1 (0 for n <= 0).
  int32_t NextInt(int32_t n);
};

// The runtime's rand/srand: state = state * 214013 + 2531011, answer bits 16..30. Kept as our
// own object so that nothing else in the process (the C library included) can disturb it.
class RuntimeRand {
 public:
  void Srand(uint32_t seed) { state_ = seed; }
  int32_t Rand() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int32_t>((state_ >> 16) & 0x7FFF);
  }

 private:
  uint32_t state_ = 1;  // the runtime's state before any srand
};

// The one runtime state every system generator draws from, as the C runtime's is per process.
RuntimeRand& ProcessRuntimeRand();

class TOL_SystemRandom : public TOL_Random {
 public:
  explicit TOL_SystemRandom(RuntimeRand& source = ProcessRuntimeRand()) : source_(source) {}

  // srand with the low 32 bits of the seed.
  void SetSeed(int64_t seed) override { source_.Srand(static_cast<uint32_t>(seed)); }
  // Builds wider draws from up to three 15-bit rand() results. Below 16 bits the single draw is
  // returned unmasked (all 15 bits whatever `bits` asks), which callers of old relied on.
  int32_t Next(int bits) override;
  // This generator has no Gaussian draws.
  double NextGaussian() override { return 0.0; }

 private:
  RuntimeRand& source_;
};

// The process-wide system generator, seeded with the time in seconds on first use; the shell
// reseeds it from the command line.
TOL_SystemRandom& SystemRandom();

class TOL_AdvancedRandom : public TOL_Random {
 public:
  static constexpr uint64_t kMultiplier = 0x5DEECE66DULL;
  static constexpr uint64_t kIncrement = 11;
  static constexpr uint64_t kMask = (1ULL << 48) - 1;

  // An unseeded generator starts from state 0 with nothing cached: declared random variables
  // get no seed until the script sets one.
  TOL_AdvancedRandom() = default;

  void SetSeed(int64_t seed) override;
  // The top `bits` bits of the next 48-bit state (`bits` is limited to 0 .. 32).
  int32_t Next(int bits) override;
  // Polar method; the second value of each pair is kept for the next call.
  double NextGaussian() override;
  // A double in [0, 1) with 53 random bits.
  double NextDouble();

  // The state, as stored: the seed's low 32 and high 16 bits, the cached Gaussian and its flag.
  uint32_t SeedLow() const { return static_cast<uint32_t>(seed_); }
  uint32_t SeedHigh() const { return static_cast<uint32_t>(seed_ >> 32); }
  double CachedGaussian() const { return cachedGaussian_; }
  bool HasCachedGaussian() const { return haveCachedGaussian_; }
  void SetState(uint32_t seedLow, uint32_t seedHigh, double cachedGaussian, bool haveCached);

 private:
  uint64_t seed_ = 0;
  double cachedGaussian_ = 0.0;
  bool haveCachedGaussian_ = false;
};

// The millisecond tick count that seeds generators without an explicit seed. Defaults to the
// monotonic clock; the shell installs the host's tick count (virtual in headless runs). An empty
// function restores the default.
void SetTickSource(std::function<uint32_t()> ticks);
uint32_t TickCount();

// The seed used when a script asks for one without giving it: the time in seconds in the high
// word plus the tick count.
int64_t TimeSeed();

// The script form of a bounded draw: |Next32()| mod max, where a max below 1 means 2147483647.
// The absolute value is taken in 64 bits, so the rare draw of -2^31 still lands in range.
int32_t RandomBelow(TOL_Random& generator, int32_t max);

}  // namespace tav::screen
