#include "screen/random_sources.h"

#include "screen/random.h"
#include "screen/var_random.h"
#include "script/methods/random_source.h"

namespace tav::screen {
namespace {

class GeneratorSource : public script::RandomSource {
 public:
  explicit GeneratorSource(TOL_Random* generator = nullptr) : generator_(generator) {}
  void Attach(TOL_Random* generator) { generator_ = generator; }
  int NextInt(int n) override { return generator_ ? generator_->NextInt(n) : SystemRandom().NextInt(n); }

 private:
  TOL_Random* generator_;
};

// A shuffle draws from one source at a time; the adapter for a random object is refreshed on
// every lookup, so it never outlives the object it was asked for.
script::RandomSource* SourceOf(script::TOL_Var* value) {
  auto* random = value ? dynamic_cast<TOL_VarRandom*>(value->GetTarget()) : nullptr;
  if (!random) return nullptr;
  static thread_local GeneratorSource adapter;
  adapter.Attach(&random->Generator());
  return &adapter;
}

}  // namespace

void RegisterRandomSources() {
  static GeneratorSource system;  // the process-wide generator
  script::SetDefaultRandomSource(&system);
  script::SetRandomSourceLookup(&SourceOf);
}

}  // namespace tav::screen
