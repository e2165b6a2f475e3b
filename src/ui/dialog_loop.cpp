#include "ui/dialog_loop.h"

#include "os/sdl_library.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "os/signals.h"
#include "os/stop_watchdog.h"
#include "os/virtual_keys.h"

namespace tav::platform {
namespace {

// How long the loop sleeps in SDL before the caret and the close-signal flag are looked at again.
constexpr int kPollMs = 50;

// The clipboard's text up to its first line end: an edit field holds one line.
std::string ClipboardLine() {
  std::string text;
  if (char* clip = Sdl().GetClipboardText()) {
    text = clip;
    Sdl().free(clip);
  }
  if (const size_t end = text.find_first_of("\r\n"); end != std::string::npos) text.resize(end);
  return text;
}

class Loop {
 public:
  Loop(SDL_Window* window, const Bitmap& background, ModalDialog& dialog,
       const std::function<void(const Bitmap&)>& show, const std::function<Letterbox()>& placement,
       const ShortcutFilter& shortcut)
      : window_(window), background_(background), dialog_(dialog), show_(show), placement_(placement),
        shortcut_(shortcut) {}

  DialogEnd Run() {
    Redraw();
    UpdateTextInput();
    while (!dialog_.Finished() && !closed_) {
      NotePump();  // a dialog answers the player: the engine is not stuck
      if (TakeCloseRequest()) {
        closed_ = true;
        break;
      }
      SDL_Event event;
      bool changed = false;
      if (Sdl().WaitEventTimeout(&event, kPollMs)) {
        changed |= Process(event);
        while (!closed_ && !dialog_.Finished() && Sdl().PollEvent(&event)) changed |= Process(event);
      }
      changed |= dialog_.Tick(Elapsed());
      if (closed_ || dialog_.Finished()) break;
      if (changed) {
        Redraw();
        UpdateTextInput();
      }
    }
    if (textInput_) Sdl().StopTextInput();
    if (closed_) {
      dialog_.Cancel();
      return DialogEnd::WindowClosed;
    }
    return DialogEnd::Finished;
  }

 private:
  uint32_t Elapsed() const {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count());
  }

  void Redraw() {
    Bitmap picture = background_;
    dialog_.Draw(picture);
    show_(picture);
  }

  // Text input (and with it the input method) runs only while the dialog takes text; the
  // input method's window follows the caret.
  void UpdateTextInput() {
    const std::optional<RECT> area = dialog_.TextArea();
    if (!area) {
      if (textInput_) Sdl().StopTextInput();
      textInput_ = false;
      return;
    }
    if (!textInput_) Sdl().StartTextInput();
    textInput_ = true;
    // Game pixels to window pixels: the picture is scaled and centred in the window.
    const Letterbox box = placement_();
    const double sx = static_cast<double>(box.width) / background_.Width();
    const double sy = static_cast<double>(box.height) / background_.Height();
    SDL_Rect rect{box.x + static_cast<int>(area->left * sx), box.y + static_cast<int>(area->top * sy),
                  static_cast<int>((area->right - area->left) * sx), static_cast<int>((area->bottom - area->top) * sy)};
    Sdl().SetTextInputRect(&rect);
  }

  bool Process(const SDL_Event& event) {
    // Redrawn after a shortcut: full screen, for one, shows the game's picture anew.
    if ((event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) && shortcut_ && shortcut_(event)) return true;
    DialogEvent in;
    switch (event.type) {
      case SDL_QUIT:
        closed_ = true;
        return false;
      case SDL_WINDOWEVENT:
        return event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED;
      case SDL_KEYDOWN: {
        const SDL_Keymod mod = static_cast<SDL_Keymod>(event.key.keysym.mod);
        // Alt combinations are the window's shortcuts, not the dialog's keys.
        if (mod & KMOD_ALT) return false;
        in.kind = DialogEvent::Kind::KeyDown;
        in.key = VirtualKeyFromSdl(event.key.keysym.sym, event.key.keysym.scancode);
        in.shift = mod & KMOD_SHIFT;
        in.control = mod & KMOD_CTRL;
        if (in.control && in.key == 'V' && textInput_) {
          in.kind = DialogEvent::Kind::Text;
          in.text = ClipboardLine();
        }
        break;
      }
      case SDL_TEXTINPUT:
        in.kind = DialogEvent::Kind::Text;
        in.text = event.text.text;
        break;
      case SDL_TEXTEDITING:
        in.kind = DialogEvent::Kind::Composition;
        in.text = event.edit.text;
        in.cursor = event.edit.start;
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        if (event.button.button != SDL_BUTTON_LEFT && event.button.button != SDL_BUTTON_RIGHT) return false;
        in.kind = event.type == SDL_MOUSEBUTTONDOWN ? DialogEvent::Kind::MouseDown : DialogEvent::Kind::MouseUp;
        in.rightButton = event.button.button == SDL_BUTTON_RIGHT;
        if (!ToGame(event.button.x, event.button.y, in)) return false;
        break;
      case SDL_MOUSEMOTION:
        in.kind = DialogEvent::Kind::MouseMove;
        if (!ToGame(event.motion.x, event.motion.y, in)) return false;
        break;
      default:
        return false;
    }
    return dialog_.Handle(in);
  }

  // The game pixel under a window point; the borders around the picture are nowhere.
  bool ToGame(int x, int y, DialogEvent& in) const {
    const std::optional<GamePoint> at = WindowToGame(placement_(), x, y, background_.Width(), background_.Height());
    if (!at) return false;
    in.x = at->x;
    in.y = at->y;
    return true;
  }

  [[maybe_unused]] SDL_Window* window_;
  const Bitmap& background_;
  ModalDialog& dialog_;
  const std::function<void(const Bitmap&)>& show_;
  const std::function<Letterbox()>& placement_;
  const ShortcutFilter& shortcut_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  bool textInput_ = false;
  bool closed_ = false;
};

}  // namespace

DialogEnd RunDialogLoop(SDL_Window* window, const Bitmap& background, ModalDialog& dialog,
                        const std::function<void(const Bitmap&)>& show,
                        const std::function<Letterbox()>& placement, const ShortcutFilter& shortcut) {
  return Loop(window, background, dialog, show, placement, shortcut).Run();
}

}  // namespace tav::platform
