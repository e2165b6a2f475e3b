// Arbitrary bytes read as a saved game. The first byte chooses how: even, the rest is the whole
// file; odd, the rest is the payload, given a sound header and checksum so that the graph reader
// itself is reached. Besides never crashing, hanging or leaking, a value that loads must save
// again, and that save must load and save to the same bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/builtins/engine_classes.h"
#include "engine/save/save_format.h"
#include "script/core/registry.h"
#include "script/runtime.h"

namespace {

constexpr char kGame[] = "fuzz";

tav::script::VarRef Decode(std::vector<uint8_t> bytes) {
  std::string error;
  std::vector<std::string> warnings;
  tav::engine::SaveContext context{kGame, nullptr, nullptr};
  tav::script::VarRef value = tav::engine::DecodeSave(std::move(bytes), context, error, warnings);
  if (!value && error.empty()) __builtin_trap();  // every refusal says why
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    tav::script::InitializeRuntime();
    tav::engine::RegisterEngineClasses();
    return true;
  }();
  (void)ready;
  if (size == 0) return 0;

  std::vector<uint8_t> rest(data + 1, data + size);
  std::vector<uint8_t> file = (data[0] & 1) ? tav::engine::WrapSavePayload(rest, kGame) : rest;
  tav::script::VarRef value = Decode(std::move(file));
  if (value) {
    tav::engine::SaveContext context{kGame, nullptr, nullptr};
    std::vector<uint8_t> first;
    std::string error;
    // The writer refuses only values nested deeper than archives allow.
    if (tav::engine::EncodeSave(value.get(), context, first, error)) {
      tav::script::VarRef again = Decode(first);
      if (!again) __builtin_trap();
      std::vector<uint8_t> second;
      if (!tav::engine::EncodeSave(again.get(), context, second, error) || second != first) __builtin_trap();
    }
  }
  value.reset();
  tav::script::Registry::CollectGarbageAll();
  return 0;
}
