#include "app/application.h"

#include <filesystem>

#include "debug/adapter.h"
#include "engine/builtins/engine_classes.h"
#include "engine/message_pump.h"
#include "engine/builtins/sound_functions.h"
#include "medialib/library_init.h"
#include "medialib/raw_file.h"
#include "os/diagnostics.h"
#include "os/stop_watchdog.h"
#include "screen/random.h"
#include "script/compile/constants.h"
#include "script/core/registry.h"
#include "script/runtime.h"

namespace tav::app {

namespace {
constexpr int kRegistryGrowStep = 10000;
constexpr uint32_t kIdleCollectionInterval = 20;
}  // namespace

Application::Application(CommandLine options, std::unique_ptr<platform::Host> host)
    : options_(std::move(options)),
      host_(std::move(host)),
      paths_(std::filesystem::current_path().string()) {}

Application::~Application() {
  if (libraryReady_) ExitInstance();
}

bool Application::InitInstance() {
  medialib::rudInitializeLibrary();
  libraryReady_ = true;
  // Windowed, a refused segment asks whether to retry; headless nobody could answer.
  medialib::eslSetOutOfMemoryQuestion(host_->IsHeadless() ? nullptr : medialib::eslAskOutOfMemoryDialog);
  script::InitializeRuntime(kRegistryGrowStep);
  engine::RegisterEngineClasses();
  platform::Host* host = host_.get();
  auto ticks = [host] { return host->GetTickCount(); };
  script::Registry::SetTickSource(ticks);
  screen::SetTickSource(ticks);
  if (options_.seed) screen::SystemRandom().SetSeed(*options_.seed);
  // Before the window: the sound manager with its WAV, MIO and Ogg Vorbis factories.
  medialib::ERawFile::SetGamePathResolver(&paths_);
  sound_ = sound::CreateSoundManager();
  engine::SetSoundManager(sound_.get());
  if (!host_->Open("TAV")) {
    platform::Diagnose(platform::Severity::Error, "",
                       "the game window could not be created; run the game with --headless to play it without a window");
    windowFailed_ = true;
    return false;
  }
  // Stopped in the debugger, the window repaints and its close box ends the game; no input
  // reaches the game. Headless there is nothing to show, and scripted input must wait.
  if (debug::DebuggerAttached() && !host_->IsHeadless()) {
    debug::SetStoppedPump([this] {
      platform::Message message;
      while (host_->PeekMessage(message, true)) {
        if (message.kind == platform::MessageKind::Paint && view_) Dispatch(message);
        if (message.kind == platform::MessageKind::Close) {
          debug::RequestTerminate();
          host_->PostClose();
          return;
        }
      }
    });
  }
  // Scripts that pump messages themselves (Wait, modal views) dispatch through the shell.
  engine::SetMessageDispatcher([this](const platform::Message& message) { Dispatch(message); });
  view_ = std::make_unique<GameView>(*host_, MakeEngineFactory(paths_, report_), [this] { PrepareRestart(); });
  view_->OnShowWindow();
  // Headless, a game that cannot start ends the program; windowed, the window stays empty.
  return !(report_.missingRequiredFile && host_->IsHeadless());
}

bool Application::OnIdle(long count) {
  uint32_t now = host_->GetTickCount();
  if (!idlePassRan_ || now - lastIdlePass_ >= kIdleCollectionInterval) {
    idlePassRan_ = true;
    lastIdlePass_ = now;
    script::Registry::CollectGarbage();
  }
  return count < 1;
}

void Application::Dispatch(const platform::Message& message) {
  using platform::MessageKind;
  switch (message.kind) {
    case MessageKind::LButtonDown: view_->OnLButtonDown(message.x, message.y); break;
    case MessageKind::KeyDown: view_->OnKeyDown(message.key); break;
    case MessageKind::Paint: view_->OnPaint(); break;
    case MessageKind::Close: view_->OnClose(); break;
    case MessageKind::Restart: view_->OnRestart(); break;
    default: break;  // right button, button and key releases reach no script
  }
}

// Idle processing while the queue is empty, then block for the next message; after input, idle
// processing starts again. Collection passes therefore run only here, never while a script
// pumps messages itself.
int Application::Run() {
  platform::Message message;
  for (;;) {
    long idleCount = 0;
    while (!host_->PeekMessage(message, false)) {
      if (!OnIdle(idleCount++)) break;
    }
    do {
      if (!host_->GetMessage(message)) return ExitInstance();
      Dispatch(message);
    } while (host_->PeekMessage(message, false));
  }
}

// What outlives the engine is put back as a fresh start finds it: no sound playing, no defined
// constant, no value left over, the folder's listings read anew, the seed given on the command
// line. The window, the player's settings and the event file's progress stay.
void Application::PrepareRestart() {
  platform::Diagnose(platform::Severity::Info, "", "restarting the game from its folder");
  engine::SetSoundManager(nullptr);
  sound_.reset();
  script::constants::Clear();
  script::Registry::CollectGarbageAll();
  paths_.Invalidate();
  if (options_.seed) screen::SystemRandom().SetSeed(*options_.seed);
  report_ = StartReport{};
  sound_ = sound::CreateSoundManager();
  engine::SetSoundManager(sound_.get());
}

int Application::ExitCode() const {
  if (report_.missingRequiredFile || windowFailed_) return 1;
  if (report_.stoppedEarly) return 3;
  return 0;
}

int Application::ExitInstance() {
  // The scripts have returned: teardown is not a script ignoring the close.
  platform::StopStopWatchdog();
  debug::SetStoppedPump(nullptr);
  engine::SetMessageDispatcher(nullptr);
  host_->UpdateWindow();  // the screenshot shows what is invalid painted
  view_.reset();
  // The first step of the exit handler: every sound stops and the mixer closes.
  engine::SetSoundManager(nullptr);
  sound_.reset();
  medialib::ERawFile::SetGamePathResolver(nullptr);
  if (!options_.screenshotFile.empty() && !host_->WriteScreenshot(options_.screenshotFile)) {
    platform::Diagnose(platform::Severity::Error, "", "could not write the screenshot " + options_.screenshotFile);
  }
  script::constants::Clear();
  script::Registry::CollectGarbageAll();
  script::Registry::SetTickSource(nullptr);
  if (libraryReady_) {
    medialib::rudCloseLibrary();
    libraryReady_ = false;
  }
  return ExitCode();
}

}  // namespace tav::app
