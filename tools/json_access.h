// Reading typed fields out of an author's JSON with messages that name the JSON path, and the
// small text forms (hex bytes, colours) the tool shows numbers in.
#pragma once

#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace tav::tools {

using Json = nlohmann::ordered_json;

// A problem in the JSON given to a build: the message starts with the JSON path ("/children/2/rect").
class JsonError : public std::runtime_error {
 public:
  JsonError(const std::string& path, const std::string& what)
      : runtime_error((path.empty() ? std::string("/") : path) + ": " + what) {}
};

// A problem in a binary file being dumped that the archive reader itself did not report.
class DumpError : public std::runtime_error {
 public:
  DumpError(size_t offset, const std::string& what)
      : runtime_error(what + " at byte offset " + std::to_string(offset)) {}
};

// A dump is given out only when building it again gives the file's bytes back; otherwise this
// throws a DumpError at the first byte that differs.
void RequireSameRebuild(const std::vector<uint8_t>& rebuilt, const std::vector<uint8_t>& bytes);

// "/a/b" + "c" as a JSON pointer ("~" and "/" in names escaped).
std::string JoinPath(const std::string& path, std::string_view key);
std::string JoinPath(const std::string& path, size_t index);

// The fields of one JSON object: each lookup marks its key as known, and Finish() rejects the
// keys nobody asked for, so that a misspelt field is an error instead of silently ignored.
class Fields {
 public:
  Fields(const Json& object, std::string path);

  const std::string& Path() const { return path_; }
  std::string PathOf(std::string_view key) const { return JoinPath(path_, key); }
  // Null when absent.
  const Json* Find(const char* key);
  void Finish() const;

  int32_t Int32(const char* key, int32_t fallback);
  uint32_t Uint32(const char* key, uint32_t fallback);
  uint16_t Uint16(const char* key, uint16_t fallback);
  uint8_t Byte(const char* key, uint8_t fallback);
  int64_t Int64(const char* key, int64_t fallback);
  bool Bool(const char* key, bool fallback);
  // "#RRGGBB" (a COLORREF with a zero high byte) or a number.
  uint32_t Colour(const char* key, uint32_t fallback);
  // A number or a "0x..." hex string.
  uint32_t Hex32(const char* key, uint32_t fallback);

 private:
  const Json& object_;
  std::string path_;
  std::set<std::string, std::less<>> used_;
};

// Range-checked integers from a JSON value.
int64_t IntegerIn(const Json& value, const std::string& path, int64_t min, int64_t max);
uint32_t HexOrNumber32(const Json& value, const std::string& path);

std::string ColourText(uint32_t colorref);   // "#RRGGBB"; only for a zero high byte
Json ColourJson(uint32_t colorref);          // the text, or the number when the high byte is set
std::string Hex32Text(uint32_t value);       // "0x0100002A"
std::string BytesToHex(const uint8_t* data, size_t size);
std::vector<uint8_t> HexToBytes(const Json& value, const std::string& path);

}  // namespace tav::tools
