#include "ui/edit_field.h"

#include <algorithm>

#include "encoding/sjis.h"

namespace tav::platform {

std::vector<std::string> SplitUtf8Chars(std::string_view utf8) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < utf8.size()) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    size_t n = 1;
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) n = 3;
    else if (c >= 0xF0 && c <= 0xF4) n = 4;
    if (n > 1 && (i + n > utf8.size() || !IsValidUtf8(utf8.substr(i, n)))) n = 1;
    out.emplace_back(utf8.substr(i, n));
    i += n;
  }
  return out;
}

std::string SjisCharFromUtf8(std::string_view utf8Char) {
  if (utf8Char.empty() || !IsValidUtf8(utf8Char)) return {};
  const auto first = static_cast<unsigned char>(utf8Char[0]);
  if (first < 0x20 || first == 0x7F) return {};
  // C1 controls (U+0080 … U+009F) are two bytes starting 0xC2 0x80 … 0xC2 0x9F.
  if (first == 0xC2 && static_cast<unsigned char>(utf8Char[1]) < 0xA0) return {};
  std::string sjis = Utf8ToSjis(utf8Char);
  // The converter marks what it cannot map with '?'; a typed '?' is itself.
  if (sjis == "?" && utf8Char != "?") return {};
  if (sjis.find('?') != std::string::npos && utf8Char.find('?') == std::string_view::npos) return {};
  return sjis;
}

size_t EditField::InsertUtf8(std::string_view utf8) {
  size_t refused = 0;
  for (const std::string& c : SplitUtf8Chars(utf8)) {
    std::string sjis = SjisCharFromUtf8(c);
    if (sjis.empty() || bytes_ + sjis.size() > limit_) {
      ++refused;
      continue;
    }
    bytes_ += sjis.size();
    chars_.insert(chars_.begin() + static_cast<std::ptrdiff_t>(caret_++), std::move(sjis));
  }
  return refused;
}

bool EditField::Backspace() {
  if (caret_ == 0) return false;
  --caret_;
  bytes_ -= chars_[caret_].size();
  chars_.erase(chars_.begin() + static_cast<std::ptrdiff_t>(caret_));
  return true;
}

bool EditField::Delete() {
  if (caret_ >= chars_.size()) return false;
  bytes_ -= chars_[caret_].size();
  chars_.erase(chars_.begin() + static_cast<std::ptrdiff_t>(caret_));
  return true;
}

bool EditField::MoveLeft() { return caret_ > 0 && SetCaret(caret_ - 1); }
bool EditField::MoveRight() { return SetCaret(caret_ + 1); }
bool EditField::Home() { return SetCaret(0); }
bool EditField::End() { return SetCaret(chars_.size()); }

bool EditField::SetCaret(size_t index) {
  index = std::min(index, chars_.size());
  if (index == caret_) return false;
  caret_ = index;
  return true;
}

std::string EditField::Text() const {
  std::string out;
  out.reserve(bytes_);
  for (const std::string& c : chars_) out += c;
  return out;
}

void EditField::SetComposition(std::string_view utf8, size_t cursor) {
  composition_.clear();
  for (const std::string& c : SplitUtf8Chars(utf8)) {
    std::string sjis = SjisCharFromUtf8(c);
    composition_.push_back(sjis.empty() ? "?" : std::move(sjis));
  }
  compositionCursor_ = std::min(cursor, composition_.size());
}

EditField::Display EditField::Shown() const {
  Display shown;
  shown.chars.reserve(chars_.size() + composition_.size());
  shown.chars.insert(shown.chars.end(), chars_.begin(), chars_.begin() + static_cast<std::ptrdiff_t>(caret_));
  shown.compositionBegin = shown.chars.size();
  shown.chars.insert(shown.chars.end(), composition_.begin(), composition_.end());
  shown.compositionEnd = shown.chars.size();
  shown.chars.insert(shown.chars.end(), chars_.begin() + static_cast<std::ptrdiff_t>(caret_), chars_.end());
  shown.caret = composition_.empty() ? caret_ : shown.compositionBegin + compositionCursor_;
  return shown;
}

}  // namespace tav::platform
