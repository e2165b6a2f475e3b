#include "platform/sdl_host.h"

#include "os/sdl_library.h"

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "ui/about_box.h"
#include "os/diagnostics.h"
#include "ui/dialog_loop.h"
#include "ui/input_dialog.h"
#include "gdi/letterbox.h"
#include "os/message_box.h"
#include "platform/master_volume.h"
#include "ui/message_dialog.h"
#include "platform/player_settings.h"
#include "ui/popup_menu.h"
#include "platform/screenshot_file.h"
#include "encoding/sjis.h"
#include "os/stop_watchdog.h"

namespace tav::platform {
namespace {

// The longest GetMessage sleeps in SDL before it looks at the close-signal flag again.
constexpr uint32_t kSignalPollMs = 50;
// How long a note (a screenshot's file name, the volume) stays in the window's title.
constexpr uint32_t kTitleNoteMs = 2000;
// How much faster the game's clock runs while fast-forwarding.
constexpr int kFastForwardRate = 8;

std::string SdlError(const char* what) {
  const SdlLibrary* sdl = OpenedSdl();
  return std::string(what) + ": " + (sdl ? sdl->GetError() : "SDL could not be loaded");
}

uint32_t MessageBoxIconFlag(unsigned style) {
  switch (style & MB_ICONMASK) {
    case MB_ICONHAND: return SDL_MESSAGEBOX_ERROR;
    case MB_ICONEXCLAMATION: return SDL_MESSAGEBOX_WARNING;
    case MB_ICONQUESTION:
    case MB_ICONASTERISK: return SDL_MESSAGEBOX_INFORMATION;
    default: return 0;
  }
}

}  // namespace

void SdlHost::Destroy::operator()(SDL_Window* window) const { Sdl().DestroyWindow(window); }
void SdlHost::Destroy::operator()(SDL_Renderer* renderer) const { Sdl().DestroyRenderer(renderer); }
void SdlHost::Destroy::operator()(SDL_Texture* texture) const { Sdl().DestroyTexture(texture); }

SdlHost::SdlHost(const HostOptions& options)
    : HostBase(options),
      scale_(std::clamp(options.scale, 1, 16)),
      fullscreen_(options.fullscreen),
      gameName_(options.gameName) {
  // At once, so that the crash and out-of-memory questions (which must not load it) can be
  // asked before the window opens; Open reports a failure.
  OpenSdl();
}

SdlHost::~SdlHost() {
  SetBusyPoll(nullptr);
  if (window_) {
    PlayerSettings settings;
    settings.volume = MasterVolumePercent();
    settings.muted = MasterVolumeMuted();
    settings.fullscreen = fullscreen_;
    if (!fullscreen_) Sdl().GetWindowSize(window_.get(), &windowedWidth_, &windowedHeight_);
    settings.width = windowedWidth_;
    settings.height = windowedHeight_;
    SaveSettings(settings);
  }
  texture_.reset();
  renderer_.reset();
  window_.reset();
  if (videoStarted_) Sdl().QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlHost::Open(const char* titleUtf8) {
  if (!videoStarted_) {
    std::string why;
    if (!OpenSdl(&why)) {
      Diagnose(Severity::Error, "", "cannot start the video system: " + why);
      return false;
    }
    if (Sdl().InitSubSystem(SDL_INIT_VIDEO) != 0) {
      Diagnose(Severity::Error, "", SdlError("cannot start the video system"));
      return false;
    }
    videoStarted_ = true;
  }
  title_ = titleUtf8;
  // The player's last choices; --fullscreen and --scale given now win over them.
  const PlayerSettings settings = LoadSettings();
  SetMasterVolume(settings.volume, settings.muted);
  fullscreen_ = fullscreen_ || settings.fullscreen;
  int width = kScreenWidth * scale_, height = kScreenHeight * scale_;
  if (scale_ == 1 && settings.width > 0) {
    width = settings.width;
    height = settings.height;
  }
  windowedWidth_ = width;
  windowedHeight_ = height;
  const uint32_t flags = SDL_WINDOW_RESIZABLE | (fullscreen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  window_.reset(Sdl().CreateWindow(titleUtf8, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                 flags));
  if (!window_) {
    Diagnose(Severity::Error, "", SdlError("cannot create the window"));
    return false;
  }
  renderer_.reset(Sdl().CreateRenderer(window_.get(), -1, 0));
  if (!renderer_) {
    Diagnose(Severity::Error, "", SdlError("cannot draw in the window"));
    return false;
  }
  // Key presses are all the engine reads; text input would only bring up input methods.
  Sdl().StopTextInput();
  Show(Picture());
  // A script that runs without pumping still lets the close box be seen.
  SetBusyPoll([this] { CollectInput(); });
  return true;
}

bool SdlHost::RunDialog(ModalDialog& dialog) {
  const DialogEnd end = RunDialogLoop(
      window_.get(), Picture(), dialog, [this](const Bitmap& shown) { Show(shown); },
      [this] { return Placement(); }, [this](const SDL_Event& event) { return TakeShortcut(event); });
  Show(Picture());
  if (end == DialogEnd::Finished) return true;
  closing_ = true;
  Enqueue({MessageKind::Close});
  return false;
}

void SdlHost::OpenFrameMenu(int x, int y) {
  if (!window_ || closing_) return;
  PopupMenu menu(FrameMenu(), x, y, kScreenWidth, kScreenHeight);
  if (!RunDialog(menu)) return;
  switch (menu.Command()) {
    case kCommandExit:
      // The same as the close box.
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

uint32_t SdlHost::GetTickCount() { return clock_.Now(); }

// Game milliseconds: fast-forward shortens the real pause.
void SdlHost::Sleep(uint32_t ms) {
  RecordSleep(ms);
  std::this_thread::sleep_for(std::chrono::microseconds(clock_.RealMicrosFor(ms)));
}

uint32_t SdlHost::RealMs() const {
  const auto elapsed = std::chrono::steady_clock::now() - start_;
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void SdlHost::PostQuit() {
  closing_ = true;
  HostBase::PostQuit();
}

void SdlHost::Present(const Bitmap& picture) {
  HostBase::Present(picture);
  Show(picture);
}

void SdlHost::Show(const Bitmap& picture) {
  if (!renderer_ || picture.Empty()) return;
  if (!texture_ || textureWidth_ != picture.Width() || textureHeight_ != picture.Height()) {
    texture_.reset(Sdl().CreateTexture(renderer_.get(), SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                     picture.Width(), picture.Height()));
    if (!texture_) {
      Diagnose(Severity::Error, "", SdlError("cannot show the picture"));
      return;
    }
    textureWidth_ = picture.Width();
    textureHeight_ = picture.Height();
  }
  Sdl().UpdateTexture(texture_.get(), nullptr, picture.Data(), picture.Width() * 4);
  // The whole output, measured now: SDL's own idea of the window's size can lag behind a change
  // of full screen that the system did not carry out.
  Sdl().RenderSetViewport(renderer_.get(), nullptr);
  Sdl().SetRenderDrawColor(renderer_.get(), 0, 0, 0, 255);
  Sdl().RenderClear(renderer_.get());
  // Placed in the renderer's own pixels, which a high-density display makes more than the
  // window's.
  int outputWidth = 0, outputHeight = 0;
  Sdl().GetRendererOutputSize(renderer_.get(), &outputWidth, &outputHeight);
  const Letterbox box = FitPicture(outputWidth, outputHeight, textureWidth_, textureHeight_);
  Sdl().SetTextureScaleMode(texture_.get(), box.sharp ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
  const SDL_Rect target{box.x, box.y, box.width, box.height};
  Sdl().RenderCopy(renderer_.get(), texture_.get(), nullptr, &target);
  Sdl().RenderPresent(renderer_.get());
}

Letterbox SdlHost::Placement() const {
  int width = 0, height = 0;
  if (window_) Sdl().GetWindowSize(window_.get(), &width, &height);
  return FitPicture(width, height, kScreenWidth, kScreenHeight);
}

void SdlHost::ToggleFullscreen() {
  if (!window_) return;
  const bool wanted = !fullscreen_;
  if (wanted) Sdl().GetWindowSize(window_.get(), &windowedWidth_, &windowedHeight_);
  if (Sdl().SetWindowFullscreen(window_.get(), wanted ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
    Diagnose(Severity::Warning, "", SdlError(wanted ? "cannot show full screen" : "cannot leave full screen"));
    return;
  }
  fullscreen_ = wanted;
  // Back to the size the player had; it also brings SDL's record of the size in line with the
  // system's when no window manager carried out the change.
  if (!wanted && windowedWidth_ > 0) Sdl().SetWindowSize(window_.get(), windowedWidth_, windowedHeight_);
  Diagnose(Severity::Info, "", wanted ? "full screen" : "windowed");
  Show(Picture());
}

void SdlHost::UpdateFastForward() {
  const int rate = fastHeld_ || fastLatched_ ? kFastForwardRate : 1;
  if (rate == clock_.Rate()) return;
  clock_.SetRate(rate);
  Diagnose(Severity::Info, "", rate > 1 ? "fast-forward on" : "fast-forward off");
  if (window_ && !titleNoteShown_) Sdl().SetWindowTitle(window_.get(), BaseTitle().c_str());
}

std::string SdlHost::BaseTitle() const {
  return clock_.Rate() > 1 ? title_ + " - fast-forward x" + std::to_string(clock_.Rate()) : title_;
}

bool SdlHost::TakeShortcut(const SDL_Event& event) {
  const SDL_Scancode code = event.key.keysym.scancode;
  if (event.type == SDL_KEYUP) {
    // The release of a key whose press was a shortcut is the shortcut's too, Alt let go or not.
    if (code >= 0 && code < SDL_NUM_SCANCODES && swallowed_[code]) {
      swallowed_[code] = false;
      if (fastHeld_ && code == fastKey_) {
        fastHeld_ = false;
        UpdateFastForward();
      }
      return true;
    }
    return false;
  }
  // Print Screen never reaches a game as a key, with or without modifiers.
  if (code == SDL_SCANCODE_PRINTSCREEN) {
    swallowed_[code] = true;
    if (!event.key.repeat) SaveShot();
    return true;
  }
  // Alt on its own is a system key too: no key handler of a game ever saw it.
  if (code == SDL_SCANCODE_LALT || code == SDL_SCANCODE_RALT) {
    swallowed_[code] = true;
    return true;
  }
  if (!(event.key.keysym.mod & KMOD_ALT)) return false;
  // Any key pressed with Alt is the window's, never the game's: a game could not receive it as
  // a key press, and its held state stays as it was.
  if (code >= 0 && code < SDL_NUM_SCANCODES) swallowed_[code] = true;
  if (event.key.repeat) return true;
  switch (event.key.keysym.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      ToggleFullscreen();
      break;
    case SDLK_s:
      SaveShot();
      break;
    case SDLK_UP:
    case SDLK_DOWN:
      SetMasterVolume(StepVolume(MasterVolumePercent(), event.key.keysym.sym == SDLK_UP ? 1 : -1), false);
      NoteVolume();
      break;
    case SDLK_m:
      SetMasterVolume(MasterVolumePercent(), !MasterVolumeMuted());
      NoteVolume();
      break;
    case SDLK_f:
      // Alt+Shift+F latches; Alt+F lasts while F is held (its release ends it, Alt let go or not).
      if (event.key.keysym.mod & KMOD_SHIFT) {
        fastLatched_ = !fastLatched_;
      } else {
        fastHeld_ = true;
        fastKey_ = code;
      }
      UpdateFastForward();
      break;
    case SDLK_r:
      Diagnose(Severity::Info, "", "restart");
      Enqueue({MessageKind::Restart});
      break;
    default:
      break;
  }
  return true;
}

void SdlHost::SaveShot() {
  std::string path, error;
  if (!SaveScreenshot(Picture(), gameName_, path, error)) {
    Diagnose(Severity::Warning, "", "screenshot not saved: " + error);
    ShowTitleNote("screenshot failed");
    return;
  }
  Diagnose(Severity::Info, "", "screenshot saved: " + path);
  RecordComment("Print Screen saved " + path);
  const size_t slash = path.rfind('/');
  ShowTitleNote(slash == std::string::npos ? path : path.substr(slash + 1));
}

void SdlHost::NoteVolume() {
  const std::string level =
      MasterVolumeMuted() ? std::string("volume muted") : "volume " + std::to_string(MasterVolumePercent()) + " %";
  Diagnose(Severity::Info, "", level);
  ShowTitleNote(level);
}

void SdlHost::ShowTitleNote(const std::string& note) {
  if (!window_) return;
  Sdl().SetWindowTitle(window_.get(), ("TAV - " + note).c_str());
  titleNoteUntil_ = RealMs() + kTitleNoteMs;
  titleNoteShown_ = true;
}

void SdlHost::EndTitleNoteWhenDue() {
  if (!titleNoteShown_ || !window_ || static_cast<int32_t>(RealMs() - titleNoteUntil_) < 0) return;
  Sdl().SetWindowTitle(window_.get(), BaseTitle().c_str());
  titleNoteShown_ = false;
}

void SdlHost::CollectInput() {
  EndTitleNoteWhenDue();
  SDL_Event event;
  while (Sdl().PollEvent(&event)) Translate(event);
}

void SdlHost::WaitForInput() {
  EndTitleNoteWhenDue();
  uint32_t timeout = kSignalPollMs;
  if (const EventSchedule::Timed* next = Schedule().Next()) {
    const uint32_t now = GetTickCount();
    const int64_t realMicros = next->due > now ? clock_.RealMicrosFor(next->due - now) : 0;
    timeout = std::min(timeout, static_cast<uint32_t>((realMicros + 999) / 1000));
  }
  SDL_Event event;
  if (Sdl().WaitEventTimeout(&event, static_cast<int>(timeout))) Translate(event);
}

void SdlHost::Translate(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      closing_ = true;
      Enqueue({MessageKind::Close});
      // Seen while a script runs without pumping (the busy poll): the watchdog starts counting.
      NoteStopRequested();
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED) Invalidate();
      // The release of a held Alt+F may never arrive once another window has the keyboard.
      if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST && fastHeld_) {
        fastHeld_ = false;
        UpdateFastForward();
      }
      // The picture is placed anew for the new size at once, not at the game's next paint.
      if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) Show(Picture());
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      // Clicks on the borders around the picture are outside the game's window.
      const std::optional<GamePoint> at = WindowToGame(Placement(), event.button.x, event.button.y,
                                                       kScreenWidth, kScreenHeight);
      if (!at) break;
      const int x = at->x, y = at->y;
      const bool down = event.type == SDL_MOUSEBUTTONDOWN;
      if (event.button.button == SDL_BUTTON_LEFT) {
        Enqueue({down ? MessageKind::LButtonDown : MessageKind::LButtonUp, x, y});
      } else if (event.button.button == SDL_BUTTON_RIGHT && down) {
        Enqueue({MessageKind::RButtonDown, x, y});
      }
      break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (TakeShortcut(event)) break;
      if (const int vk = VirtualKeyFromSdl(event.key.keysym.sym, event.key.keysym.scancode)) {
        Enqueue({event.type == SDL_KEYDOWN ? MessageKind::KeyDown : MessageKind::KeyUp, 0, 0, vk});
      }
      break;
    default:
      break;
  }
}

int SdlHost::MessageBox(std::string_view textSjis, std::string_view captionSjis, unsigned style,
                        bool fromScript) {
  if (fromScript) {
    if (const std::optional<int> answer = TakeMessageBoxAnswer(style, textSjis)) {
      RecordMessageBoxAnswer(*answer);
      return *answer;
    }
  }
  int answer = 0;
  if (closing_ || unwinding_) {
    // The player asked to close: nothing more is shown, and the box answers as if escaped.
    answer = EscapeButton(style) != 0 ? EscapeButton(style) : DefaultButton(style);
  } else if (window_) {
    MessageDialog dialog(textSjis, captionSjis, style, kScreenWidth, kScreenHeight);
    RunDialog(dialog);
    answer = dialog.Answer();
  } else {
    answer = SystemMessageBox(textSjis, captionSjis, style);
  }
  if (fromScript) {
    Diagnose(Severity::Info, "", DialogLine("MessageBox", textSjis) + " -> " + std::to_string(answer));
    RecordMessageBoxAnswer(answer);
  }
  return answer;
}

int SdlHost::SystemMessageBox(std::string_view textSjis, std::string_view captionSjis, unsigned style) {
  const std::string text = SjisToUtf8(textSjis);
  const std::string caption = SjisToUtf8(captionSjis);
  const int defaultButton = DefaultButton(style);
  const int escapeButton = EscapeButton(style);
  std::vector<SDL_MessageBoxButtonData> buttons;
  for (int id : MessageBoxButtons(style)) {
    uint32_t flags = 0;
    if (id == defaultButton) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    if (id == escapeButton) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    buttons.push_back({flags, id, ButtonCaption(id)});
  }
  const SDL_MessageBoxData data{MessageBoxIconFlag(style) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                                nullptr,
                                caption.c_str(),
                                text.c_str(),
                                static_cast<int>(buttons.size()),
                                buttons.data(),
                                nullptr};
  int pressed = -1;
  // Without the library (the window could not open either) the box answers as one that failed.
  if (!OpenedSdl() || Sdl().ShowMessageBox(&data, &pressed) != 0) {
    Diagnose(Severity::Error, "", SdlError("cannot show a message box") + "; it answers its default button");
    PrintDialogLine(stderr, "MessageBox", textSjis);
    return defaultButton;
  }
  if (pressed >= 0) return pressed;
  return escapeButton != 0 ? escapeButton : defaultButton;
}

std::optional<std::string> SdlHost::InputBox(std::string_view promptSjis) {
  std::optional<std::string> text;
  if (TakeInputBoxAnswer(text)) {
    RecordInputBoxAnswer(text);
    return text;
  }
  if (!window_ || closing_ || unwinding_) {
    RecordInputBoxAnswer(std::nullopt);
    Diagnose(closing_ || unwinding_ ? Severity::Info : Severity::Warning, "",
             DialogLine("InputBox", promptSjis) + (closing_ || unwinding_ ? ": the window is closing" : ": there is no window") +
                 "; cancelled");
    return std::nullopt;
  }
  InputDialog dialog(promptSjis, kScreenWidth, kScreenHeight);
  RunDialog(dialog);
  text = dialog.Result();
  RecordInputBoxAnswer(text);
  // What was entered, for authors following a session in the log.
  Diagnose(Severity::Info, "",
           DialogLine("InputBox", promptSjis) + (text ? " -> \"" + SjisToUtf8(*text) + "\"" : " -> cancelled"));
  return text;
}

std::unique_ptr<Host> CreateSdlHost(const HostOptions& options) { return std::make_unique<SdlHost>(options); }

}  // namespace tav::platform
