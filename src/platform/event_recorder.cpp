#include "platform/event_recorder.h"

#include <cerrno>
#include <cstring>

#include "os/diagnostics.h"
#include "os/virtual_keys.h"

namespace tav::platform {

std::string EventKeyWord(int vk) {
  for (const char* name : {"RETURN", "ESCAPE", "SPACE", "TAB", "BACK", "LEFT", "UP", "RIGHT", "DOWN", "SHIFT",
                           "CONTROL", "HOME", "END", "PRIOR", "NEXT", "INSERT", "DELETE"}) {
    if (VirtualKeyFromName(name) == vk) return name;
  }
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, static_cast<char>(vk));
  if (vk >= VK_F1 && vk < VK_F1 + 12) return "F" + std::to_string(vk - VK_F1 + 1);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return "NUMPAD" + std::to_string(vk - VK_NUMPAD0);
  std::string code = std::to_string(vk & 0xFF);
  return code.size() < 2 ? "0" + code : code;
}

bool EventRecorder::Open(const std::string& path, std::string& error) {
  file_.reset(std::fopen(path.c_str(), "w"));
  if (!file_) {
    error = path + ": cannot write: " + std::strerror(errno);
    return false;
  }
  path_ = path;
  return true;
}

void EventRecorder::Write(const std::string& line) {
  if (!file_ || failed_) return;
  if (std::fputs(line.c_str(), file_.get()) < 0 || std::fputc('\n', file_.get()) == EOF ||
      std::fflush(file_.get()) != 0) {
    failed_ = true;
    Diagnose(Severity::Error, "", "cannot write the event recording " + path_ + "; it stops here");
  }
}

void EventRecorder::Timed(uint32_t due, const std::string& line) {
  // Lines go out in the order they happen; a due time behind the last line's is that line's.
  if (due > written_) {
    Write("wait " + std::to_string(due - written_));
    written_ = due;
  }
  Write(line);
}

void EventRecorder::Click(uint32_t due, int x, int y) {
  held_[VK_LBUTTON] = false;
  Timed(due, "click " + std::to_string(x) + " " + std::to_string(y));
}

void EventRecorder::Key(uint32_t due, int vk) {
  held_[vk & 0xFF] = false;
  Timed(due, "key " + EventKeyWord(vk));
}

void EventRecorder::Down(uint32_t due, int vk) {
  held_[vk & 0xFF] = true;
  Timed(due, "down " + EventKeyWord(vk));
}

void EventRecorder::Up(uint32_t due, int vk) {
  if (!held_[vk & 0xFF]) return;
  held_[vk & 0xFF] = false;
  Timed(due, "up " + EventKeyWord(vk));
}
void EventRecorder::Quit(uint32_t due) { Timed(due, "quit"); }

void EventRecorder::Answer(int answer) { Write("answer " + std::to_string(answer)); }

void EventRecorder::Input(const std::optional<std::string>& textUtf8) {
  if (!textUtf8) {
    Write("cancel");
    return;
  }
  // A line holds one line of text: a break (which an input box does not take) cannot be kept.
  std::string text = *textUtf8;
  if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
    Diagnose(Severity::Warning, "", "an input text with a line break is recorded without it");
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
  }
  Write("input " + text);
}

void EventRecorder::Comment(std::string_view text) {
  std::string line = "# ";
  for (char c : text) line += c == '\r' || c == '\n' || c == '\0' ? ' ' : c;
  Write(line);
}

}  // namespace tav::platform
