#pragma once

// The host with a real window (SDL2): the 800 x 600 picture in a window the player may resize,
// maximise or show full screen (Alt+Enter); the picture is scaled, never the game's coordinates. An event
// file, when given, is played against the real clock and answers the script's dialogs. The
// input box, the frame's menu (opened by a right press) and the about box are drawn over the
// game's picture and run their own loops, so no click or key reaches the game while they show.

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "platform/game_clock.h"
#include "platform/host.h"
#include "gdi/letterbox.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace tav::platform {

class ModalDialog;

class SdlHost final : public HostBase {
 public:
  explicit SdlHost(const HostOptions& options);
  ~SdlHost() override;
  SdlHost(const SdlHost&) = delete;
  SdlHost& operator=(const SdlHost&) = delete;

  bool Open(const char* titleUtf8) override;
  // A right press is taken here: it opens the frame's menu and is never handed on.
  void PostQuit() override;
  uint32_t GetTickCount() override;
  void Sleep(uint32_t ms) override;
  void Present(const Bitmap& picture) override;
  int MessageBox(std::string_view textSjis, std::string_view captionSjis, unsigned style,
                 bool fromScript) override;
  std::optional<std::string> InputBox(std::string_view promptSjis) override;
  bool IsHeadless() const override { return false; }
  void SetUnwinding(bool unwinding) override { unwinding_ = unwinding; }

 protected:
  void CollectInput() override;
  void WaitForInput() override;

 private:
  struct Destroy {
    void operator()(SDL_Window* window) const;
    void operator()(SDL_Renderer* renderer) const;
    void operator()(SDL_Texture* texture) const;
  };

  void Translate(const SDL_Event& event);
  void Show(const Bitmap& picture);
  // Where the picture is in the window, in the window's coordinates (those of mouse events).
  Letterbox Placement() const;
  // Alt combinations belong to the window: true when the key event was one and was handled.
  bool TakeShortcut(const SDL_Event& event);
  void ToggleFullscreen();
  // Alt+F held or Alt+Shift+F latched: the game's clock runs 8 times as fast.
  void UpdateFastForward();
  std::string BaseTitle() const;
  uint32_t RealMs() const;
  // Print Screen, Alt+S: the picture on screen (not the scaled window) as a PNG file.
  void SaveShot();
  // Alt+Up, Alt+Down, Alt+M change the master volume; the title and the log show the level.
  void NoteVolume();
  // The title shows `note` for a moment, then the window's own title again.
  void ShowTitleNote(const std::string& note);
  void EndTitleNoteWhenDue();
  // Runs a dialog over the game's picture and shows the picture again after it. When the window
  // was closed meanwhile, the dialog was cancelled and the game gets its Close: answers false.
  bool RunDialog(ModalDialog& dialog);
  bool HasFrameMenu() const override { return true; }
  void OpenFrameMenu(int x, int y) override;
  // The system's own message box, for when there is no window to draw one in.
  int SystemMessageBox(std::string_view textSjis, std::string_view captionSjis, unsigned style);

  int scale_;
  bool fullscreen_;
  std::string gameName_;
  std::string title_;
  uint32_t titleNoteUntil_ = 0;
  bool titleNoteShown_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  GameClock clock_;
  bool fastHeld_ = false;     // Alt+F is down
  int fastKey_ = 0;           // the scan code of that F, whose release ends it
  bool fastLatched_ = false;  // Alt+Shift+F was pressed (until pressed again)
  bool videoStarted_ = false;
  // Released in the destructor texture first, then renderer, then window, before the video
  // system stops.
  std::unique_ptr<SDL_Window, Destroy> window_;
  std::unique_ptr<SDL_Renderer, Destroy> renderer_;
  std::unique_ptr<SDL_Texture, Destroy> texture_;
  int textureWidth_ = 0, textureHeight_ = 0;
  int windowedWidth_ = 0, windowedHeight_ = 0;  // the window's size before full screen
  // The player closed the window (or the game is quitting): dialogs answer without showing,
  // so that nothing holds up the close.
  bool closing_ = false;
  bool unwinding_ = false;  // the same for the scripts returning before a restart
  // Keys whose press was a shortcut, by scan code: their release is dropped too.
  std::array<bool, 512> swallowed_{};
};

}  // namespace tav::platform
