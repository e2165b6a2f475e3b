#include "os/virtual_keys.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace tav::platform {
namespace {

struct NamedKey {
  const char* name;
  int vk;
};

constexpr NamedKey kNamedKeys[] = {
    {"RETURN", VK_RETURN}, {"ESCAPE", VK_ESCAPE}, {"SPACE", VK_SPACE},     {"TAB", VK_TAB},
    {"BACK", VK_BACK},     {"LEFT", VK_LEFT},     {"UP", VK_UP},           {"RIGHT", VK_RIGHT},
    {"DOWN", VK_DOWN},     {"SHIFT", VK_SHIFT},   {"CONTROL", VK_CONTROL}, {"HOME", VK_HOME},
    {"END", VK_END},       {"PRIOR", VK_PRIOR},   {"NEXT", VK_NEXT},       {"INSERT", VK_INSERT},
    {"DELETE", VK_DELETE},
};

// Parses the digits after a prefix such as "F" or "NUMPAD": the number, or -1.
int SmallNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 2 || (digits.size() == 2 && digits[0] == '0')) return -1;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

}  // namespace

int VirtualKeyFromName(std::string_view name) {
  std::string upper(name);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (upper.size() == 1) {
    const char c = upper[0];
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : 0;
  }
  for (const NamedKey& key : kNamedKeys) {
    if (upper == key.name) return key.vk;
  }
  const std::string_view view(upper);
  if (view.starts_with("F")) {
    const int n = SmallNumber(view.substr(1));
    if (n >= 1 && n <= 12) return VK_F1 + n - 1;
  }
  if (view.starts_with("NUMPAD")) {
    const int n = SmallNumber(view.substr(6));
    if (n >= 0 && n <= 9) return VK_NUMPAD0 + n;
  }
  return 0;
}

int VirtualKeyFromSdl(int32_t sdlKeycode, int sdlScancode) {
  if (sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z) return 'A' + (sdlKeycode - SDLK_a);
  if (sdlKeycode >= SDLK_0 && sdlKeycode <= SDLK_9) return '0' + (sdlKeycode - SDLK_0);
  const auto scancode = static_cast<SDL_Scancode>(sdlScancode);
  const auto inRange = [scancode](SDL_Scancode first, SDL_Scancode last) {
    return scancode >= first && scancode <= last;
  };
  if (inRange(SDL_SCANCODE_A, SDL_SCANCODE_Z)) return 'A' + (scancode - SDL_SCANCODE_A);
  if (inRange(SDL_SCANCODE_1, SDL_SCANCODE_9)) return '1' + (scancode - SDL_SCANCODE_1);
  if (inRange(SDL_SCANCODE_F1, SDL_SCANCODE_F12)) return VK_F1 + (scancode - SDL_SCANCODE_F1);
  if (inRange(SDL_SCANCODE_F13, SDL_SCANCODE_F24)) return VK_F1 + 12 + (scancode - SDL_SCANCODE_F13);
  if (inRange(SDL_SCANCODE_KP_1, SDL_SCANCODE_KP_9)) return VK_NUMPAD0 + 1 + (scancode - SDL_SCANCODE_KP_1);
  switch (scancode) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: return VK_MENU;
    case SDL_SCANCODE_LGUI: return VK_LWIN;
    case SDL_SCANCODE_RGUI: return VK_RWIN;
    case SDL_SCANCODE_APPLICATION: return VK_APPS;
    case SDL_SCANCODE_PAUSE: return VK_PAUSE;
    case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
    case SDL_SCANCODE_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDL_SCANCODE_SCROLLLOCK: return VK_SCROLL;
    case SDL_SCANCODE_PRINTSCREEN: return VK_SNAPSHOT;
    case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
    case SDL_SCANCODE_END: return VK_END;
    case SDL_SCANCODE_HOME: return VK_HOME;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_INSERT: return VK_INSERT;
    case SDL_SCANCODE_DELETE: return VK_DELETE;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PERIOD: return VK_DECIMAL;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    case SDL_SCANCODE_NONUSBACKSLASH: return VK_OEM_102;
    default: return 0;
  }
}

void KeyboardState::Press(int vk) {
  uint8_t& s = state_[vk & 0xFF];
  // Auto-repeat does not flip the toggle: only a key that was up can be pressed.
  if (!(s & 0x80)) s = static_cast<uint8_t>((s ^ 0x01) | 0x80);
}

void KeyboardState::Release(int vk) { state_[vk & 0xFF] &= 0x01; }

void KeyboardState::CopyTo(uint8_t out[256]) const { std::memcpy(out, state_, sizeof state_); }

}  // namespace tav::platform
