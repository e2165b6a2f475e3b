// The page's input queue (see browser_input.h). Without threads the page's handlers and the
// engine never run at the same time, so the queue needs no lock.

#include "platform/browser_input.h"

#include <emscripten/emscripten.h>

namespace tav::platform {
namespace {

std::deque<BrowserInput>& Pending() {
  static std::deque<BrowserInput> pending;
  return pending;
}

// A page that keeps handing input to a game that no longer pumps (a long script) must not grow
// without bound: beyond this the oldest mouse moves go first, then anything.
constexpr size_t kMaxPending = 4096;

void Push(BrowserInput input) {
  auto& pending = Pending();
  if (pending.size() >= kMaxPending) pending.pop_front();
  pending.push_back(std::move(input));
}

}  // namespace

std::deque<BrowserInput> TakeBrowserInput() {
  std::deque<BrowserInput> taken;
  taken.swap(Pending());
  return taken;
}

}  // namespace tav::platform

using tav::platform::BrowserInput;

extern "C" {

// kind: 0 down, 1 up, 2 move; button: 0 left, 2 right.
EMSCRIPTEN_KEEPALIVE void tav_web_mouse(int kind, int x, int y, int button) {
  BrowserInput input;
  input.kind = kind == 0 ? BrowserInput::Kind::MouseDown : kind == 1 ? BrowserInput::Kind::MouseUp
                                                                     : BrowserInput::Kind::MouseMove;
  input.x = x;
  input.y = y;
  input.right = button == 2;
  tav::platform::Push(std::move(input));
}

// mods: 1 Shift, 2 Ctrl, 4 Alt, 8 a repeat of a held key.
EMSCRIPTEN_KEEPALIVE void tav_web_key(int down, int vk, int mods) {
  if (vk <= 0 || vk > 0xFF) return;
  BrowserInput input;
  input.kind = down ? BrowserInput::Kind::KeyDown : BrowserInput::Kind::KeyUp;
  input.key = vk;
  input.shift = mods & 1;
  input.control = mods & 2;
  input.alt = mods & 4;
  input.repeat = mods & 8;
  tav::platform::Push(std::move(input));
}

EMSCRIPTEN_KEEPALIVE void tav_web_text(const char* utf8) {
  if (!utf8 || !*utf8) return;
  BrowserInput input;
  input.kind = BrowserInput::Kind::Text;
  input.text = utf8;
  tav::platform::Push(std::move(input));
}

// The page is going away (or the player pressed the overlay's end button).
EMSCRIPTEN_KEEPALIVE void tav_web_close() {
  BrowserInput input;
  input.kind = BrowserInput::Kind::Close;
  tav::platform::Push(std::move(input));
}

}  // extern "C"

