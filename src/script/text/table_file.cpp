#include "script/text/table_file.h"

#include "encoding/sjis.h"

namespace tav::script {

TableRow SplitTableLine(std::string_view line) {
  TableRow row;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (i + 1 < line.size() && platform::IsSjisLeadByte(static_cast<unsigned char>(c)) &&
        platform::IsSjisTrailByte(static_cast<unsigned char>(line[i + 1]))) {
      field += c;
      field += line[++i];
    } else if (c == '"') {
      if (i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = !quoted;
      }
    } else if (c == ',' && !quoted) {
      row.push_back(std::move(field));
      field.clear();
    } else {
      field += c;
    }
  }
  if (!field.empty()) row.push_back(std::move(field));
  return row;
}

std::optional<std::vector<TableRow>> ReadTableFile(std::string_view path,
                                                   const PathResolver& resolver,
                                                   std::string* error) {
  const std::optional<std::string> real = ResolvePath(resolver, path);
  if (!real) {
    if (error) *error = "cannot find " + std::string(path);
    return std::nullopt;
  }
  auto lines = ReadTextLines(*real, error);
  if (!lines) return std::nullopt;
  std::vector<TableRow> rows;
  for (const std::string& line : *lines) {
    if (!line.empty()) rows.push_back(SplitTableLine(line));
  }
  return rows;
}

}  // namespace tav::script
