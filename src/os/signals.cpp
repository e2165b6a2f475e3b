#include "os/signals.h"

#include "os/stop_watchdog.h"

#include <atomic>
#include <signal.h>

#include <csignal>

namespace tav::platform {
namespace {

std::atomic<bool> closeRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set inside a signal handler");

extern "C" void OnCloseSignal(int sig) {
  NoteStopRequested();
  if (closeRequested.exchange(true)) {
    // Nobody took the first request: the engine is stuck, so let the signal kill it.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
  }
}

}  // namespace

void InstallCloseSignals() {
  struct sigaction action {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool TakeCloseRequest() { return closeRequested.exchange(false); }

}  // namespace tav::platform
