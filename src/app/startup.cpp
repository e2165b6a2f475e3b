#include "app/startup.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "app/application.h"
#include "app/script_check.h"
#include "engine/save/save_location.h"
#ifdef __EMSCRIPTEN__
#include "platform/page_replay_host.h"
#endif
#include "platform/audio_output.h"
#include "os/crash_report.h"
#include "os/diagnostics.h"
#include "platform/display_check.h"
#include "platform/event_file.h"
#include "gdi/gdi_font.h"
#include "platform/host.h"
#include "os/signals.h"
#include "os/stop_watchdog.h"
#include "os/unresponsive_prompt.h"
#include "script/runtime.h"

namespace tav::app {
namespace {

namespace fs = std::filesystem;

// Paths given on the command line are relative to where tav was started; the engine then
// works inside the game folder.
void MakeAbsolute(std::string& path, const fs::path& base) {
  if (!path.empty() && fs::path(path).is_relative()) path = (base / path).lexically_normal().string();
}

// The bundled demo game: the one built beside the program when it runs from the build tree,
// otherwise the one installed beside the program (bin/../share/tav/demo, so that an installed
// tree may be moved), otherwise the one installed under the configured prefix.
fs::path DefaultGameDir() {
  std::error_code ec;
  const fs::path exeDir = fs::read_symlink("/proc/self/exe", ec).parent_path();
  if (!ec) {
    if (fs::equivalent(exeDir, TAV_BUILD_BIN_DIR, ec) && fs::is_directory(TAV_DEMO_BUILD_DIR, ec)) {
      return TAV_DEMO_BUILD_DIR;
    }
    const fs::path beside = (exeDir / TAV_DEMO_FROM_BIN).lexically_normal();
    if (fs::is_directory(beside, ec)) return beside;
  }
  return TAV_DEMO_INSTALL_DIR;
}

}  // namespace

const char* VersionText() { return TAV_VERSION; }

int RunGame(CommandLine options) {
  std::error_code ec;
  const fs::path startDir = fs::current_path(ec);
  platform::SetVerbose(options.verbose);
  for (std::string* path : {&options.eventsFile, &options.screenshotFile, &options.audioOutFile,
                            &options.crashLogFile, &options.logFile, &options.saveDir, &options.recordFile}) {
    MakeAbsolute(*path, startDir);
  }
  if (!options.logFile.empty() && !platform::OpenLogFile(options.logFile)) {
    std::fprintf(stderr, "tav: cannot write the log file %s\n", options.logFile.c_str());
    return 2;
  }

  platform::HostOptions hostOptions;
  hostOptions.scale = options.scale;
  hostOptions.fullscreen = options.fullscreen;
  if (!options.eventsFile.empty()) {
    std::string error;
    if (!platform::ParseEventFile(options.eventsFile, startDir.string(), hostOptions.events, error)) {
      std::fprintf(stderr, "tav: %s\n", error.c_str());
      return 2;
    }
    hostOptions.eventsName = options.eventsFile;
  }

  fs::path gameDir = options.gameDir.empty() ? DefaultGameDir() : fs::path(options.gameDir);
  if (gameDir.is_relative()) gameDir = startDir / gameDir;
  if (!fs::is_directory(gameDir, ec)) {
    std::fprintf(stderr, "tav: the game folder %s does not exist\n", gameDir.string().c_str());
    return 1;
  }
  fs::current_path(gameDir, ec);
  if (ec) {
    std::fprintf(stderr, "tav: cannot enter the game folder %s: %s\n", gameDir.string().c_str(),
                 ec.message().c_str());
    return 1;
  }

  if (options.check) return CheckGameScripts(gameDir.string());
  {
    const fs::path plain = gameDir.lexically_normal();
    hostOptions.gameName = (plain.has_filename() ? plain.filename() : plain.parent_path().filename()).string();
  }
  engine::ConfigureSaveLocation(options.saveDir, gameDir);
  if (!options.recordFile.empty()) {
    hostOptions.recorder = std::make_shared<platform::EventRecorder>();
    std::string error;
    if (!hostOptions.recorder->Open(options.recordFile, error)) {
      std::fprintf(stderr, "tav: %s\n", error.c_str());
      return 2;
    }
    // A replay deals the same random numbers only from the same seed: one is chosen now when
    // none was given, and the recording names it.
    if (!options.seed) options.seed = static_cast<uint32_t>(std::time(nullptr));
    hostOptions.recorder->Comment("tav event recording; replay: tav " + gameDir.string() + " --headless --seed " +
                                  std::to_string(*options.seed) + " --events " + options.recordFile);
  }

  // Before sound and the video system start (and print their own complaints): a window needs
  // a display.
  if (!options.headless) {
    if (const std::optional<std::string> missing = platform::MissingDisplay()) {
      std::fprintf(stderr, "tav: %s; run the game with --headless to play it without a window\n",
                   missing->c_str());
      return 1;
    }
  }

  // Headless runs play on the virtual clock; the recording (if any) taps either backend.
  if (!platform::ConfigureAudio(options.headless, options.audioOutFile)) {
    std::fprintf(stderr, "tav: cannot write the audio recording %s\n", options.audioOutFile.c_str());
    return 2;
  }
  platform::SetMonochromeText(options.monoText);

  platform::ConfigureCrashReport({options.headless, options.crashLogFile});
  platform::InstallCloseSignals();
  platform::WatchdogOptions watchdog;
  if (!options.headless) watchdog.confirm = platform::AskEndUnresponsiveGame;
  platform::StartStopWatchdog(std::move(watchdog));
#ifdef __EMSCRIPTEN__
  // In a web page the window is the page's canvas; a headless run there (a replay on the
  // virtual clock) shows its pictures on it too. Under node there is no page.
  std::unique_ptr<platform::Host> host =
      !options.headless                ? platform::CreateBrowserHost(hostOptions)
      : platform::RunsInBrowserPage() ? platform::CreatePageReplayHost(hostOptions)
                                       : platform::CreateHeadlessHost(hostOptions);
#else
  std::unique_ptr<platform::Host> host = options.headless ? platform::CreateHeadlessHost(hostOptions)
                                                          : platform::CreateSdlHost(hostOptions);
#endif
  int code = 1;
  {
    Application application(options, std::move(host));
    code = application.InitInstance() ? application.Run() : application.ExitCode();
  }
  platform::StopStopWatchdog();
  script::DestroyAllValues();
  platform::FinishAudioRecording();
  platform::CloseLogFile();
  return code;
}

}  // namespace tav::app
