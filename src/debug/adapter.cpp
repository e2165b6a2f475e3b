#include "debug/adapter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "debug/session.h"
#include "debug/source_files.h"
#include "debug/stopping.h"
#include "encoding/sjis.h"
#include "os/running_position.h"
#include "os/stop_watchdog.h"

namespace tav::debug {
namespace {

DebuggerState* g_debugger = nullptr;

// Turns what the game writes to a standard stream into output events.
std::thread ForwardStream(DebuggerState& d, int readFd, const char* category) {
  return std::thread([&d, readFd, category] {
    char chunk[4096];
    std::string pending;
    for (;;) {
      const ssize_t n = ::read(readFd, chunk, sizeof chunk);
      if (n <= 0) break;
      pending.append(chunk, static_cast<size_t>(n));
      const size_t end = pending.rfind('\n');
      if (end == std::string::npos && pending.size() < 4096) continue;
      const size_t cut = end == std::string::npos ? pending.size() : end + 1;
      std::string text = pending.substr(0, cut);
      pending.erase(0, cut);
      if (!platform::IsValidUtf8(text)) text = platform::SjisToUtf8(text);
      d.writer.Event("output", Json{{"category", category}, {"output", text}});
    }
    if (!pending.empty()) d.writer.Event("output", Json{{"category", category}, {"output", pending}});
    ::close(readFd);
  });
}

// Points a standard stream at a pipe; answers the pipe's reading end (-1 on failure).
int Capture(int streamFd) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return -1;
  ::dup2(ends[1], streamFd);
  ::close(ends[1]);
  return ends[0];
}

}  // namespace

DebuggerState* Debugger() { return g_debugger; }
void SetDebugger(DebuggerState* state) { g_debugger = state; }
bool DebuggerAttached() { return g_debugger != nullptr; }

void SetStoppedPump(std::function<void()> pump) {
  if (g_debugger) g_debugger->stoppedPump = std::move(pump);
}

void RequestTerminate() {
  DebuggerState* d = g_debugger;
  if (!d) return;
  d->terminating.store(true);
  d->breakpoints.ClearAll();
  std::lock_guard guard(d->lock);
  if (d->state == RunState::kStopped) d->action = ResumeAction::kContinue;
  d->wake.notify_all();
}

int RunDebugAdapter(const std::function<int(const LaunchArguments&)>& runGame) {
  // The protocol keeps the real standard output; the game's own output (dialog lines,
  // diagnostics) goes to pipes and reaches the editor as output events.
  std::fflush(stdout);
  const int protocolOut = ::fcntl(1, F_DUPFD_CLOEXEC, 3);
  const int protocolIn = ::fcntl(0, F_DUPFD_CLOEXEC, 3);
  // Standard error comes back once the game is over: what the process reports at its very end
  // (a sanitizer's leak report, say) must not be lost.
  const int originalErr = ::fcntl(2, F_DUPFD_CLOEXEC, 3);
  if (protocolOut < 0 || protocolIn < 0) {
    std::fprintf(stderr, "tav: cannot set up the debug adapter's streams\n");
    return 2;
  }
  const int nullIn = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (nullIn >= 0) {
    ::dup2(nullIn, 0);
    ::close(nullIn);
  }
  DebuggerState state(protocolOut);
  SetDebugger(&state);
  const int outRead = Capture(1);
  const int errRead = Capture(2);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::thread outThread = outRead >= 0 ? ForwardStream(state, outRead, "stdout") : std::thread();
  std::thread errThread = errRead >= 0 ? ForwardStream(state, errRead, "stderr") : std::thread();
  platform::SetStatementPositionObserver(&SourceFiles::ObservePosition);
  // A game that ignores a close is ended by the watchdog without returning here: the editor
  // still learns how it ended.
  platform::OnEmergencyExit([] {
    if (DebuggerState* d = Debugger()) {
      d->writer.Event("exited", Json{{"exitCode", platform::kExitPoliteStop}});
      d->writer.Event("terminated");
    }
  });

  int stopReader[2] = {-1, -1};
  if (::pipe2(stopReader, O_CLOEXEC) != 0) stopReader[0] = stopReader[1] = -1;
  std::thread reader([&state, protocolIn, &stopReader] { ServeRequests(state, protocolIn, stopReader[0]); });

  // Configuration: breakpoints arrive until configurationDone; files are compiled here, on the
  // engine thread, to learn their statement lines.
  bool start = false;
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock guard(state.lock);
      state.wake.wait(guard, [&] { return !state.jobs.empty() || state.disconnected || state.configured; });
      if (!state.jobs.empty()) {
        job = std::move(state.jobs.front());
        state.jobs.pop_front();
      } else {
        start = state.configured && !state.disconnected && state.state == RunState::kConfiguring;
        if (state.configured || state.disconnected) {
          if (start) state.state = RunState::kRunning;
          break;
        }
      }
    }
    if (job) job();
  }

  int code = 0;
  if (start) {
    if (!state.launch.noDebug) ArmStatementHook(state.launch.stopOnEntry);
    code = runGame(state.launch);
    DisarmStatementHook();
  }
  {
    std::lock_guard guard(state.lock);
    state.state = RunState::kEnded;
    state.jobs.clear();
  }
  platform::SetStatementPositionObserver(nullptr);
  // All the game wrote reaches the editor before the end is reported.
  std::fflush(stdout);
  std::fflush(stderr);
  const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  ::dup2(devNull, 1);
  ::dup2(originalErr >= 0 ? originalErr : devNull, 2);
  if (devNull >= 0) ::close(devNull);
  if (originalErr >= 0) ::close(originalErr);
  if (outThread.joinable()) outThread.join();
  if (errThread.joinable()) errThread.join();
  if (start) state.writer.Event("exited", Json{{"exitCode", code}});
  state.writer.Event("terminated");
  {
    // The editor answers `terminated` with disconnect; wait for it a little.
    std::unique_lock guard(state.lock);
    state.wake.wait_for(guard, std::chrono::seconds(5), [&] { return state.disconnected; });
  }
  if (stopReader[1] >= 0) (void)!::write(stopReader[1], "x", 1);
  reader.join();
  for (int fd : {stopReader[0], stopReader[1], protocolIn, protocolOut}) {
    if (fd >= 0) ::close(fd);
  }
  SetDebugger(nullptr);
  return code;
}

}  // namespace tav::debug
