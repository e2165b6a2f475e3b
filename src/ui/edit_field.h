#pragma once

// The text of a one-line edit field: Shift-JIS characters, a caret between them, and the input
// method's composition shown at the caret while it is being typed. No drawing and no SDL, so
// that the editing rules can be tested on their own.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tav::platform {

class EditField {
 public:
  // A single-line edit control takes at most this many bytes unless told otherwise.
  static constexpr size_t kDefaultLimit = 30000;

  explicit EditField(size_t limitBytes = kDefaultLimit) : limit_(limitBytes) {}

  // Inserts UTF-8 text at the caret, one character at a time. A character that Shift-JIS
  // cannot hold, a control character, a malformed byte or one that would pass the limit is
  // refused and the rest goes on. Answers how many characters were refused.
  size_t InsertUtf8(std::string_view utf8);

  // Each answers whether anything changed. Deleting removes a whole character.
  bool Backspace();
  bool Delete();
  bool MoveLeft();
  bool MoveRight();
  bool Home();
  bool End();
  bool SetCaret(size_t index);  // clamped to the end

  // The committed text, Shift-JIS.
  std::string Text() const;
  size_t Length() const { return chars_.size(); }  // characters
  size_t Caret() const { return caret_; }

  // The input method's text being composed (UTF-8) and its cursor within it, in characters.
  void SetComposition(std::string_view utf8, size_t cursor);
  void ClearComposition() { composition_.clear(); compositionCursor_ = 0; }
  bool Composing() const { return !composition_.empty(); }

  // What the field shows: the text with the composition at the caret, as Shift-JIS characters,
  // which of them belong to the composition, and where the caret is drawn (an index into it).
  struct Display {
    std::vector<std::string> chars;
    size_t compositionBegin = 0, compositionEnd = 0;
    size_t caret = 0;
  };
  Display Shown() const;

 private:
  std::vector<std::string> chars_;  // one Shift-JIS character each
  size_t caret_ = 0;
  size_t bytes_ = 0;
  size_t limit_;
  std::vector<std::string> composition_;  // converted for display; unmappable ones show as '?'
  size_t compositionCursor_ = 0;
};

// The UTF-8 characters of `utf8`, each as its own string; a malformed byte stands alone.
std::vector<std::string> SplitUtf8Chars(std::string_view utf8);

// The character as Shift-JIS, or "" when code page 932 has no place for it (or it is a control
// character or malformed).
std::string SjisCharFromUtf8(std::string_view utf8Char);

}  // namespace tav::platform
