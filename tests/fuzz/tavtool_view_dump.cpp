// Arbitrary bytes dumped as a view file by tavtool. Besides never crashing or hanging, every
// dump must build back to exactly the bytes it came from (dump checks this itself and refuses
// otherwise; here a refusal of that kind is a fault), and the JSON printed for people must
// parse back to the same JSON.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "json_print.h"
#include "script/registry.h"
#include "view_json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool initialized = [] {
    tav::tools::InitializeEngineClasses();
    return true;
  }();
  (void)initialized;
  std::vector<uint8_t> bytes(data, data + size);
  tav::tools::Json json;
  try {
    json = tav::tools::DumpView(bytes);
  } catch (const std::exception& e) {
    // Told by how the message starts: the rest may quote the input, which can hold any text.
    const std::string what = e.what();
    if (what.rfind("internal error", 0) == 0) std::abort();
    tav::script::Registry::CollectGarbageAll();
    return 0;
  }
  std::vector<std::string> warnings;
  if (tav::tools::BuildView(json, warnings) != bytes) std::abort();
  if (tav::tools::Json::parse(tav::tools::PrettyJson(json)) != json) std::abort();
  tav::script::Registry::CollectGarbageAll();
  return 0;
}
