// Arbitrary bytes dumped as a view file by tavtool: never a crash or a hang, and every dump
// given out builds back to the same bytes (a view tavtool cannot keep may be refused).

#include "tavtool_dump_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tav::tools::fuzzing::DumpAndRebuild(
      data, size, {"internal error"}, tav::tools::DumpView, [](const tav::tools::Json& json) {
        std::vector<std::string> warnings;
        return tav::tools::BuildView(json, warnings);
      });
  return 0;
}
