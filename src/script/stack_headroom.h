// How much of the current thread's native stack is left.
//
// Scripts can nest calls and statements without bound, which would overflow the native stack.
// Deep recursion is refused instead while enough stack is left to unwind cleanly.
#pragma once

#include <cstddef>

namespace tav::script {

// Bytes between the caller's frame and the end of this thread's stack (a very large number
// when the stack's extent is unknown).
size_t StackHeadroom();

// Below this much headroom, script calls answer none and statements stop nesting.
inline constexpr size_t kMinStackHeadroom = 256 * 1024;

}  // namespace tav::script
