#pragma once

// UTF-16 text (archive strings, MIO text chunks, JSON tools) converted to UTF-8, which the rest of
// the system converts on to Shift-JIS where it must.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tav::platform {

// Surrogate pairs are joined; a lone surrogate has no UTF-8 form and becomes `replacement`
// (`*lossless` is then set false when given).
std::string Utf16ToUtf8(std::u16string_view units, char32_t replacement, bool* lossless = nullptr);

// `count` little-endian 16-bit units from bytes.
std::u16string Utf16LeUnits(const uint8_t* bytes, size_t count);

}  // namespace tav::platform
