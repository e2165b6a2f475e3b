#include "script/methods/random_source.h"

#include <random>

namespace tav::script {
namespace {

// The 48-bit recurrence and the unbiased bounded draw of the engine's random objects.
class FallbackRandom : public RandomSource {
 public:
  FallbackRandom() {
    std::random_device entropy;
    uint64_t seed = (uint64_t{entropy()} << 32) | entropy();
    seed_ = (seed ^ kMultiplier) & kMask;
  }

  int NextInt(int n) override {
    if (n <= 0) return 0;
    if ((n & -n) == n) return static_cast<int>((int64_t{n} * Next31()) >> 31);
    int32_t bits, value;
    do {
      bits = Next31();
      value = bits % n;
    } while (static_cast<int64_t>(bits) - value + (n - 1) > INT32_MAX);
    return value;
  }

 private:
  static constexpr uint64_t kMultiplier = 0x5DEECE66DULL;
  static constexpr uint64_t kMask = (uint64_t{1} << 48) - 1;

  int32_t Next31() {
    seed_ = (seed_ * kMultiplier + 11) & kMask;
    return static_cast<int32_t>(seed_ >> 17);
  }

  uint64_t seed_;
};

RandomSource* g_default = nullptr;
RandomSourceLookup g_lookup = nullptr;

}  // namespace

void SetDefaultRandomSource(RandomSource* source) { g_default = source; }

RandomSource& DefaultRandomSource() {
  if (g_default) return *g_default;
  static FallbackRandom fallback;
  return fallback;
}

void SetRandomSourceLookup(RandomSourceLookup lookup) { g_lookup = lookup; }

RandomSource* RandomSourceOf(TOL_Var* value) {
  return g_lookup && value ? g_lookup(value->GetTarget()) : nullptr;
}

}  // namespace tav::script
