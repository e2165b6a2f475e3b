#include "os/diagnostics.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace tav::platform {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

TEST(DiagnosticsTest, ErrorsAlwaysReachStandardErrorTheRestOnlyWhenVerbose) {
  const std::string log = ::testing::TempDir() + "/tav_diagnostics_test.log";
  ASSERT_TRUE(OpenLogFile(log));
  testing::internal::CaptureStderr();
  Diagnose(Severity::Info, "a.tas:3", "quiet");
  Diagnose(Severity::Error, "", "loud");
  SetVerbose(true);
  Diagnose(Severity::Warning, "b.def:10", "now shown");
  SetVerbose(false);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "error: loud\nb.def:10: warning: now shown\n");
  CloseLogFile();
  EXPECT_EQ(ReadFile(log), "a.tas:3: info: quiet\nerror: loud\nb.def:10: warning: now shown\n");
  std::remove(log.c_str());
  EXPECT_FALSE(OpenLogFile("/nonexistent/dir/x.log"));
}

}  // namespace
}  // namespace tav::platform
