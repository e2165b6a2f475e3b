#include "os/diagnostics.h"

#include "encoding/sjis.h"

#include <cstdio>
#include <memory>
#include <mutex>

namespace tav::platform {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

struct Sink {
  std::mutex mutex;
  bool verbose = false;
  std::unique_ptr<std::FILE, FileCloser> log;
};

Sink& TheSink() {
  static Sink sink;
  return sink;
}

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Info: return "info";
    case Severity::Warning: return "warning";
    case Severity::Error: return "error";
  }
  return "error";
}

}  // namespace

void SetVerbose(bool verbose) {
  Sink& sink = TheSink();
  std::lock_guard lock(sink.mutex);
  sink.verbose = verbose;
}

bool OpenLogFile(const std::string& path) {
  Sink& sink = TheSink();
  std::lock_guard lock(sink.mutex);
  sink.log.reset(std::fopen(path.c_str(), "w"));
  return sink.log != nullptr;
}

void CloseLogFile() {
  Sink& sink = TheSink();
  std::lock_guard lock(sink.mutex);
  sink.log.reset();
}

// Diagnostics quote the game's own text (names, paths, source lines), which is Shift-JIS; the
// console and the log are UTF-8. Text that is valid UTF-8 already (ASCII, real file names) is
// kept as it is.
static std::string ForConsole(std::string_view text) {
  return IsValidUtf8(text) ? std::string(text) : SjisToUtf8(text);
}

void Diagnose(Severity severity, std::string_view where, std::string_view message, Shown shown) {
  std::string line;
  if (!where.empty()) line.append(ForConsole(where)).append(": ");
  line.append(SeverityName(severity)).append(": ").append(ForConsole(message)).push_back('\n');

  Sink& sink = TheSink();
  std::lock_guard lock(sink.mutex);
  if (sink.verbose || severity == Severity::Error || shown == Shown::Always) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
  }
  // Flushed line by line so that the log is complete even when the program dies next.
  if (sink.log) {
    std::fwrite(line.data(), 1, line.size(), sink.log.get());
    std::fflush(sink.log.get());
  }
}

}  // namespace tav::platform
