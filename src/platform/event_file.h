#pragma once

// The event file: scripted input for runs without a player (tests, recordings), one event a
// line. Every line but the dialog answers has a due time, the sum of the waits before it; the
// dialog answers (answer, input, cancel) form a queue of their own in file order.
//
//   click X Y      left-button press and release at game point (X, Y)
//   key K          key press and release; K is a name (A, 0, F1, RETURN, NUMPAD0 ...) or a
//                  decimal virtual-key code of two or more digits ("key 9" is the digit key,
//                  "key 09" the code 9, TAB)
//   down K, up K   a key's held state changes without an event
//   wait MS        MS milliseconds pass
//   answer N       the result of the next message box
//   input TEXT     the text of the next input box: the rest of the line after one blank (UTF-8)
//   cancel         the next input box is cancelled
//   shot FILE      the picture on screen is written as PNG
//   quit           the window is closed
//
// Blank lines and lines starting with '#' are ignored. A '#' after a blank starts a trailing
// comment on every line but input and shot, whose text may hold one.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tav::platform {

enum class EventKind { Click, Key, Down, Up, Wait, Answer, Input, Cancel, Shot, Quit };

struct Event {
  EventKind kind = EventKind::Quit;
  int x = 0, y = 0;   // Click
  int key = 0;        // Key, Down, Up: virtual-key code
  uint32_t ms = 0;    // Wait
  int answer = 0;     // Answer
  std::string text;   // Input (UTF-8), Shot (the path, resolved)
  int line = 0;       // where it came from, for messages
};

// Parses the text of an event file; `name` is used in messages ("events.txt:3: ..."), and a
// relative shot path is taken from `baseDir` (the directory tav was started in).
bool ParseEvents(std::string_view content, const std::string& name, const std::string& baseDir,
                 std::vector<Event>& out, std::string& error);

// Reads and parses the file at `path`.
bool ParseEventFile(const std::string& path, const std::string& baseDir, std::vector<Event>& out,
                    std::string& error);

// The parsed events in the form the hosts consume them: the timed lines with their due times,
// and the dialog answers.
class EventSchedule {
 public:
  struct Timed {
    Event event;
    uint32_t due = 0;
  };

  EventSchedule() = default;
  explicit EventSchedule(const std::vector<Event>& events);

  // The next timed line, or null when none is left.
  const Timed* Next() const { return timed_.empty() ? nullptr : &timed_.front(); }
  void PopNext() { timed_.pop_front(); }
  // The sum of all waits: when the last line (a trailing wait included) is over.
  uint32_t EndTime() const { return end_; }

  const Event* NextAnswer() const { return answers_.empty() ? nullptr : &answers_.front(); }
  void PopAnswer() { answers_.pop_front(); }

 private:
  std::deque<Timed> timed_;
  std::deque<Event> answers_;
  uint32_t end_ = 0;
};

}  // namespace tav::platform
