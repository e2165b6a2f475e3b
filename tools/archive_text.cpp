#include "archive_text.h"

#include <vector>

#include "encoding/sjis.h"
#include "encoding/utf16.h"

namespace tav::tools {
namespace {

enum class LengthForm { kByte, kWord, kDword };

const char* FormName(LengthForm form) {
  switch (form) {
    case LengthForm::kByte: return "byte";
    case LengthForm::kWord: return "word";
    case LengthForm::kDword: return "dword";
  }
  return "byte";
}

// The form the writer chooses: outside a UTF-16 string a WORD of 0xFFFE is the UTF-16 marker,
// inside one it is an ordinary length.
LengthForm Shortest(uint32_t n, bool inner) {
  if (n < 0xFF) return LengthForm::kByte;
  if (n < (inner ? 0xFFFFu : 0xFFFEu)) return LengthForm::kWord;
  return LengthForm::kDword;
}

uint32_t ReadLength(archive::Archive& ar, LengthForm& form, bool& utf16, bool inner) {
  uint8_t b = ar.ReadByte();
  if (b < 0xFF) {
    form = LengthForm::kByte;
    return b;
  }
  uint16_t w = ar.ReadWord();
  if (w == 0xFFFE && !inner) {
    utf16 = true;
    return ReadLength(ar, form, utf16, true);
  }
  if (w < 0xFFFF) {
    form = LengthForm::kWord;
    return w;
  }
  form = LengthForm::kDword;
  return ar.ReadDword();
}

void WriteLength(archive::Archive& ar, uint32_t n, LengthForm form, bool inner, const std::string& path) {
  switch (form) {
    case LengthForm::kByte:
      if (n >= 0xFF) throw JsonError(path, "length form \"byte\" cannot hold " + std::to_string(n) + " units");
      ar.WriteByte(static_cast<uint8_t>(n));
      return;
    case LengthForm::kWord:
      if (n >= (inner ? 0xFFFFu : 0xFFFEu)) {
        throw JsonError(path, "length form \"word\" cannot hold " + std::to_string(n) + " units");
      }
      ar.WriteByte(0xFF);
      ar.WriteWord(static_cast<uint16_t>(n));
      return;
    case LengthForm::kDword:
      ar.WriteByte(0xFF);
      ar.WriteWord(0xFFFF);
      ar.WriteDword(n);
      return;
  }
}

std::string Utf16LeToUtf8(const std::string& bytes, bool& exact) {
  std::u16string units = platform::Utf16LeUnits(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size() / 2);
  return platform::Utf16ToUtf8(units, U'?', &exact);
}

// UTF-8 (already checked by the JSON parser) to UTF-16LE bytes.
std::string Utf8ToUtf16Le(const std::string& text) {
  std::string out;
  auto put = [&](uint32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  };
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    uint32_t cp;
    size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (i + len > text.size()) break;
    cp = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
    for (size_t k = 1; k < len; ++k) cp = cp << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 | (cp >> 10));
      put(0xDC00 | (cp & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out;
}

}  // namespace

bool SjisToUtf8Exact(const std::string& sjis, std::string& utf8) {
  utf8 = platform::SjisToUtf8(sjis);
  return platform::Utf8ToSjis(utf8) == sjis;
}

std::string Utf8ToSjisChecked(const std::string& utf8, const std::string& path) {
  std::string sjis = platform::Utf8ToSjis(utf8);
  if (platform::SjisToUtf8(sjis) != utf8) {
    throw JsonError(path, "text holds a character that Shift-JIS cannot hold (give the bytes as {\"hex\": ...})");
  }
  return sjis;
}

Json ReadStringJson(archive::Archive& ar) {
  LengthForm form = LengthForm::kByte;
  bool utf16 = false;
  uint32_t n = ReadLength(ar, form, utf16, false);
  uint64_t size = utf16 ? uint64_t{n} * 2 : n;
  ar.RequireRemaining(size);
  std::string bytes(static_cast<size_t>(size), '\0');
  ar.ReadBytes(bytes.data(), bytes.size());

  std::string text;
  bool exact = true;
  if (utf16) text = Utf16LeToUtf8(bytes, exact);
  else exact = SjisToUtf8Exact(bytes, text);
  if (exact && utf16) exact = Utf8ToUtf16Le(text) == bytes;
  bool shortest = form == Shortest(n, utf16);
  if (exact && shortest && !utf16) return text;

  Json out = Json::object();
  if (exact) out["text"] = text;
  else out["hex"] = BytesToHex(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  if (!shortest) out["length_form"] = FormName(form);
  if (utf16) out["utf16"] = true;
  return out;
}

void WriteStringJson(archive::Archive& ar, const Json& value, const std::string& path, std::string* text) {
  if (value.is_string()) {
    std::string sjis = Utf8ToSjisChecked(value.get<std::string>(), path);
    if (sjis.size() > UINT32_MAX) throw JsonError(path, "text too long");
    ar.WriteString(sjis);
    if (text) *text = std::move(sjis);
    return;
  }
  if (!value.is_object()) throw JsonError(path, "expected a string or {\"text\"|\"hex\": ..., \"length_form\": ...}");
  Fields fields(value, path);
  bool utf16 = fields.Bool("utf16", false);
  const Json* textJson = fields.Find("text");
  const Json* hexJson = fields.Find("hex");
  if ((textJson != nullptr) == (hexJson != nullptr)) throw JsonError(path, "give exactly one of \"text\" and \"hex\"");
  std::string bytes;
  if (hexJson) {
    std::vector<uint8_t> raw = HexToBytes(*hexJson, fields.PathOf("hex"));
    bytes.assign(raw.begin(), raw.end());
    if (utf16 && bytes.size() % 2 != 0) throw JsonError(fields.PathOf("hex"), "UTF-16 bytes come in pairs");
  } else {
    if (!textJson->is_string()) throw JsonError(fields.PathOf("text"), "expected a string");
    const std::string& utf8 = textJson->get_ref<const std::string&>();
    bytes = utf16 ? Utf8ToUtf16Le(utf8) : Utf8ToSjisChecked(utf8, fields.PathOf("text"));
  }
  uint64_t units = utf16 ? bytes.size() / 2 : bytes.size();
  if (units > UINT32_MAX) throw JsonError(path, "text too long");
  uint32_t n = static_cast<uint32_t>(units);
  LengthForm form = Shortest(n, utf16);
  if (const Json* formJson = fields.Find("length_form")) {
    std::string name = formJson->is_string() ? formJson->get<std::string>() : "";
    if (name == "byte") form = LengthForm::kByte;
    else if (name == "word") form = LengthForm::kWord;
    else if (name == "dword") form = LengthForm::kDword;
    else throw JsonError(fields.PathOf("length_form"), "expected \"byte\", \"word\" or \"dword\"");
  }
  fields.Finish();
  if (utf16) {
    ar.WriteByte(0xFF);
    ar.WriteWord(0xFFFE);
  }
  WriteLength(ar, n, form, utf16, path);
  ar.WriteBytes(bytes.data(), bytes.size());
  if (text) {
    bool exact = true;
    *text = utf16 ? platform::Utf8ToSjis(Utf16LeToUtf8(bytes, exact)) : bytes;
  }
}

uint32_t ReadCountForm(archive::Archive& ar, bool& wide) {
  uint16_t w = ar.ReadWord();
  if (w != 0xFFFF) {
    wide = false;
    return w;
  }
  uint32_t n = ar.ReadDword();
  wide = n < 0xFFFF;
  return n;
}

void WriteCountForm(archive::Archive& ar, uint32_t count, bool wide) {
  if (!wide && count < 0xFFFF) {
    ar.WriteWord(static_cast<uint16_t>(count));
  } else {
    ar.WriteWord(0xFFFF);
    ar.WriteDword(count);
  }
}

}  // namespace tav::tools
