#include "medialib/processor.h"

namespace tav::medialib {

uint32_t DetectProcessorFeatures() {
  uint32_t features = 0;
#if defined(__x86_64__)
  // The builtin also checks that the kernel saves the AVX registers before it reports AVX.
  __builtin_cpu_init();
  const struct {
    bool present;
    uint32_t flag;
  } checks[] = {
      {__builtin_cpu_supports("mmx") != 0, kProcessorMmx},
      {__builtin_cpu_supports("sse") != 0, kProcessorSse},
      {__builtin_cpu_supports("sse2") != 0, kProcessorSse2},
      {__builtin_cpu_supports("sse3") != 0, kProcessorSse3},
      {__builtin_cpu_supports("ssse3") != 0, kProcessorSsse3},
      {__builtin_cpu_supports("sse4.1") != 0, kProcessorSse41},
      {__builtin_cpu_supports("sse4.2") != 0, kProcessorSse42},
      {__builtin_cpu_supports("avx") != 0, kProcessorAvx},
      {__builtin_cpu_supports("avx2") != 0, kProcessorAvx2},
  };
  for (const auto& check : checks) {
    if (check.present) features |= check.flag;
  }
#endif
  return features;
}

}  // namespace tav::medialib
