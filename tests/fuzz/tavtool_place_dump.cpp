// Arbitrary bytes dumped as a place file by tavtool. Besides never crashing or hanging, a dump
// refused because it would not build back ("a rebuild differs") is a fault here: every place
// the engine loads must be one tavtool can keep.

#include "place_json.h"
#include "tavtool_dump_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tav::tools::fuzzing::DumpAndRebuild(
      data, size, {"internal error", "the file uses a form that tavtool cannot keep (a rebuild differs)"},
      tav::tools::DumpPlace, tav::tools::BuildPlace);
  return 0;
}
