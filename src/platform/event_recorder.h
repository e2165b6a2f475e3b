#pragma once

// Writes a session as an event file (the format event_file.h reads): clicks in game pixels,
// keys, held keys, the waits between them, the answers of the script's message boxes and the
// texts of its input boxes. Each line is written and flushed as it happens, so a session that
// ends abruptly still leaves what it did.

#include <bitset>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tav::platform {

class EventRecorder {
 public:
  // False, with `error` set, when the file cannot be written.
  bool Open(const std::string& path, std::string& error);
  bool IsOpen() const { return file_ != nullptr; }

  // `due` is the line's time in replay milliseconds; a wait line comes first when it is later
  // than the line before.
  void Click(uint32_t due, int x, int y);
  void Key(uint32_t due, int vk);
  void Down(uint32_t due, int vk);
  void Up(uint32_t due, int vk);
  void Quit(uint32_t due);
  void Answer(int answer);
  // The text (UTF-8) of an input box, or nothing for a cancel.
  void Input(const std::optional<std::string>& textUtf8);
  // A line starting with '#'; line breaks in `text` become blanks.
  void Comment(std::string_view text);

 private:
  struct Close {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  void Timed(uint32_t due, const std::string& line);
  void Write(const std::string& line);

  std::unique_ptr<std::FILE, Close> file_;
  std::string path_;
  uint32_t written_ = 0;  // the due time of the last line
  // The keys a replay holds after the lines so far: a replayed click or key releases at once,
  // so the session's later release of it needs no line.
  std::bitset<256> held_;
  bool failed_ = false;
};

// The event file's word for a virtual key: its name where it has one, else its code with at
// least two digits (a single digit would name the digit key).
std::string EventKeyWord(int vk);

}  // namespace tav::platform
