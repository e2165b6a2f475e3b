#include "os/emergency_exit.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <vector>

#include "os/stop_watchdog.h"

namespace tav::platform {
namespace {

std::mutex& HookLock() {
  static std::mutex lock;
  return lock;
}

std::vector<std::function<void()>>& Hooks() {
  static std::vector<std::function<void()>> hooks;
  return hooks;
}

// Standard output carries the script's dialog lines: whatever is buffered must not be lost,
// but a thread that holds the stream must not stop the exit either.
void FlushStream(std::FILE* stream) {
  if (ftrylockfile(stream) != 0) return;
  fflush_unlocked(stream);
  funlockfile(stream);
}

}  // namespace

namespace detail {
void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}
}  // namespace detail

void OnEmergencyExit(std::function<void()> hook) {
  std::lock_guard guard(HookLock());
  Hooks().push_back(std::move(hook));
}

void EmergencyExit(int code) {
  std::vector<std::function<void()>> hooks;
  {
    std::lock_guard guard(HookLock());
    hooks.swap(Hooks());
  }
  for (const auto& hook : hooks) {
    if (hook) hook();
  }
  FlushStream(stdout);
  FlushStream(stderr);
  ::_exit(code);
}

}  // namespace tav::platform
