// The browser host (see browser_host.h).

#include "platform/browser_host.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cmath>

#include "encoding/sjis.h"
#include "gdi/png_writer.h"
#include "os/diagnostics.h"
#include "os/loop_work.h"
#include "os/message_box.h"
#include "os/stop_watchdog.h"
#include "os/virtual_keys.h"
#include "platform/master_volume.h"
#include "platform/player_settings.h"
#include "ui/about_box.h"
#include "ui/input_dialog.h"
#include "ui/message_dialog.h"
#include "ui/modal_dialog.h"
#include "ui/popup_menu.h"

// The page's side (web/tav-page.js installs these functions on the module object).
EM_JS(void, tav_page_show, (const void* rgba, int width, int height), {
  if (Module.tavShow) Module.tavShow(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height);
});
EM_JS(void, tav_page_presented, (double ms), {
  if (Module.tavPresented) Module.tavPresented(ms);
});
EM_JS(void, tav_page_title, (const char* utf8), {
  if (Module.tavTitle) Module.tavTitle(UTF8ToString(utf8));
});
EM_JS(void, tav_page_note, (const char* utf8), {
  if (Module.tavNote) Module.tavNote(UTF8ToString(utf8));
});
EM_JS(void, tav_page_download, (const char* path, const char* name), {
  if (Module.tavDownload) Module.tavDownload(UTF8ToString(path), UTF8ToString(name));
});
EM_JS(void, tav_page_text_input, (int on), {
  if (Module.tavTextInput) Module.tavTextInput(on);
});
EM_JS(void, tav_page_settings_changed, (), {
  if (Module.tavFlush) Module.tavFlush();
});

namespace tav::platform {
namespace {

// The longest a waiting loop sleeps before it looks at the page's input again: one frame.
constexpr uint32_t kFrameMs = 16;
constexpr int kFastForwardRate = 8;

// The page's shot: the game's own picture, not the scaled canvas, named as natively.
std::string ShotName(const std::string& game) {
  const std::time_t now = std::time(nullptr);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", std::localtime(&now));
  return (game.empty() ? std::string("tav") : game) + "-" + stamp + ".png";
}

DialogEvent ToDialogEvent(const BrowserInput& input, bool& usable) {
  DialogEvent event;
  usable = true;
  switch (input.kind) {
    case BrowserInput::Kind::KeyDown:
      event.kind = DialogEvent::Kind::KeyDown;
      break;
    case BrowserInput::Kind::Text:
      event.kind = DialogEvent::Kind::Text;
      break;
    case BrowserInput::Kind::MouseDown:
      event.kind = DialogEvent::Kind::MouseDown;
      break;
    case BrowserInput::Kind::MouseUp:
      event.kind = DialogEvent::Kind::MouseUp;
      break;
    case BrowserInput::Kind::MouseMove:
      event.kind = DialogEvent::Kind::MouseMove;
      break;
    default:
      usable = false;
      break;
  }
  event.key = input.key;
  event.shift = input.shift;
  event.control = input.control;
  event.x = input.x;
  event.y = input.y;
  event.rightButton = input.right;
  event.text = input.text;
  return event;
}

}  // namespace

BrowserHost::BrowserHost(const HostOptions& options) : HostBase(options), gameName_(options.gameName) {}

BrowserHost::~BrowserHost() {
  SetBusyPoll(nullptr);
  if (opened_) SaveSettingsNow();
}

bool BrowserHost::Open(const char* titleUtf8) {
  const PlayerSettings settings = LoadSettings();
  SetMasterVolume(settings.volume, settings.muted);
  tav_page_title(titleUtf8);
  opened_ = true;
  Show(Picture());
  // A script that runs without pumping still sees the page's close.
  SetBusyPoll([this] { CollectInput(); });
  return true;
}

void BrowserHost::PostQuit() {
  closing_ = true;
  HostBase::PostQuit();
}

void BrowserHost::Sleep(uint32_t ms) {
  RecordSleep(ms);
  // Game milliseconds: fast-forward shortens the real pause. The browser runs meanwhile.
  const int64_t real = clock_.RealMicrosFor(ms);
  emscripten_sleep(static_cast<unsigned>((real + 999) / 1000));
  RunLoopWork();
}

void BrowserHost::Present(const Bitmap& picture) {
  HostBase::Present(picture);
  Show(picture);
}

void BrowserHost::Show(const Bitmap& picture) {
  if (!opened_ || picture.Empty()) return;
  const double start = emscripten_get_now();
  const size_t count = static_cast<size_t>(picture.Width()) * picture.Height();
  rgba_.resize(count);
  const uint32_t* from = picture.Data();
  // 0x00RRGGBB to the bytes R, G, B, 255 (a little-endian 0xFFBBGGRR).
  for (size_t i = 0; i < count; ++i) {
    const uint32_t p = from[i];
    rgba_[i] = 0xFF000000u | (p & 0x0000FF00u) | (p >> 16 & 0xFFu) | (p & 0xFFu) << 16;
  }
  tav_page_show(rgba_.data(), picture.Width(), picture.Height());
  tav_page_presented(emscripten_get_now() - start);
}

void BrowserHost::CollectInput() {
  for (const BrowserInput& input : TakeBrowserInput()) Translate(input);
}

void BrowserHost::WaitForInput() {
  uint32_t timeout = kFrameMs;
  if (const EventSchedule::Timed* next = Schedule().Next()) {
    const uint32_t now = GetTickCount();
    const int64_t realMicros = next->due > now ? clock_.RealMicrosFor(next->due - now) : 0;
    timeout = std::min(timeout, static_cast<uint32_t>((realMicros + 999) / 1000));
  }
  emscripten_sleep(timeout);
  RunLoopWork();
  CollectInput();
}

void BrowserHost::Translate(const BrowserInput& input) {
  switch (input.kind) {
    case BrowserInput::Kind::Close:
      closing_ = true;
      Enqueue({MessageKind::Close});
      NoteStopRequested();
      break;
    case BrowserInput::Kind::MouseDown:
      Enqueue({input.right ? MessageKind::RButtonDown : MessageKind::LButtonDown, input.x, input.y});
      break;
    case BrowserInput::Kind::MouseUp:
      if (!input.right) Enqueue({MessageKind::LButtonUp, input.x, input.y});
      break;
    case BrowserInput::Kind::KeyDown:
    case BrowserInput::Kind::KeyUp:
      if (TakeShortcut(input)) break;
      Enqueue({input.kind == BrowserInput::Kind::KeyDown ? MessageKind::KeyDown : MessageKind::KeyUp, 0, 0,
               input.key});
      break;
    default:
      break;  // moves and typed text only matter to dialogs
  }
}

bool BrowserHost::TakeShortcut(const BrowserInput& input) {
  const int key = input.key & 0xFF;
  if (input.kind == BrowserInput::Kind::KeyUp) {
    if (!swallowed_[key]) return false;
    swallowed_[key] = false;
    if (fastHeld_ && key == 'F') {
      fastHeld_ = false;
      UpdateFastForward();
    }
    return true;
  }
  if (key == VK_SNAPSHOT) {
    swallowed_[key] = true;
    if (!input.repeat) SaveShot();
    return true;
  }
  if (key == VK_MENU) {
    swallowed_[key] = true;
    return true;
  }
  if (!input.alt) return false;
  swallowed_[key] = true;
  if (input.repeat) return true;
  switch (key) {
    case 'S':
      SaveShot();
      break;
    case VK_UP:
    case VK_DOWN:
      SetMasterVolume(StepVolume(MasterVolumePercent(), key == VK_UP ? 1 : -1), false);
      NoteVolume();
      break;
    case 'M':
      SetMasterVolume(MasterVolumePercent(), !MasterVolumeMuted());
      NoteVolume();
      break;
    case 'F':
      if (input.shift) {
        fastLatched_ = !fastLatched_;
      } else {
        fastHeld_ = true;
      }
      UpdateFastForward();
      break;
    case 'R':
      Diagnose(Severity::Info, "", "restart");
      Enqueue({MessageKind::Restart});
      break;
    default:
      break;  // Alt+Enter (full screen) is the page's own
  }
  return true;
}

void BrowserHost::UpdateFastForward() {
  const int rate = fastHeld_ || fastLatched_ ? kFastForwardRate : 1;
  if (rate == clock_.Rate()) return;
  clock_.SetRate(rate);
  tav_page_note(rate > 1 ? "fast-forward x8" : "fast-forward off");
}

void BrowserHost::SaveShot() {
  // Written into the page's memory, then handed to the browser as a download.
  const std::string name = ShotName(gameName_);
  const std::string path = "/tmp/" + name;
  std::string error;
  if (!WritePng(Picture(), path, error)) {
    Diagnose(Severity::Warning, "", "screenshot not saved: " + error);
    tav_page_note("screenshot failed");
    return;
  }
  RecordComment("Print Screen saved " + name);
  tav_page_download(path.c_str(), name.c_str());
  std::remove(path.c_str());
  tav_page_note(name.c_str());
}

void BrowserHost::NoteVolume() {
  const std::string level =
      MasterVolumeMuted() ? std::string("volume muted") : "volume " + std::to_string(MasterVolumePercent()) + " %";
  tav_page_note(level.c_str());
  // Kept at once: a page may be closed at any moment without a word.
  SaveSettingsNow();
}

void BrowserHost::SaveSettingsNow() {
  PlayerSettings settings;
  settings.volume = MasterVolumePercent();
  settings.muted = MasterVolumeMuted();
  SaveSettings(settings);
  tav_page_settings_changed();
}

bool BrowserHost::RunDialog(ModalDialog& dialog) {
  const double start = emscripten_get_now();
  auto redraw = [&] {
    Bitmap picture = Picture();
    dialog.Draw(picture);
    Show(picture);
  };
  redraw();
  bool closed = false;
  while (!dialog.Finished() && !closed) {
    NotePump();  // a dialog answers the player: the engine is not stuck
    bool changed = false;
    for (const BrowserInput& input : TakeBrowserInput()) {
      if (closed || dialog.Finished()) break;
      if (input.kind == BrowserInput::Kind::Close) {
        closed = true;
        break;
      }
      const bool isKey = input.kind == BrowserInput::Kind::KeyDown || input.kind == BrowserInput::Kind::KeyUp;
      if (isKey && TakeShortcut(input)) continue;
      bool usable = false;
      const DialogEvent event = ToDialogEvent(input, usable);
      if (usable) changed |= dialog.Handle(event);
    }
    if (closed || dialog.Finished()) break;
    changed |= dialog.Tick(static_cast<uint32_t>(emscripten_get_now() - start));
    if (changed) redraw();
    emscripten_sleep(kFrameMs);
    RunLoopWork();
  }
  Show(Picture());
  if (!closed) return true;
  dialog.Cancel();
  closing_ = true;
  Enqueue({MessageKind::Close});
  return false;
}

void BrowserHost::OpenFrameMenu(int x, int y) {
  if (closing_) return;
  PopupMenu menu(FrameMenu(), x, y, kScreenWidth, kScreenHeight);
  if (!RunDialog(menu)) return;
  switch (menu.Command()) {
    case kCommandExit:
      Enqueue({MessageKind::Close});
      break;
    case kCommandAbout: {
      AboutBox about(TAV_VERSION, kScreenWidth, kScreenHeight);
      RunDialog(about);
      break;
    }
    default:
      break;
  }
}

int BrowserHost::MessageBox(std::string_view textSjis, std::string_view captionSjis, unsigned style,
                            bool fromScript) {
  if (fromScript) {
    if (const std::optional<int> answer = TakeMessageBoxAnswer(style, textSjis)) {
      RecordMessageBoxAnswer(*answer);
      return *answer;
    }
  }
  int answer = 0;
  if (closing_ || unwinding_ || !opened_) {
    // Nothing more is shown once the page closes the game: the box answers as if escaped.
    if (!opened_) PrintDialogLine(stderr, "MessageBox", textSjis);
    answer = EscapeButton(style) != 0 ? EscapeButton(style) : DefaultButton(style);
  } else {
    MessageDialog dialog(textSjis, captionSjis, style, kScreenWidth, kScreenHeight);
    RunDialog(dialog);
    answer = dialog.Answer();
  }
  if (fromScript) {
    Diagnose(Severity::Info, "", DialogLine("MessageBox", textSjis) + " -> " + std::to_string(answer));
    RecordMessageBoxAnswer(answer);
  }
  return answer;
}

std::optional<std::string> BrowserHost::InputBox(std::string_view promptSjis) {
  std::optional<std::string> text;
  if (TakeInputBoxAnswer(text)) {
    RecordInputBoxAnswer(text);
    return text;
  }
  if (closing_ || unwinding_ || !opened_) {
    RecordInputBoxAnswer(std::nullopt);
    return std::nullopt;
  }
  InputDialog dialog(promptSjis, kScreenWidth, kScreenHeight);
  // The page's text field takes the keys (and the input method) while the box shows.
  tav_page_text_input(1);
  RunDialog(dialog);
  tav_page_text_input(0);
  text = dialog.Result();
  RecordInputBoxAnswer(text);
  return text;
}

std::unique_ptr<Host> CreateBrowserHost(const HostOptions& options) {
  return std::make_unique<BrowserHost>(options);
}

}  // namespace tav::platform

