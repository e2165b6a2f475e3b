#include <algorithm>

#include "script/text/blank_text.h"
#include "script/methods/builtin_methods.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"
#include "script/core/scalars.h"
#include "script/text/string_text.h"

namespace tav::script {
namespace {

constexpr int t = kStringMethods;

// Lengths and positions count bytes. Script positions are 32-bit and may be anything, so they
// are clamped in 64 bits where a sum could overflow.
int64_t Length(const std::string& text) { return static_cast<int64_t>(text.size()); }

std::string Substring(const std::string& text, int64_t first, int64_t count) {
  first = std::clamp<int64_t>(first, 0, Length(text));
  count = std::clamp<int64_t>(count, 0, Length(text) - first);
  return text.substr(static_cast<size_t>(first), static_cast<size_t>(count));
}

int Sign(int comparison) { return (comparison > 0) - (comparison < 0); }

// Width `width` with the text placed `leftFill` bytes from the start; the rest is `fill`.
std::string Padded(const std::string& text, size_t width, size_t leftFill, char fill) {
  std::string out(width, fill);
  out.replace(leftFill, text.size(), text);
  return out;
}

enum class Align { kRight, kLeft, kCentre };

void DefinePad(std::string_view name, Align align) {
  DefineMethod(t, name, 1, [align](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
    std::string text = self->GetString();
    int64_t width = args.Long(0);
    if (width < Length(text)) return NewString(std::move(text));
    if (static_cast<uint64_t>(width) > kMaxTextBytes) return nullptr;  // cannot be met
    size_t w = static_cast<size_t>(width);
    size_t spare = w - text.size();
    size_t left = align == Align::kRight ? spare : align == Align::kLeft ? 0 : spare / 2;
    return NewString(Padded(text, w, left, args.FirstByte(1, ' ')));
  });
}

// A method that makes a new text from the receiver's, and its in-place twin.
void DefineTextPair(std::string_view copyName, std::string_view inPlaceName,
                    std::string (*make)(std::string_view)) {
  DefineReceiverMethod(t, copyName, [make](TOL_Var* self) { return NewString(make(self->GetString())); });
  DefineReceiverMethod(t, inPlaceName, [make](TOL_Var* self) {
    SetReceiverText(self, make(self->GetString()));
    return VarRef();
  });
}

std::string TrimBoth(std::string_view text) { return std::string(TrimBlanks(text)); }
std::string TrimLeft(std::string_view text) { return std::string(TrimLeadingBlanks(text)); }
std::string TrimRight(std::string_view text) { return std::string(TrimTrailingBlanks(text)); }

void DefineMeasures() {
  DefineReceiverMethod(t, "LENGTH", [](TOL_Var* self) {
    return NewInt(static_cast<int32_t>(self->GetString().size()));
  });
  DefineReceiverMethod(t, "ISEMPTY", [](TOL_Var* self) { return NewBool(self->GetString().empty()); });
  DefineReceiverMethod(t, "EMPTY", [](TOL_Var* self) {
    SetReceiverText(self, {});
    return VarRef();
  });
  DefineMethod(t, "COMPARE", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    return NewInt(Sign(CompareSjis(self->GetString(), args.Text(0))));
  });
  DefineMethod(t, "CMPNOCASE", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    return NewInt(Sign(CompareSjisNoCase(self->GetString(), args.Text(0))));
  });
}

void DefinePieces() {
  DefineMethod(t, "MID", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    std::string text = self->GetString();
    int64_t count = args.Has(1) ? args.Long(1) : Length(text);
    return NewString(Substring(text, args.Long(0), count));
  });
  DefineMethod(t, "LEFT", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    return NewString(Substring(self->GetString(), 0, args.Long(0)));
  });
  DefineMethod(t, "RIGHT", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    std::string text = self->GetString();
    int64_t count = std::clamp<int64_t>(args.Long(0), 0, Length(text));
    return NewString(Substring(text, Length(text) - count, count));
  });
  DefineMethod(t, "GETAT", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    std::string text = self->GetString();
    int64_t i = args.Long(0);
    return NewString(i >= 0 && i < Length(text) ? std::string(1, text[i]) : std::string());
  });
  // The byte is a signed char, so the lead byte of a double-byte character reads negative.
  DefineMethod(t, "GETATVALUE", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    std::string text = self->GetString();
    int64_t i = args.Long(0);
    return NewInt(i >= 0 && i < Length(text) ? static_cast<signed char>(text[i]) : 0);
  });
  DefineMethod(t, "GETLINE", 0, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    std::string text = self->GetString();
    auto line = TextLine(text, args.Long(0, 1));
    return NewString(line ? std::string(*line) : std::string());
  });
}

void DefineEdits() {
  DefineTextPair("UPPER", "MAKEUPPER", UpperCaseText);
  DefineTextPair("LOWER", "MAKELOWER", LowerCaseText);
  DefineTextPair("REVERSE", "MAKEREVERSE", ReverseText);
  DefineTextPair("AFTERTRIMLEFT", "TRIMLEFT", TrimLeft);
  DefineTextPair("AFTERTRIMRIGHT", "TRIMRIGHT", TrimRight);
  DefineTextPair("AFTERTRIM", "TRIM", TrimBoth);

  DefineMethod(t, "REPLACE", 2, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
    int count;
    auto replaced = ReplaceText(self->GetString(), args.Text(0), args.Text(1), kMaxTextBytes, &count);
    if (!replaced) return nullptr;
    return NewString(std::move(*replaced));
  });
  DefineMethod(t, "REPLACESTR", 2, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    int count;
    auto replaced = ReplaceText(self->GetString(), args.Text(0), args.Text(1), kMaxTextBytes, &count);
    if (replaced && count > 0) SetReceiverText(self, std::move(*replaced));
    return NewInt(count);
  });
  DefineMethod(t, "INSERT", 2, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    std::string text = self->GetString();
    std::string insert = args.Text(1);
    if (text.size() + insert.size() <= kMaxTextBytes && !insert.empty()) {
      int64_t at = std::clamp<int64_t>(args.Long(0), 0, Length(text));
      text.insert(static_cast<size_t>(at), insert);
      SetReceiverText(self, text);
    }
    return NewInt(static_cast<int32_t>(text.size()));
  });
  // A count reaching past the end removes to the end; a negative position counts from 0.
  DefineMethod(t, "DELETE", 1, [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) {
    std::string text = self->GetString();
    int64_t at = std::max<int64_t>(args.Long(0), 0);
    int64_t count = args.Long(1, 1);
    if (count > 0 && at < Length(text)) {
      count = std::min(count, Length(text) - at);
      text.erase(static_cast<size_t>(at), static_cast<size_t>(count));
      SetReceiverText(self, text);
    }
    return NewInt(static_cast<int32_t>(text.size()));
  });
  DefinePad("PADRIGHT", Align::kRight);
  DefinePad("PADLEFT", Align::kLeft);
  DefinePad("PAD", Align::kCentre);
}

}  // namespace

void DefineStringMethods() {
  DefineConversionMethods(t);
  DefineMeasures();
  DefinePieces();
  DefineEdits();
}

}  // namespace tav::script
