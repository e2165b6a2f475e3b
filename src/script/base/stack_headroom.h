// How much of the current thread's native stack is left.
//
// Scripts can nest calls and statements without bound, which would overflow the native stack.
// Deep recursion is refused instead while enough stack is left to unwind cleanly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace tav::script {

namespace stack_detail {
// The lowest address of this thread's stack (stacks grow down on every target we build for);
// 0 when it cannot be found out.
uintptr_t FindStackLimit();
// Found once per thread (1: not yet); a constant-initialised thread-local needs no guard.
inline thread_local uintptr_t t_stackLimit = 1;
}  // namespace stack_detail

// Bytes between the caller's frame and the end of this thread's stack (a very large number
// when the stack's extent is unknown). Inline: every script call asks.
[[gnu::always_inline]] inline size_t StackHeadroom() {
  uintptr_t limit = stack_detail::t_stackLimit;
  if (limit == 1) [[unlikely]] limit = stack_detail::t_stackLimit = stack_detail::FindStackLimit();
  // The frame address, not a local's: sanitizers may move locals to a separate stack.
  const auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  if (limit == 0 || here <= limit) return limit == 0 ? std::numeric_limits<size_t>::max() : 0;
  return here - limit;
}

// Below this much headroom, script calls answer none and statements stop nesting.
inline constexpr size_t kMinStackHeadroom = 256 * 1024;

}  // namespace tav::script
