#include "medialib/esl_string.h"

#include <cstring>
#include <utility>

#include "medialib/heap.h"
#include "encoding/sjis.h"
#include "encoding/utf16.h"

namespace tav::medialib {

template <class Char>
EHeapString<Char>::EHeapString(EHeapString&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

template <class Char>
EHeapString<Char>& EHeapString<Char>::operator=(const EHeapString& other) {
  if (this != &other) Assign(other.View());
  return *this;
}

template <class Char>
EHeapString<Char>& EHeapString<Char>::operator=(EHeapString&& other) noexcept {
  if (this != &other) {
    eslHeapFree(nullptr, data_, 0);
    data_ = std::exchange(other.data_, nullptr);
    length_ = std::exchange(other.length_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

template <class Char>
EHeapString<Char>::~EHeapString() {
  eslHeapFree(nullptr, data_, 0);
}

template <class Char>
const Char* EHeapString<Char>::CStr() const {
  static const Char kEmpty{};
  return data_ != nullptr ? data_ : &kEmpty;
}

template <class Char>
bool EHeapString<Char>::Reserve(size_t length) {
  if (length <= capacity_ && data_ != nullptr) return true;
  if (length > kEslHeapMaxBlock / sizeof(Char) / 2) return false;
  size_t capacity = length + length / 2 + 1;
  void* grown = eslHeapReallocate(nullptr, data_, (capacity + 1) * sizeof(Char), 0);
  if (grown == nullptr) return false;
  data_ = static_cast<Char*>(grown);
  capacity_ = capacity;
  return true;
}

template <class Char>
bool EHeapString<Char>::Assign(std::basic_string_view<Char> text) {
  if (!Reserve(text.size())) return false;
  std::memmove(data_, text.data(), text.size() * sizeof(Char));
  length_ = text.size();
  data_[length_] = Char{};
  return true;
}

template <class Char>
bool EHeapString<Char>::Append(std::basic_string_view<Char> text) {
  if (length_ + text.size() < length_ || !Reserve(length_ + text.size())) return false;
  std::memmove(data_ + length_, text.data(), text.size() * sizeof(Char));
  length_ += text.size();
  data_[length_] = Char{};
  return true;
}

template class EHeapString<char>;
template class EHeapString<char16_t>;

std::string Utf16ToUtf8(std::u16string_view text) { return platform::Utf16ToUtf8(text, U'\uFFFD'); }

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    auto byte = static_cast<unsigned char>(text[i]);
    int extra = byte < 0x80 ? 0 : (byte >> 5) == 6 ? 1 : (byte >> 4) == 14 ? 2 : (byte >> 3) == 30 ? 3 : -1;
    uint32_t c = extra == 0 ? byte : extra == 1 ? byte & 0x1F : extra == 2 ? byte & 0x0F : byte & 0x07;
    bool ok = extra >= 0 && i + extra < text.size() + (extra == 0 ? 1 : 0);
    for (int k = 1; ok && k <= extra; ++k) {
      if (i + k >= text.size()) {
        ok = false;
        break;
      }
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (next & 0x3F);
    }
    if (!ok || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    i += extra + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

EWideString EWideString::FromSjis(std::string_view sjis) {
  return FromUtf8(platform::SjisToUtf8(sjis));
}

EWideString EWideString::FromUtf8(std::string_view utf8) {
  std::u16string wide = Utf8ToUtf16(utf8);
  return EWideString(std::u16string_view(wide));
}

std::string EWideString::ToUtf8() const { return Utf16ToUtf8(View()); }

}  // namespace tav::medialib
