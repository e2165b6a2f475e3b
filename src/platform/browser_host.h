#pragma once

// The host in a web page: the 800 x 600 picture goes to the page's canvas (the page scales it to
// the window), the page hands over clicks and keys already in game pixels (browser_input.h), and
// every wait sleeps through Asyncify so that the browser runs meanwhile: a Wait three modal
// levels deep lets the page draw, play sound and take input like the top loop. The message box,
// the input box, the frame's menu (opened by a right press) and the about box are the same
// dialogs the native window draws over the game's picture. The window's Alt shortcuts (volume,
// mute, fast-forward, screenshot, restart) work as natively; full screen belongs to the page,
// since only the browser's own key handler may ask for it.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/browser_input.h"
#include "platform/game_clock.h"
#include "platform/host.h"

namespace tav::platform {

class ModalDialog;

class BrowserHost final : public HostBase {
 public:
  explicit BrowserHost(const HostOptions& options);
  ~BrowserHost() override;

  bool Open(const char* titleUtf8) override;
  // A right press is taken here: it opens the frame's menu and is never handed on.
  void PostQuit() override;
  uint32_t GetTickCount() override { return clock_.Now(); }
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
  void Translate(const BrowserInput& input);
  void Show(const Bitmap& picture);
  // Alt combinations belong to the window: true when the key was one (its release too).
  bool TakeShortcut(const BrowserInput& input);
  void UpdateFastForward();
  void SaveShot();
  void NoteVolume();
  void SaveSettingsNow();
  // Runs a dialog over the game's picture until it finishes; false when the page closed the
  // game meanwhile (the dialog is then cancelled and the game gets its Close).
  bool RunDialog(ModalDialog& dialog);
  bool HasFrameMenu() const override { return true; }
  void OpenFrameMenu(int x, int y) override;

  std::string gameName_;
  GameClock clock_;
  bool opened_ = false;
  bool closing_ = false;
  bool unwinding_ = false;
  bool fastHeld_ = false, fastLatched_ = false;
  // Keys whose press was a shortcut, by virtual-key code: their release is dropped too.
  bool swallowed_[256] = {};
  // The picture in the canvas's byte order (R, G, B, A).
  std::vector<uint32_t> rgba_;
};

}  // namespace tav::platform
