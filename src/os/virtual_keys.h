#pragma once

// Windows virtual-key codes: the engine's key events and key state speak them whatever
// produced the key (an SDL keyboard event or a line of the event file).

#include <cstdint>
#include <string_view>

namespace tav::platform {

constexpr int VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_MBUTTON = 0x04;
constexpr int VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22;
constexpr int VK_END = 0x23, VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28;
constexpr int VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E;
// '0'-'9' are 0x30-0x39 and 'A'-'Z' are 0x41-0x5A.
constexpr int VK_LWIN = 0x5B, VK_RWIN = 0x5C, VK_APPS = 0x5D;
constexpr int VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70, VK_F10 = 0x79;
constexpr int VK_NUMLOCK = 0x90, VK_SCROLL = 0x91;
constexpr int VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1, VK_LCONTROL = 0xA2, VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4, VK_RMENU = 0xA5;
constexpr int VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD;
constexpr int VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB;
constexpr int VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE, VK_OEM_102 = 0xE2;

// The key names of the event file (A-Z, 0-9, F1-F12, RETURN, ESCAPE, ..., NUMPAD0-NUMPAD9), in
// any case; 0 for an unknown name.
int VirtualKeyFromName(std::string_view name);

// The key of an SDL keyboard event (its SDL_Keycode and SDL_Scancode); 0 when Windows has none.
// Letters and digits follow the keyboard layout, the other keys their position.
int VirtualKeyFromSdl(int32_t sdlKeycode, int sdlScancode);

// What GetKeyState answers: 0x80 while a key is held, 0x01 flipped by each press.
class KeyboardState {
 public:
  void Press(int vk);
  void Release(int vk);
  uint8_t Get(int vk) const { return state_[vk & 0xFF]; }
  void CopyTo(uint8_t out[256]) const;

 private:
  uint8_t state_[256] = {};
};

}  // namespace tav::platform
