#include "app/check_report.h"

#include <algorithm>
#include <cstdio>

namespace tav::app {

void CheckReport::Fail(const std::string& where, int line, const std::string& reason) {
  if (line > 0) std::printf("%s:%d: %s\n", where.c_str(), line, reason.c_str());
  else std::printf("%s: %s\n", where.c_str(), reason.c_str());
  ++failed_;
}

void CheckReport::Warn(const std::string& where, int line, const std::string& reason) {
  if (line > 0) std::printf("%s:%d: warning: %s\n", where.c_str(), line, reason.c_str());
  else std::printf("%s: warning: %s\n", where.c_str(), reason.c_str());
  ++warned_;
}

std::string CheckReport::GameName(const std::filesystem::path& path) const {
  std::string name = path.lexically_relative(root_).generic_string();
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

int CheckReport::Summary() const {
  std::printf("%d file%s checked, %d failure%s", checked_, checked_ == 1 ? "" : "s", failed_,
              failed_ == 1 ? "" : "s");
  if (warned_) std::printf(", %d warning%s", warned_, warned_ == 1 ? "" : "s");
  std::printf("\n");
  return failed_ ? 1 : 0;
}

}  // namespace tav::app
