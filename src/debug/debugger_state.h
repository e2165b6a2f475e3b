// What the adapter's reader thread and the engine thread share.
//
// The reader thread answers what needs no engine state (breakpoints, threads, the run
// commands) and hands what does (stack, variables, evaluate) to the engine thread as jobs,
// which it runs while the game is stopped. `attention` tells the statement hook to look.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "debug/breakpoints.h"
#include "debug/dap_channel.h"

namespace tav::debug {

enum class RunState { kWaitingForLaunch, kConfiguring, kRunning, kStopped, kEnded };
enum class ResumeAction { kNone, kContinue, kNext, kStepIn, kStepOut };

struct LaunchArguments {
  std::string game;  // absolute
  bool headless = false;
  std::string events;
  std::optional<uint32_t> seed;
  std::string saveDir;
  bool stopOnEntry = false;
  bool noDebug = false;
};

struct DebuggerState {
  explicit DebuggerState(int outFd) : writer(outFd) {}

  MessageWriter writer;
  BreakpointTable breakpoints;

  std::mutex lock;
  std::condition_variable wake;
  RunState state = RunState::kWaitingForLaunch;
  LaunchArguments launch;
  bool configured = false;
  bool disconnected = false;
  ResumeAction action = ResumeAction::kNone;
  std::deque<std::function<void()>> jobs;  // run on the engine thread

  std::atomic<bool> attention{false};  // pause, or a request while running
  std::atomic<bool> pauseRequested{false};
  std::atomic<bool> terminating{false};
  // Windowed: repaints and answers the close box while stopped (set by the shell).
  std::function<void()> stoppedPump;
};

// The one debugger of the process (null when none is attached).
DebuggerState* Debugger();
void SetDebugger(DebuggerState* state);

}  // namespace tav::debug
