// Prints what SjisToUtf8 and Utf8ToSjis make of every input that matters: each byte alone and
// each pair of bytes (so every code, every unmapped or malformed one, and what follows a bad
// one), every code point of the first plane and samples of the others in UTF-8, every cut-off
// and malformed UTF-8 sequence of up to three bytes, and the four-byte and longer forms. The web
// build's listing must equal the native build's (which converts through iconv CP932).
#include <cstdio>
#include <string>

#include "encoding/sjis.h"

namespace {

void Line(char direction, const std::string& in, const std::string& out) {
  std::string text(1, direction);
  char hex[4];
  text += ' ';
  for (unsigned char c : in) {
    std::snprintf(hex, sizeof hex, "%02X", c);
    text += hex;
  }
  text += ' ';
  for (unsigned char c : out) {
    std::snprintf(hex, sizeof hex, "%02X", c);
    text += hex;
  }
  text += '\n';
  std::fputs(text.c_str(), stdout);
}

void Sjis(const std::string& in) { Line('S', in, tav::platform::SjisToUtf8(in)); }
void Utf8(const std::string& in) { Line('U', in, tav::platform::Utf8ToSjis(in)); }

std::string Encode(unsigned cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | cp >> 6);
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | cp >> 12);
    s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | cp >> 18);
    s += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

std::string Bytes(std::initializer_list<unsigned> bytes) {
  std::string s;
  for (unsigned b : bytes) s += static_cast<char>(b);
  return s;
}

}  // namespace

int main() {
  for (unsigned a = 0; a < 256; ++a) {
    Sjis(Bytes({a}));
    for (unsigned b = 0; b < 256; ++b) Sjis(Bytes({a, b}));
  }
  for (unsigned cp = 0; cp < 0x10000; ++cp) {
    if (cp < 0xD800 || cp > 0xDFFF) Utf8(Encode(cp) + "A");
  }
  for (unsigned cp = 0x10000; cp <= 0x10FFFF; cp += 0x3F1) Utf8(Encode(cp) + "A");
  for (unsigned a = 0x80; a < 256; ++a) {
    Utf8(Bytes({a}));
    Utf8(Bytes({a, 'A'}));
    for (unsigned b = 0x80; b < 0xC0; ++b) {
      Utf8(Bytes({a, b}));
      if (a >= 0xE0) {
        for (unsigned c = 0x80; c < 0xC0; c += 0x0F) Utf8(Bytes({a, b, c}) + "A");
        Utf8(Bytes({a, b, 0x80}));
        Utf8(Bytes({a, b, 0x80, 0x80}) + "A");
        Utf8(Bytes({a, b, 0x80, 0x80, 0x80, 0x80}) + "A");
      }
    }
  }
  return 0;
}
