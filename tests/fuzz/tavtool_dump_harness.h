// What the tavtool dump targets share: arbitrary bytes are dumped; a refusal is fine unless it
// is tavtool's own fault, told by how its message starts (the rest of a message may quote the
// input, which can hold any text). A dump that is given out must build back to exactly the
// bytes it came from, and the JSON printed for people must parse back to the same JSON.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "json_print.h"
#include "json_access.h"
#include "script/core/registry.h"
#include "view_json.h"

namespace tav::tools::fuzzing {

template <class Dump, class Build>
void DumpAndRebuild(const uint8_t* data, size_t size, std::initializer_list<const char*> faults, Dump dump,
                    Build build) {
  static bool initialized = [] {
    InitializeEngineClasses();
    return true;
  }();
  (void)initialized;
  std::vector<uint8_t> bytes(data, data + size);
  Json json;
  try {
    json = dump(bytes);
  } catch (const std::exception& e) {
    const std::string what = e.what();
    for (const char* fault : faults) {
      if (what.rfind(fault, 0) == 0) std::abort();
    }
    script::Registry::CollectGarbageAll();
    return;
  }
  if (build(json) != bytes) std::abort();
  Json printed = Json::parse(PrettyJson(json));
  if (printed != json) std::abort();
  if (build(printed) != bytes) std::abort();
  script::Registry::CollectGarbageAll();
}

}  // namespace tav::tools::fuzzing
