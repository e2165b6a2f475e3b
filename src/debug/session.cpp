#include "debug/session.h"

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "debug/dap_channel.h"
#include "debug/source_files.h"
#include "debug/stopping.h"
#include "script/script_file.h"

namespace tav::debug {
namespace {

namespace fs = std::filesystem;

const Json& Arguments(const Json& request) {
  static const Json none = Json::object();
  const auto it = request.find("arguments");
  return it != request.end() && it->is_object() ? *it : none;
}

std::string Text(const Json& args, const char* name) {
  const auto it = args.find(name);
  return it != args.end() && it->is_string() ? it->get<std::string>() : std::string();
}

bool Flag(const Json& args, const char* name) {
  const auto it = args.find(name);
  return it != args.end() && it->is_boolean() && it->get<bool>();
}

int CountLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  int lines = 0;
  std::string line;
  while (std::getline(in, line)) ++lines;
  return lines;
}

bool Launch(DebuggerState& d, const Json& request, std::string& error) {
  const Json& args = Arguments(request);
  const std::string cwd = Text(args, "cwd");
  auto absolute = [&](std::string path) {
    if (path.empty() || fs::path(path).is_absolute()) return path;
    const fs::path base = cwd.empty() ? fs::current_path() : fs::path(cwd);
    return (base / path).lexically_normal().string();
  };
  LaunchArguments launch;
  launch.game = absolute(Text(args, "game"));
  if (launch.game.empty()) {
    error = "launch needs \"game\": the game folder";
    return false;
  }
  std::error_code ec;
  if (!fs::is_directory(launch.game, ec)) {
    error = "the game folder " + launch.game + " does not exist";
    return false;
  }
  launch.headless = Flag(args, "headless");
  launch.events = absolute(Text(args, "events"));
  if (!launch.events.empty() && !fs::is_regular_file(launch.events, ec)) {
    error = "the event file " + launch.events + " does not exist";
    return false;
  }
  if (args.contains("seed")) {
    const Json& seed = args["seed"];
    if (!seed.is_number_unsigned() || seed.get<uint64_t>() > 0xffffffffu) {
      error = "\"seed\" must be a whole number from 0 to 4294967295";
      return false;
    }
    launch.seed = static_cast<uint32_t>(seed.get<uint64_t>());
  }
  launch.saveDir = absolute(Text(args, "saveDir"));
  launch.stopOnEntry = Flag(args, "stopOnEntry");
  launch.noDebug = Flag(args, "noDebug");
  SourceFiles::Instance().SetGameFolder(launch.game);
  std::lock_guard guard(d.lock);
  d.launch = launch;
  d.state = RunState::kConfiguring;
  d.wake.notify_all();
  return true;
}

// Ends the game: it is asked to close as its close box would. `disconnect`: the editor is gone
// too, so the adapter need not wait for it once the game has ended.
void Terminate(DebuggerState& d, bool disconnect) {
  d.terminating.store(true);
  d.breakpoints.ClearAll();
  d.pauseRequested.store(false);
  std::lock_guard guard(d.lock);
  if (disconnect) d.disconnected = true;
  if (d.state == RunState::kStopped) d.action = ResumeAction::kContinue;
  if (d.state == RunState::kRunning || d.state == RunState::kStopped) ::kill(::getpid(), SIGTERM);
  d.wake.notify_all();
}

// Hands a request to the engine thread while the game is stopped.
void WhenStopped(DebuggerState& d, const Json& request, void (*answer)(const Json&)) {
  std::lock_guard guard(d.lock);
  if (d.state != RunState::kStopped) {
    const std::string command = request.value("command", std::string());
    d.writer.ErrorResponse(request, d.state == RunState::kRunning
                                        ? command + " needs a stopped game; the game is running (pause it first)"
                                        : command + " needs a stopped game; no game is running");
    return;
  }
  d.jobs.push_back([request, answer] { answer(request); });
  d.wake.notify_all();
}

void Resume(DebuggerState& d, const Json& request, ResumeAction action) {
  std::lock_guard guard(d.lock);
  if (d.state != RunState::kStopped) {
    d.writer.ErrorResponse(request, request.value("command", std::string()) + " needs a stopped game");
    return;
  }
  d.writer.Response(request, action == ResumeAction::kContinue ? Json{{"allThreadsContinued", true}} : Json::object());
  d.action = action;
  // Running from now on: requests that need a stopped game are refused until the next stop.
  d.state = RunState::kRunning;
  d.wake.notify_all();
}

void Handle(DebuggerState& d, const Json& request) {
  const std::string command = request.value("command", std::string());
  RunState state;
  {
    std::lock_guard guard(d.lock);
    state = d.state;
  }
  if (command == "initialize") {
    d.writer.Response(request, Json{{"supportsConfigurationDoneRequest", true},
                                    {"supportsConditionalBreakpoints", true},
                                    {"supportsHitConditionalBreakpoints", true},
                                    {"supportsLogPoints", true},
                                    {"supportsFunctionBreakpoints", true},
                                    {"supportsSetVariable", true},
                                    {"supportsEvaluateForHovers", true},
                                    {"supportsTerminateRequest", true}});
    return;
  }
  if (command == "disconnect" || command == "terminate") {
    d.writer.Response(request);
    Terminate(d, command == "disconnect");
    return;
  }
  if (command == "launch") {
    std::string error;
    if (state != RunState::kWaitingForLaunch) {
      d.writer.ErrorResponse(request, "a game is launched already");
    } else if (!Launch(d, request, error)) {
      d.writer.ErrorResponse(request, error);
    } else {
      d.writer.Response(request);
      d.writer.Event("initialized");
    }
    return;
  }
  if (command == "threads") {
    d.writer.Response(request, Json{{"threads", Json::array({Json{{"id", 1}, {"name", "script"}}})}});
    return;
  }
  if (state == RunState::kWaitingForLaunch) {
    d.writer.ErrorResponse(request, command + " before launch: no game is running; send launch first");
    return;
  }
  if (command == "setBreakpoints") {
    std::lock_guard guard(d.lock);
    if (d.state == RunState::kConfiguring || d.state == RunState::kStopped) {
      d.jobs.push_back([&d, request] { AnswerSetBreakpoints(d, request, true); });
      d.wake.notify_all();
      return;
    }
  }
  if (command == "setBreakpoints") return AnswerSetBreakpoints(d, request, false);
  if (command == "setFunctionBreakpoints") {
    std::vector<FunctionBreakpoint> list;
    Json answer = Json::array();
    const Json& args = Arguments(request);
    if (args.contains("breakpoints") && args["breakpoints"].is_array()) {
      for (const Json& bp : args["breakpoints"]) {
        std::string name = bp.is_object() ? Text(bp, "name") : std::string();
        for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        const int id = d.breakpoints.NextId();
        if (name.empty()) {
          answer.push_back(Json{{"id", id}, {"verified", false}, {"message", "a function breakpoint needs a name"}});
          continue;
        }
        list.push_back(FunctionBreakpoint{id, name});
        if (SourceFiles::Instance().HasFunction(name)) {
          answer.push_back(Json{{"id", id}, {"verified", true}});
        } else {
          answer.push_back(Json{{"id", id}, {"verified", false},
                                {"message", "no script file of the game is the body of " + Text(bp, "name")}});
        }
      }
    }
    d.breakpoints.SetFunctions(std::move(list));
    d.writer.Response(request, Json{{"breakpoints", answer}});
    return;
  }
  if (command == "configurationDone") {
    d.writer.Response(request);
    std::lock_guard guard(d.lock);
    d.configured = true;
    d.wake.notify_all();
    return;
  }
  if (command == "stackTrace") return WhenStopped(d, request, AnswerStackTrace);
  if (command == "scopes") return WhenStopped(d, request, AnswerScopes);
  if (command == "variables") return WhenStopped(d, request, AnswerVariables);
  if (command == "setVariable") return WhenStopped(d, request, AnswerSetVariable);
  if (command == "evaluate") return WhenStopped(d, request, AnswerEvaluate);
  if (command == "continue") return Resume(d, request, ResumeAction::kContinue);
  if (command == "next") return Resume(d, request, ResumeAction::kNext);
  if (command == "stepIn") return Resume(d, request, ResumeAction::kStepIn);
  if (command == "stepOut") return Resume(d, request, ResumeAction::kStepOut);
  if (command == "pause") {
    if (state == RunState::kRunning) d.pauseRequested.store(true);
    if (state == RunState::kConfiguring) {
      d.writer.ErrorResponse(request, "pause: the game has not started yet");
      return;
    }
    d.writer.Response(request);
    return;
  }
  d.writer.ErrorResponse(request, command.empty() ? "a request without a command" : "unknown request \"" + command + "\"");
}

}  // namespace

void AnswerSetBreakpoints(DebuggerState& d, const Json& request, bool mayCompile) {
  const Json& args = Arguments(request);
  const Json source = args.contains("source") && args["source"].is_object() ? args["source"] : Json::object();
  const std::string path = Text(source, "path");
  if (path.empty()) {
    d.writer.ErrorResponse(request, "setBreakpoints needs source.path, the script file");
    return;
  }
  SourceFiles& files = SourceFiles::Instance();
  const std::string key = files.KeyOf(path);
  const std::optional<std::string> real = files.RealPathOf(key);
  if (!real) {
    d.writer.ErrorResponse(request, "the file " + path + " is not in the game folder " + files.GameFolder());
    return;
  }
  const int lineCount = CountLines(*real);
  std::vector<LineBreakpoint> wanted;
  if (args.contains("breakpoints") && args["breakpoints"].is_array()) {
    for (const Json& bp : args["breakpoints"]) {
      if (!bp.is_object() || !bp.contains("line") || !bp["line"].is_number_integer()) {
        d.writer.ErrorResponse(request, "a breakpoint needs a line number");
        return;
      }
      LineBreakpoint given;
      given.line = bp["line"].get<int>();
      if (given.line < 1 || given.line > lineCount) {
        d.writer.ErrorResponse(request, "line " + std::to_string(given.line) + " is outside " + path + ", which has " +
                                            std::to_string(lineCount) + " lines");
        return;
      }
      given.condition = Text(bp, "condition");
      given.hitCondition = Text(bp, "hitCondition");
      given.logMessage = Text(bp, "logMessage");
      wanted.push_back(std::move(given));
    }
  }
  std::optional<std::set<int>> lines = files.StatementLines(key);
  std::string compileError;
  if (!lines && mayCompile) {
    script::CompileScriptFile(*real, &compileError);
    lines = files.StatementLines(key);
  }
  Json answer = Json::array();
  std::vector<LineBreakpoint> armed;
  for (LineBreakpoint& given : wanted) {
    given.id = d.breakpoints.NextId();
    Json reply{{"id", given.id}, {"line", given.line}, {"source", Json{{"path", path}}}};
    if (!lines) {
      reply["verified"] = false;
      reply["message"] = compileError.empty() ? "the game has not compiled this file yet" : compileError;
      armed.push_back(given);  // it may still hit once the file is compiled at this line
    } else {
      const auto next = lines->lower_bound(given.line);
      if (next == lines->end()) {
        reply["verified"] = false;
        reply["message"] = "no statement at or after line " + std::to_string(given.line);
      } else {
        if (*next != given.line) {
          reply["message"] = "moved from line " + std::to_string(given.line) + " to line " + std::to_string(*next) +
                             ", the next line that holds a statement";
        }
        given.line = *next;
        reply["line"] = given.line;
        reply["verified"] = true;
        armed.push_back(given);
      }
    }
    answer.push_back(std::move(reply));
  }
  d.breakpoints.SetLines(key, std::move(armed));
  d.writer.Response(request, Json{{"breakpoints", answer}});
}

void ServeRequests(DebuggerState& d, int inFd, int stopFd) {
  MessageReader reader;
  for (;;) {
    std::optional<MessageReader::Result> result = ReadMessage(inFd, reader, stopFd);
    if (!result) break;
    if (!result->message) {
      d.writer.ErrorResponse(Json::object(), "a broken message was dropped: " + result->error);
      continue;
    }
    const Json& message = *result->message;
    const auto type = message.find("type");
    const auto command = message.find("command");
    if (type == message.end() || !type->is_string() || *type != "request" || command == message.end() ||
        !command->is_string()) {
      d.writer.ErrorResponse(message, "a message that is not a request was dropped (it needs \"type\": \"request\" and a \"command\")");
      continue;
    }
    Handle(d, message);
    std::lock_guard guard(d.lock);
    if (d.disconnected && d.state == RunState::kEnded) break;
  }
  // The editor is gone: the game ends as if closed.
  bool wasDisconnected;
  {
    std::lock_guard guard(d.lock);
    wasDisconnected = d.disconnected;
  }
  if (!wasDisconnected) Terminate(d, true);
}

}  // namespace tav::debug
