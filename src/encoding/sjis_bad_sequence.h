#pragma once

// How a conversion steps over what it cannot convert (one '?' each), shared by the iconv and the
// table conversions so that both skip exactly the same bytes.

#include <cstddef>

namespace tav::platform::detail {

// How many input bytes one unconvertible Shift-JIS character occupies, so that a valid-looking
// but unmapped pair turns into a single '?' rather than two.
size_t SjisBadSequenceLength(const unsigned char* p, size_t left);
// The length of the UTF-8 sequence starting at p when it is well formed, otherwise 1, so that
// an unmappable character is skipped as a whole and a stray byte alone.
size_t Utf8BadSequenceLength(const unsigned char* p, size_t left);

}  // namespace tav::platform::detail
