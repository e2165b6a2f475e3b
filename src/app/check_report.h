// What `tav --check` prints: findings in the form authors know from compilers, "path:line:
// reason" (the path as the game names it, config\view\title\LEFTDOWN3.tas), then a summary.
#pragma once

#include <filesystem>
#include <string>

namespace tav::app {

class CheckReport {
 public:
  explicit CheckReport(std::filesystem::path root) : root_(std::move(root)) {}

  // Something the run would trip on: start-up stops, a file does not compile. Fails the check.
  void Fail(const std::string& where, int line, const std::string& reason);
  // Something that works as written but surely not as meant; it does not fail the check.
  void Warn(const std::string& where, int line, const std::string& reason);
  void CountFile() { ++checked_; }

  // The game's own name of a file under the game folder: config\view\title\LEFTDOWN3.tas.
  std::string GameName(const std::filesystem::path& path) const;
  const std::filesystem::path& Root() const { return root_; }

  // Prints the summary line; answers the exit code (1 when anything failed).
  int Summary() const;

 private:
  std::filesystem::path root_;
  int checked_ = 0;
  int failed_ = 0;
  int warned_ = 0;
};

}  // namespace tav::app
