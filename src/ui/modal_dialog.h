#pragma once

// A dialog drawn by the engine inside the game window (the input box, the about box, the
// frame's menu). It knows nothing of SDL: the window's modal loop hands it input as the events
// below, in game pixels and virtual-key codes, and shows what it draws over the game's picture.

#include <cstdint>
#include <optional>
#include <string>

#include "gdi/bitmap.h"
#include "gdi/gdi_types.h"

namespace tav::platform {

struct DialogEvent {
  enum class Kind { KeyDown, Text, Composition, MouseDown, MouseUp, MouseMove };
  Kind kind = Kind::KeyDown;
  int key = 0;              // KeyDown: virtual-key code
  bool shift = false, control = false;
  int x = 0, y = 0;         // mouse: game pixels
  bool rightButton = false;  // MouseDown / MouseUp
  std::string text;         // Text, Composition: UTF-8
  int cursor = 0;           // Composition: the cursor, in characters
};

class ModalDialog {
 public:
  virtual ~ModalDialog() = default;

  // Draws the dialog over `picture` (a copy of what the game shows).
  virtual void Draw(Bitmap& picture) const = 0;
  // Answers whether the dialog's look changed.
  virtual bool Handle(const DialogEvent& event) = 0;
  // The time in milliseconds since the dialog opened; answers whether the look changed (the
  // caret blinks).
  virtual bool Tick(uint32_t /*ms*/) { return false; }
  virtual bool Finished() const = 0;
  // The window is closing: the dialog ends as cancelled.
  virtual void Cancel() = 0;
  // Where typed text goes when the dialog takes text (the input method's window goes below
  // it); nothing when it only takes keys.
  virtual std::optional<RECT> TextArea() const { return std::nullopt; }
};

}  // namespace tav::platform
