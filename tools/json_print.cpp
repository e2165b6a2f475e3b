#include "json_print.h"

namespace tav::tools {
namespace {

constexpr size_t kLineWidth = 100;

std::string Scalar(const Json& value) { return value.dump(-1, ' ', false); }

std::string Compact(const Json& value) {
  if (value.is_object()) {
    if (value.empty()) return "{}";
    std::string out = "{";
    for (const auto& [key, item] : value.items()) {
      if (out.size() > 1) out += ", ";
      out += Scalar(Json(key)) + ": " + Compact(item);
    }
    return out + "}";
  }
  if (value.is_array()) {
    if (value.empty()) return "[]";
    std::string out = "[";
    for (const Json& item : value) {
      if (out.size() > 1) out += ", ";
      out += Compact(item);
    }
    return out + "]";
  }
  return Scalar(value);
}

// The lines of a drawn field map read only one below the other.
bool IsDrawing(const std::string& key, const Json& value) {
  return key == "map" && value.is_array() && value.size() > 1 && value[0].is_string();
}

// `column`: where the value starts on its line.
void Print(const Json& value, size_t indent, size_t column, std::string& out, bool spread = false) {
  std::string compact = Compact(value);
  if (!value.is_structured() || (!spread && column + compact.size() <= kLineWidth)) {
    out += compact;
    return;
  }
  std::string pad(indent + 2, ' ');
  bool object = value.is_object();
  out += object ? "{\n" : "[\n";
  bool first = true;
  for (const auto& [key, item] : value.items()) {
    if (!first) out += ",\n";
    first = false;
    out += pad;
    size_t start = pad.size();
    if (object) {
      std::string name = Scalar(Json(key)) + ": ";
      out += name;
      start += name.size();
    }
    Print(item, indent + 2, start, out, object && IsDrawing(key, item));
  }
  out += "\n" + std::string(indent, ' ') + (object ? "}" : "]");
}

}  // namespace

std::string PrettyJson(const Json& value) {
  std::string out;
  Print(value, 0, 0, out);
  return out + "\n";
}

}  // namespace tav::tools
