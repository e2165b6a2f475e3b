#include "json_access.h"

#include <cstdio>
#include <limits>

namespace tav::tools {

std::string JoinPath(const std::string& path, std::string_view key) {
  std::string out = path + "/";
  for (char c : key) {
    if (c == '~') out += "~0";
    else if (c == '/') out += "~1";
    else out.push_back(c);
  }
  return out;
}

std::string JoinPath(const std::string& path, size_t index) { return path + "/" + std::to_string(index); }

Fields::Fields(const Json& object, std::string path) : object_(object), path_(std::move(path)) {
  if (!object_.is_object()) throw JsonError(path_, "expected a JSON object");
}

const Json* Fields::Find(const char* key) {
  used_.insert(key);
  auto it = object_.find(key);
  return it == object_.end() ? nullptr : &*it;
}

void Fields::Finish() const {
  for (const auto& [key, value] : object_.items()) {
    if (used_.find(key) == used_.end()) throw JsonError(PathOf(key), "unknown field");
  }
}

int64_t IntegerIn(const Json& value, const std::string& path, int64_t min, int64_t max) {
  bool inRange = false;
  int64_t n = 0;
  if (value.is_number_unsigned()) {
    uint64_t u = value.get<uint64_t>();
    inRange = u <= static_cast<uint64_t>(max) && (min <= 0 || u >= static_cast<uint64_t>(min));
    n = static_cast<int64_t>(u);
  } else if (value.is_number_integer()) {
    n = value.get<int64_t>();
    inRange = n >= min && n <= max;
  } else {
    throw JsonError(path, "expected an integer, found " + std::string(value.type_name()));
  }
  if (!inRange) {
    throw JsonError(path, "integer out of range (" + std::to_string(min) + " to " + std::to_string(max) + ")");
  }
  return n;
}

uint32_t HexOrNumber32(const Json& value, const std::string& path) {
  if (!value.is_string()) return static_cast<uint32_t>(IntegerIn(value, path, 0, UINT32_MAX));
  const std::string& text = value.get_ref<const std::string&>();
  if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
    throw JsonError(path, "expected a number or a hex string such as \"0x01000000\"");
  }
  uint32_t n = 0;
  for (size_t i = 2; i < text.size(); ++i) {
    char c = text[i];
    int digit = c >= '0' && c <= '9' ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0) throw JsonError(path, "bad hex digit in \"" + text + "\"");
    n = n << 4 | static_cast<uint32_t>(digit);
  }
  return n;
}

int32_t Fields::Int32(const char* key, int32_t fallback) {
  const Json* v = Find(key);
  return v ? static_cast<int32_t>(IntegerIn(*v, PathOf(key), INT32_MIN, INT32_MAX)) : fallback;
}

uint32_t Fields::Uint32(const char* key, uint32_t fallback) {
  const Json* v = Find(key);
  return v ? static_cast<uint32_t>(IntegerIn(*v, PathOf(key), 0, UINT32_MAX)) : fallback;
}

uint16_t Fields::Uint16(const char* key, uint16_t fallback) {
  const Json* v = Find(key);
  return v ? static_cast<uint16_t>(IntegerIn(*v, PathOf(key), 0, UINT16_MAX)) : fallback;
}

uint8_t Fields::Byte(const char* key, uint8_t fallback) {
  const Json* v = Find(key);
  return v ? static_cast<uint8_t>(IntegerIn(*v, PathOf(key), 0, UINT8_MAX)) : fallback;
}

int64_t Fields::Int64(const char* key, int64_t fallback) {
  const Json* v = Find(key);
  return v ? IntegerIn(*v, PathOf(key), INT64_MIN, INT64_MAX) : fallback;
}

bool Fields::Bool(const char* key, bool fallback) {
  const Json* v = Find(key);
  if (!v) return fallback;
  if (!v->is_boolean()) throw JsonError(PathOf(key), "expected true or false");
  return v->get<bool>();
}

uint32_t Fields::Colour(const char* key, uint32_t fallback) {
  const Json* v = Find(key);
  if (!v) return fallback;
  if (!v->is_string()) return static_cast<uint32_t>(IntegerIn(*v, PathOf(key), 0, UINT32_MAX));
  const std::string& text = v->get_ref<const std::string&>();
  unsigned r, g, b;
  char tail;
  if (text.size() != 7 || std::sscanf(text.c_str(), "#%2x%2x%2x%c", &r, &g, &b, &tail) != 3 ||
      text.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos) {
    throw JsonError(PathOf(key), "expected a colour \"#RRGGBB\" or a number");
  }
  return r | g << 8 | b << 16;  // a COLORREF holds red in its low byte
}

uint32_t Fields::Hex32(const char* key, uint32_t fallback) {
  const Json* v = Find(key);
  return v ? HexOrNumber32(*v, PathOf(key)) : fallback;
}

std::string ColourText(uint32_t colorref) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", colorref & 0xFF, (colorref >> 8) & 0xFF,
                (colorref >> 16) & 0xFF);
  return text;
}

Json ColourJson(uint32_t colorref) {
  if ((colorref >> 24) != 0) return colorref;
  return ColourText(colorref);
}

std::string Hex32Text(uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::string BytesToHex(const uint8_t* data, size_t size) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out.push_back(digits[data[i] >> 4]);
    out.push_back(digits[data[i] & 15]);
  }
  return out;
}

std::vector<uint8_t> HexToBytes(const Json& value, const std::string& path) {
  if (!value.is_string()) throw JsonError(path, "expected a string of hex digits");
  const std::string& text = value.get_ref<const std::string&>();
  if (text.size() % 2 != 0) throw JsonError(path, "odd number of hex digits");
  std::vector<uint8_t> out;
  out.reserve(text.size() / 2);
  auto digit = [&](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw JsonError(path, std::string("bad hex digit '") + c + "'");
  };
  for (size_t i = 0; i < text.size(); i += 2) {
    out.push_back(static_cast<uint8_t>(digit(text[i]) << 4 | digit(text[i + 1])));
  }
  return out;
}

void RequireSameRebuild(const std::vector<uint8_t>& rebuilt, const std::vector<uint8_t>& bytes) {
  if (rebuilt == bytes) return;
  size_t at = 0;
  while (at < rebuilt.size() && at < bytes.size() && rebuilt[at] == bytes[at]) ++at;
  throw DumpError(at, "the file uses a form that tavtool cannot keep (a rebuild differs)");
}

}  // namespace tav::tools
