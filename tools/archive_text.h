// Archive strings and counts as JSON, keeping every length form the archive reader accepts so
// that a file rebuilt from its dump has the same bytes.
//
// A string is shown as plain UTF-8 text when it is stored in the shortest form and its Shift-JIS
// bytes convert to UTF-8 and back unchanged. Otherwise it is an object:
//   {"text": "...", "length_form": "byte"|"word"|"dword", "utf16": true}
// where "hex" may stand for "text" to give the raw bytes (Shift-JIS, or UTF-16LE for "utf16"),
// and both "length_form" and "utf16" are optional.
#pragma once

#include <cstdint>
#include <string>

#include "archive/archive.h"
#include "json_access.h"

namespace tav::tools {

Json ReadStringJson(archive::Archive& ar);
// `text` receives the Shift-JIS text as the engine will see it (for expression checks).
void WriteStringJson(archive::Archive& ar, const Json& value, const std::string& path,
                     std::string* text = nullptr);

// A count: WORD, or WORD 0xFFFF and a DWORD. `wide` tells whether a count below 0xFFFF took the
// long form.
uint32_t ReadCountForm(archive::Archive& ar, bool& wide);
void WriteCountForm(archive::Archive& ar, uint32_t count, bool wide);

// UTF-8 from Shift-JIS bytes; false when converting back would not give the same bytes.
bool SjisToUtf8Exact(const std::string& sjis, std::string& utf8);
// Shift-JIS from UTF-8 text; a character that Shift-JIS cannot hold is an error at `path`.
std::string Utf8ToSjisChecked(const std::string& utf8, const std::string& path);

}  // namespace tav::tools
