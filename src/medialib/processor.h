#pragma once

// Processor features the library's optimised decoders and mixer may use, as bit flags. The
// library enables every feature the processor has; rudDisableProcessorType takes some away (for
// example to compare an optimised path with the plain one).

#include <cstdint>

namespace tav::medialib {

inline constexpr uint32_t kProcessorMmx = 0x0001;
inline constexpr uint32_t kProcessorSse = 0x0002;
inline constexpr uint32_t kProcessorSse2 = 0x0004;
inline constexpr uint32_t kProcessorSse3 = 0x0008;
inline constexpr uint32_t kProcessorSsse3 = 0x0010;
inline constexpr uint32_t kProcessorSse41 = 0x0020;
inline constexpr uint32_t kProcessorSse42 = 0x0040;
inline constexpr uint32_t kProcessorAvx = 0x0080;
inline constexpr uint32_t kProcessorAvx2 = 0x0100;

// The features this processor supports (and the operating system has enabled), as the flags
// above. 0 on processors other than x86-64.
uint32_t DetectProcessorFeatures();

}  // namespace tav::medialib
