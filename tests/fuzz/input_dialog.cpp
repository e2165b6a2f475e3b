// Feeds the input box what a window hands it from outside: typed and composed text (any bytes,
// as an input method or the clipboard may deliver them), keys and pointer positions, and draws
// one input in eight after each event, so that the edit rules, scrolling and drawing all see
// hostile input. A drawing costs many times what an edit does: the other inputs try the edit
// rules alone, many more of them a second.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "costly_share.h"
#include "encoding/sjis.h"
#include "ui/input_dialog.h"

// fontconfig keeps parts of its configuration for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tav::platform;
  InputDialog dialog("prompt", 320, 200);
  std::optional<Bitmap> picture;
  if (tav::fuzzing::InCostlyShare(data, size, 8)) picture.emplace(320, 200);
  size_t i = 0;
  while (i < size && !dialog.Finished()) {
    const uint8_t op = data[i++];
    DialogEvent event;
    const size_t length = i < size ? data[i++] % 16 : 0;
    const std::string bytes(reinterpret_cast<const char*>(data + i), std::min(length, size - i));
    i += bytes.size();
    switch (op % 5) {
      case 0: event.kind = DialogEvent::Kind::Text; event.text = bytes; break;
      case 1: event.kind = DialogEvent::Kind::Composition; event.text = bytes; event.cursor = op; break;
      case 2: event.key = bytes.empty() ? 0 : static_cast<uint8_t>(bytes[0]); break;
      case 3:
        event.kind = bytes.size() > 2 && bytes[2] & 1 ? DialogEvent::Kind::MouseUp : DialogEvent::Kind::MouseDown;
        event.x = bytes.empty() ? 0 : static_cast<int8_t>(bytes[0]) * 3 + 160;
        event.y = bytes.size() < 2 ? 0 : static_cast<int8_t>(bytes[1]) + 100;
        break;
      default: dialog.Tick(op * 100u); break;
    }
    if (op % 5 != 4) dialog.Handle(event);
    if (picture) dialog.Draw(*picture);
  }
  if (dialog.Result()) {
    // Whatever was accepted converts back without loss.
    if (Utf8ToSjis(SjisToUtf8(*dialog.Result())) != *dialog.Result()) __builtin_trap();
  }
  return 0;
}
