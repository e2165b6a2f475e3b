// The game view: the 800 x 600 window's contents and input, between the host and the engine.
//
// Its first showing starts the engine; later showings do nothing more. A left click or key
// press is handed to the engine while input is enabled, and whatever input queued up while the
// engine ran is dropped afterwards. Painting shows the engine's picture (black without one).
#pragma once

#include <functional>
#include <memory>

#include "gdi/bitmap.h"
#include "platform/host.h"

namespace tav::app {

// The engine as the shell sees it.
class EngineSession {
 public:
  virtual ~EngineSession() = default;
  // Runs the start-up script. The game view holds the session before, so that what the script
  // pumps meanwhile (paints, a close) already finds the engine.
  virtual void Start() = 0;
  // The picture to show, or null when there is nothing to show yet.
  virtual const platform::Bitmap* Picture() = 0;
  virtual void Click(int x, int y) = 0;
  virtual void Key(int virtualKey) = 0;
  // True while a script the shell started is still running.
  virtual bool Busy() const = 0;
};

// Creates the engine at the first showing, not yet started; answers null when the game could not start (the
// window then stays empty and the next showing tries again).
using EngineFactory = std::function<std::unique_ptr<EngineSession>(platform::Host&)>;

// Called between the old engine's end and the new one's start on a restart, to reset what lives
// outside the engine (sounds, constants, cached directory listings).
using RestartHook = std::function<void()>;

class GameView {
 public:
  GameView(platform::Host& host, EngineFactory factory, RestartHook beforeRestart = nullptr);
  ~GameView();

  void OnShowWindow();
  void OnPaint();
  void OnLButtonDown(int x, int y);
  void OnKeyDown(int virtualKey);
  // The close box, Exit or a signal: the message loop ends and the engine goes — at once when
  // no script runs, otherwise as soon as the running scripts have returned (every Wait and
  // modal loop returns at once once closing).
  void OnClose();
  // The player's restart: the engine goes as for a close (at once, or once the running scripts
  // have returned: every Wait and modal loop returns at once), then a new one is made from the
  // game folder's files as they are now and started. A game that no longer starts leaves the
  // window empty, as at the first showing, and may be restarted again.
  void OnRestart();

 private:
  platform::Host& host_;
  EngineFactory factory_;
  RestartHook beforeRestart_;
  std::unique_ptr<EngineSession> engine_;
  bool quitting_ = false;
  bool restartPending_ = false;
  bool restarting_ = false;
  void ReleaseEngineIfClosing();
  void Restart();

  platform::Bitmap blank_{platform::kScreenWidth, platform::kScreenHeight};
};

}  // namespace tav::app
