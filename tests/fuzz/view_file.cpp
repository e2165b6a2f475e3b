// Arbitrary bytes read as a view file. Besides never crashing, hanging or leaking, whatever
// loads must store again, what that stores must load, and storing that must give the same
// bytes.
//
// Leaks: every script value is tracked by the registry, so after a collection the number of
// tracked values must be back where it was. Values that hold themselves through a cycle (a
// file may make an object its own member) are never collected by counting, so inputs that build
// a cycle skip that check. A load that fails part-way may also
// have built a cycle that nothing can reach any more, so the check needs a view that loaded.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "archive/archive.h"
#include "screen/appear.h"
#include "screen/screen_classes.h"
#include "screen/var_view.h"
#include "screen/view_classes.h"
#include "script/core/registry.h"
#include "script/runtime.h"
#include "script/core/var_array.h"
#include "script/core/var_ref.h"

namespace {

using tav::screen::TOL_VarFontAppear;
using tav::screen::TOL_VarView;
using tav::script::TOL_Var;

// Depth-first search over every counted reference a loaded value can hold.
class CycleFinder {
 public:
  bool FoundFrom(TOL_Var* root) { return Visit(root); }

 private:
  enum class State { kOpen, kDone };

  bool Visit(TOL_Var* value) {
    if (!value) return false;
    auto [it, fresh] = state_.emplace(value, State::kOpen);
    if (!fresh) return it->second == State::kOpen;
    bool cycle = false;
    auto edge = [&](TOL_Var* next) { cycle = cycle || Visit(next); };
    if (auto* ref = dynamic_cast<tav::script::TOL_VarRef*>(value)) edge(ref->Target());
    if (auto* object = dynamic_cast<tav::script::TOL_VarObject*>(value)) {
      edge(object->GetBase());
      for (const auto& entry : object->Members().Entries()) edge(entry.value.get());
    }
    if (auto* array = dynamic_cast<tav::script::TOL_VarObArray*>(value)) {
      for (const auto& element : array->Elements()) edge(element.get());
    }
    if (auto* view = dynamic_cast<TOL_VarView*>(value)) {
      edge(view->Font());
      for (const auto& child : view->Children()) edge(child.get());
    }
    if (auto* appear = dynamic_cast<TOL_VarFontAppear*>(value)) edge(appear->Font());
    state_[value] = State::kDone;
    return cycle;
  }

  std::unordered_map<TOL_Var*, State> state_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    tav::script::InitializeRuntime();
    tav::screen::RegisterScreenValueClasses();
    tav::screen::RegisterViewClasses();
    return true;
  }();
  (void)ready;

  tav::script::Registry::CollectGarbageAll();
  const int before = tav::script::Registry::TrackedCount();
  bool checkCount = false;
  {
    std::string error;
    auto view = tav::screen::LoadView(std::vector<uint8_t>(data, data + size), error);
    if (!view) {
      if (error.empty()) __builtin_trap();  // a failure must say why
    } else {
      checkCount = !CycleFinder().FoundFrom(view.get());
      std::vector<uint8_t> first;
      bool stored = true;
      try {
        first = tav::screen::StoreView(*view);
      } catch (const tav::archive::ArchiveError&) {
        // Only nesting can be refused: an object first met deep inside a dropped duplicate
        // member may be written deeper than it was read.
        stored = false;
      }
      if (stored) {
        auto again = tav::screen::LoadView(first, error);
        if (!again) __builtin_trap();  // the writer produced something the reader refuses
        if (tav::screen::StoreView(*again) != first) __builtin_trap();
      }
    }
  }
  tav::script::Registry::CollectGarbageAll();
  if (checkCount && tav::script::Registry::TrackedCount() != before) __builtin_trap();
  return 0;
}
