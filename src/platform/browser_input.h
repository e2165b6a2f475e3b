#pragma once

// What the page hands the browser host: clicks and keys already in game pixels and virtual-key
// codes (the page knows where the picture is on screen and which key the browser reported), and
// typed text. The page calls the exported functions from its own event handlers, also while the
// engine sleeps in a nested loop; the host takes the input when it next pumps.

#include <cstdint>
#include <deque>
#include <string>

namespace tav::platform {

struct BrowserInput {
  enum class Kind { MouseDown, MouseUp, MouseMove, KeyDown, KeyUp, Text, Close };
  Kind kind = Kind::KeyDown;
  int x = 0, y = 0;    // mouse: game pixels
  bool right = false;  // mouse: the right button
  int key = 0;         // keys: virtual-key code
  bool shift = false, control = false, alt = false, repeat = false;
  std::string text;    // Text: UTF-8
};

// Takes everything the page has handed over since the last call, in order.
std::deque<BrowserInput> TakeBrowserInput();

}  // namespace tav::platform
