#include "screen/random.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <utility>

namespace tav::screen {

// Shared operations.

int32_t TOL_Random::NextInt(int32_t n) {
  if (n <= 0) return 0;
  if ((n & (n - 1)) == 0) {
    return static_cast<int32_t>((static_cast<int64_t>(n) * Next(31)) >> 31);
  }
  // Draws from the top partial block of 2^31 are rejected so that every value is equally
  // likely: for exactly those, bits - val + (n - 1) leaves the 32-bit range and wraps negative.
  auto wrapsNegative = [n](int32_t bits, int32_t val) {
    int64_t sum = static_cast<int64_t>(bits) - val + (n - 1);
    return static_cast<int32_t>(static_cast<uint32_t>(sum)) < 0;
  };
  int32_t bits;
  int32_t val;
  do {
    bits = Next(31);
    val = bits % n;
  } while (wrapsNegative(bits, val));
  return val;
}

int32_t TOL_Random::RollDice(int32_t faces, int32_t count) {
  uint32_t sum = 0;  // wraps like the 32-bit sum it always was, without overflow faults
  for (int32_t i = 0; i < count; ++i) sum += static_cast<uint32_t>(NextInt(faces)) + 1u;
  return static_cast<int32_t>(sum);
}

int64_t TOL_Random::NextLong() {
  uint64_t high = static_cast<uint32_t>(Next(32));
  uint64_t low = static_cast<uint32_t>(Next(32));
  return static_cast<int64_t>((high << 32) + low);
}

// The system generator.

RuntimeRand& ProcessRuntimeRand() {
  static RuntimeRand rand;
  return rand;
}

int32_t TOL_SystemRandom::Next(int bits) {
  uint32_t r = static_cast<uint32_t>(source_.Rand());
  if (bits < 16) return static_cast<int32_t>(r);
  uint32_t r2 = static_cast<uint32_t>(source_.Rand());
  r |= (bits >= 30 ? r2 : r2 & ((1u << (bits - 15)) - 1)) << 15;
  if (bits <= 30) return static_cast<int32_t>(r);
  uint32_t r3 = static_cast<uint32_t>(source_.Rand());
  r |= (bits >= 32 ? r3 : r3 & 1u) << 30;  // the top bits of r3 fall off the 32-bit word
  return static_cast<int32_t>(r);
}

TOL_SystemRandom& SystemRandom() {
  static TOL_SystemRandom& instance = [] () -> TOL_SystemRandom& {
    static TOL_SystemRandom generator;
    generator.SetSeed(static_cast<int64_t>(std::time(nullptr)));
    return generator;
  }();
  return instance;
}

// The 48-bit generator.

void TOL_AdvancedRandom::SetSeed(int64_t seed) {
  seed_ = (static_cast<uint64_t>(seed) ^ kMultiplier) & kMask;
  haveCachedGaussian_ = false;
}

int32_t TOL_AdvancedRandom::Next(int bits) {
  if (bits < 0) bits = 0;
  if (bits > 32) bits = 32;
  seed_ = (seed_ * kMultiplier + kIncrement) & kMask;
  return static_cast<int32_t>(static_cast<uint32_t>(seed_ >> (48 - bits)));
}

double TOL_AdvancedRandom::NextDouble() {
  int64_t high = Next(26);
  int64_t low = Next(27);
  return static_cast<double>((high << 27) + low) * 0x1.0p-53;
}

double TOL_AdvancedRandom::NextGaussian() {
  if (haveCachedGaussian_) {
    haveCachedGaussian_ = false;
    return cachedGaussian_;
  }
  double p, q, s;
  do {
    p = 2 * NextDouble() - 1;
    q = 2 * NextDouble() - 1;
    s = p * p + q * q;
  } while (s >= 1 || s == 0);
  double m = std::sqrt(-2 * std::log(s) / s);
  cachedGaussian_ = q * m;
  haveCachedGaussian_ = true;
  return p * m;
}

void TOL_AdvancedRandom::SetState(uint32_t seedLow, uint32_t seedHigh, double cachedGaussian,
                                  bool haveCached) {
  seed_ = ((static_cast<uint64_t>(seedHigh) << 32) | seedLow) & kMask;
  cachedGaussian_ = cachedGaussian;
  haveCachedGaussian_ = haveCached;
}

// Seeds from the clock.

namespace {

uint32_t SteadyMilliseconds() {
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::function<uint32_t()>& TickSource() {
  static std::function<uint32_t()> source = SteadyMilliseconds;
  return source;
}

}  // namespace

void SetTickSource(std::function<uint32_t()> ticks) {
  TickSource() = ticks ? std::move(ticks) : SteadyMilliseconds;
}

uint32_t TickCount() { return TickSource()(); }

int64_t TimeSeed() {
  uint64_t seconds = static_cast<uint64_t>(std::time(nullptr));
  return static_cast<int64_t>((seconds << 32) + TickCount());
}

int32_t RandomBelow(TOL_Random& generator, int32_t max) {
  if (max < 1) max = 2147483647;
  int64_t draw = generator.Next32();
  if (draw < 0) draw = -draw;
  return static_cast<int32_t>(draw % max);
}

}  // namespace tav::screen
