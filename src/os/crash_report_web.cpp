#include <emscripten.h>

#include "os/crash_report.h"

// The web build's crash report. WebAssembly has no signals: a fault (a memory access out of
// bounds, an integer division by zero, an unreachable instruction, the stack exhausted) stops
// the module with a RuntimeError that the JavaScript side sees. InstallCrashFilter hooks that
// error: the same report as natively (caption, the fault's name) goes to standard error, and the
// process ends with exit code 255. There are no registers to show and no dialogs: a page shows
// its own fatal-error overlay after this report. No fault can be continued from.

namespace tav::platform {
namespace {

// The fault's name from the RuntimeError's message, in the words of the native report.
// clang-format off
EM_JS(void, tav_install_crash_hook, (), {
  if (Module.tavCrashHookInstalled) return;
  Module.tavCrashHookInstalled = true;
  const names = [
    [/out of bounds|null function/, "ページアクセス例外"],
    [/divide by zero|remainder by zero/, "ゼロ除算例外"],
    [/integer overflow/, "オーバーフロー例外"],
    [/call stack|stack overflow/, "スタックオーバーフロー例外"],
    [/unreachable/, "無効命令例外"],
  ];
  const isFault = function(error) {
    return error instanceof WebAssembly.RuntimeError || error instanceof RangeError;
  };
  const report = function(error) {
    const message = String(error && error.message);
    let name = "無効例外";
    for (let i = 0; i < names.length; ++i) {
      if (names[i][0].test(message)) { name = names[i][1]; break; }
    }
    const text = "◆　例外エラー情報　◆\n▼ プログラム実行中に以下の例外エラーが発生しました。\n    " +
                 name + "\n    (" + message + ")\n";
    if (Module.onTavCrash) Module.onTavCrash(name, message);
    if (typeof process !== "undefined" && process.stderr) {
      process.stderr.write(text);
      process.stderr.write("tav: no crash log is written by the web build\n");
      process.exit(255);
    }
  };
  // A fault in main() reaches the runtime's quit function (the JavaScript scope this code is
  // emitted into); one in a callback of the page's loop reaches the global handlers.
  const quit = quit_;
  quit_ = function(status, toThrow) {
    if (isFault(toThrow)) report(toThrow);
    return quit(status, toThrow);
  };
  if (typeof process !== "undefined" && process.prependListener) {
    process.prependListener("uncaughtException", function(error) { if (isFault(error)) report(error); });
  }
  if (typeof window !== "undefined") {
    window.addEventListener("error", function(event) { if (isFault(event.error)) report(event.error); });
  }
});
// clang-format on

}  // namespace

// Nothing to prepare: the report is written by JavaScript, and no log file is written.
void ConfigureCrashReport(const CrashReportOptions&) {}

void InstallCrashFilter() { tav_install_crash_hook(); }

}  // namespace tav::platform
