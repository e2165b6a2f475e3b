#pragma once

// `EString` (8-bit text, Shift-JIS like all the engine's text) and `EWideString` (UTF-16):
// strings on the library heap. Capacity grows to 1.5 times the needed length plus one, so that
// strings built piece by piece reallocate rarely.

#include <cstddef>
#include <string>
#include <string_view>

namespace tav::medialib {

template <class Char>
class EHeapString {
 public:
  EHeapString() = default;
  EHeapString(std::basic_string_view<Char> text) { Assign(text); }  // NOLINT: implicit on purpose
  EHeapString(const EHeapString& other) { Assign(other.View()); }
  EHeapString(EHeapString&& other) noexcept;
  EHeapString& operator=(const EHeapString& other);
  EHeapString& operator=(EHeapString&& other) noexcept;
  ~EHeapString();

  // False when the heap refused (the string is then unchanged).
  bool Assign(std::basic_string_view<Char> text);
  bool Append(std::basic_string_view<Char> text);
  void Clear() { length_ = 0; }

  size_t GetLength() const { return length_; }
  bool IsEmpty() const { return length_ == 0; }
  // Zero-terminated; never null.
  const Char* CStr() const;
  std::basic_string_view<Char> View() const { return {CStr(), length_}; }
  Char operator[](size_t index) const { return index < length_ ? data_[index] : Char{}; }
  bool operator==(std::basic_string_view<Char> other) const { return View() == other; }

 private:
  bool Reserve(size_t length);

  Char* data_ = nullptr;
  size_t length_ = 0;
  size_t capacity_ = 0;  // characters, without the terminator
};

class EString : public EHeapString<char> {
 public:
  using EHeapString::EHeapString;
  EString(const char* text) : EHeapString(std::string_view(text)) {}  // NOLINT
};

class EWideString : public EHeapString<char16_t> {
 public:
  using EHeapString::EHeapString;
  // 8-bit text in the system code page (Shift-JIS).
  static EWideString FromSjis(std::string_view sjis);
  static EWideString FromUtf8(std::string_view utf8);
  std::string ToUtf8() const;
};

// UTF-16 to UTF-8 and back; unpaired surrogates and malformed bytes become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace tav::medialib
