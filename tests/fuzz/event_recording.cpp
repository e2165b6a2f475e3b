// Drives the session recorder with arbitrary input (clicks, keys, held keys, answers, input box
// texts in Shift-JIS, comments, times that go back and forth): what it writes must parse as an
// event file, and every line must come back as written, at its time.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/event_file.h"
#include "platform/event_recorder.h"
#include "encoding/sjis.h"

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  uint8_t Byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  uint32_t Word() { return Byte() | Byte() << 8; }
  std::string Text() {
    std::string text;
    for (size_t n = Byte() % 24; n > 0 && size > 0; --n) text += static_cast<char>(Byte());
    return text;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tav::platform;
  // One file for the whole run, removed when the process ends, so runs leave nothing behind.
  static const struct Recording {
    std::string path = "/tmp/fuzz_event_recording_" + std::to_string(getpid()) + ".txt";
    ~Recording() { std::remove(path.c_str()); }
  } recording;
  const std::string& path = recording.path;
  std::vector<Event> expected;
  {
    EventRecorder recorder;
    std::string error;
    if (!recorder.Open(path, error)) std::abort();
    Reader in{data, size};
    uint32_t now = 0, written = 0;
    bool held[256] = {};
    auto timed = [&](Event event) {
      if (now > written) {
        Event wait;
        wait.kind = EventKind::Wait;
        wait.ms = now - written;
        expected.push_back(wait);
        written = now;
      }
      expected.push_back(event);
    };
    while (in.size > 0) {
      const uint8_t op = in.Byte() % 9;
      Event event;
      if (op == 0) {
        now += in.Word();
      } else if (op == 1) {
        now -= in.Byte();  // a line is never written before the one before it
      } else if (op == 2) {
        event.kind = EventKind::Click;
        event.x = static_cast<int>(in.Word() % 800);
        event.y = static_cast<int>(in.Word() % 600);
        recorder.Click(now, event.x, event.y);
        held[1] = false;
        timed(event);
      } else if (op >= 3 && op <= 5) {
        const int vk = 1 + in.Byte() % 254;
        event.key = vk;
        if (op == 3) {
          recorder.Key(now, vk);
          event.kind = EventKind::Key;
          held[vk] = false;
          timed(event);
        } else if (op == 4) {
          recorder.Down(now, vk);
          event.kind = EventKind::Down;
          held[vk] = true;
          timed(event);
        } else {
          recorder.Up(now, vk);
          if (held[vk]) {
            event.kind = EventKind::Up;
            held[vk] = false;
            timed(event);
          }
        }
      } else if (op == 6) {
        event.kind = EventKind::Answer;
        event.answer = static_cast<int>(in.Word()) - 32768;
        recorder.Answer(event.answer);
        expected.push_back(event);
      } else if (op == 7) {
        // What an input box hands over: Shift-JIS bytes, turned to UTF-8 for the file.
        const std::optional<std::string> text = in.Byte() % 4 == 0 ? std::nullopt : std::optional(in.Text());
        std::optional<std::string> utf8;
        if (text) utf8 = SjisToUtf8(*text);
        recorder.Input(utf8);
        event.kind = text ? EventKind::Input : EventKind::Cancel;
        if (utf8) {
          for (char c : *utf8) {
            if (c != '\r' && c != '\n' && c != '\0') event.text += c;
          }
        }
        expected.push_back(event);
      } else {
        recorder.Comment(in.Text());
      }
      if (now < written) now = written;
    }
  }
  std::ifstream file(path, std::ios::binary);
  const std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  std::vector<Event> parsed;
  std::string error;
  if (!ParseEvents(content, "recording", "", parsed, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::abort();
  }
  if (parsed.size() != expected.size()) std::abort();
  for (size_t i = 0; i < parsed.size(); ++i) {
    const Event& a = parsed[i];
    const Event& b = expected[i];
    if (a.kind != b.kind || a.x != b.x || a.y != b.y || a.key != b.key || a.ms != b.ms || a.answer != b.answer ||
        a.text != b.text) {
      std::fprintf(stderr, "line %zu differs\n", i + 1);
      std::abort();
    }
  }
  return 0;
}
