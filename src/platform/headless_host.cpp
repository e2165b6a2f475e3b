#include "platform/headless_host.h"

#include <algorithm>
#include <cstdio>

#include "platform/audio_output.h"
#include "os/message_box.h"

namespace tav::platform {

int HeadlessHost::MessageBox(std::string_view textSjis, std::string_view, unsigned style, bool fromScript) {
  // Standard output belongs to the script's own dialogs; the engine's go to standard error.
  PrintDialogLine(fromScript ? stdout : stderr, "MessageBox", textSjis);
  int answer = DefaultButton(style);
  if (fromScript) {
    if (const std::optional<int> given = TakeMessageBoxAnswer(style, textSjis)) answer = *given;
    RecordMessageBoxAnswer(answer);
  }
  return answer;
}

std::optional<std::string> HeadlessHost::InputBox(std::string_view promptSjis) {
  PrintDialogLine(stdout, "InputBox", promptSjis);
  std::optional<std::string> text;
  TakeInputBoxAnswer(text);
  RecordInputBoxAnswer(text);
  return text;
}

void HeadlessHost::Sleep(uint32_t ms) {
  RecordSleep(ms);
  MoveClockTo(now_ + ms);
}

void HeadlessHost::MoveClockTo(uint32_t now) {
  if (now == now_) return;
  now_ = now;
  MoveVirtualClock(now_);
}

void HeadlessHost::WaitForInput() {
  // Nothing is ready, so the engine would wait: time jumps to the next line, and past the last
  // one (and any trailing wait) the player closes the window.
  if (const EventSchedule::Timed* next = Schedule().Next()) {
    MoveClockTo(std::max(now_, next->due));
  } else {
    MoveClockTo(std::max(now_, Schedule().EndTime()));
    Enqueue({MessageKind::Close});
  }
}

std::unique_ptr<Host> CreateHeadlessHost(const HostOptions& options) {
  return std::make_unique<HeadlessHost>(options);
}

}  // namespace tav::platform
