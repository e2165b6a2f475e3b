// The view stack: the screens of a game, the base screen at the bottom, the shown one on top,
// and what scripts and input do with them — make a screen from a stored view, refresh the top
// one (update its appearances against a frame, draw it, repaint the window), pop screens, wait
// for a screen's result, and run the handlers of clicks and keys.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/screen.h"
#include "script/core/var_array.h"

namespace tav::engine {

class TAV_GameSystem;

class ViewStack {
 public:
  // Screens a game may stack, the base screen included. Each holds its own 800 x 600 picture
  // (about 1.9 MB), so a game that makes screens in a loop and never pops them would take the
  // machine's memory; past this many, no screen is made.
  static constexpr size_t kMaxScreens = 1000;

  // Adds the base screen; the stack is never empty afterwards.
  void CreateBase();
  void Clear() { screens_.clear(); }

  bool Empty() const { return screens_.empty(); }
  size_t Size() const { return screens_.size(); }
  bool Full() const { return screens_.size() >= kMaxScreens; }
  // True at the first refusal since the stack last had room: a game that stacks screens in a
  // loop hears of it once, not at every pass.
  bool FirstRefusal() {
    const bool first = !refused_;
    refused_ = true;
    return first;
  }
  TAV_Screen* Top() const { return screens_.empty() ? nullptr : screens_.back().get(); }
  TAV_Screen* At(size_t i) const { return screens_[i].get(); }

  // A new screen over the top one, copied from `stored`, pushed. The stack holds one count.
  TAV_Screen* Push(screen::TOL_VarView& stored);
  // Pops up to `count` screens, never the base screen.
  void Pop(int32_t count);

 private:
  std::vector<script::Ref<TAV_Screen>> screens_;
  bool refused_ = false;  // reset whenever a screen is made
};

// Updates the top screen against `frame` (which carries the screen in slot 1 meanwhile, and its
// WITH object in slot 2 and as the members WITH and PARENT afterwards), draws it and asks the
// window to repaint. With an empty stack only the repaint is asked for.
void RefreshTopScreen(TAV_GameSystem& game, script::TOL_VarObArray* frame);

// Pumps messages until `screen` has a result; answers it (counted), or none when the window
// closed first. The screen is kept alive meanwhile even if a handler pops it.
script::VarRef RunModalLoop(TAV_Screen& screen);

// A handler's frame: the screen in slot 1 and as THIS, its WITH object (when it has one) in
// slot 2 and as WITH, and also as PARENT unless `parentOnlyForArrays` and it is no array; the
// global object in slot 3.
script::Ref<script::TOL_VarObArray> EventFrame(TAV_GameSystem& game, TAV_Screen& screen,
                                               bool parentOnlyForArrays = false);

// A left click at (x, y) on the top screen: the first appearance found visible, active and
// under the point raises its LEFTDOWN handler.
void DispatchClick(TAV_GameSystem& game, int x, int y);
// A key press: the first visible active appearance bound to the key (or to any key) raises its
// LEFTDOWN handler when its key-click flag is set.
void DispatchKey(TAV_GameSystem& game, int virtualKey);

}  // namespace tav::engine
