#include "screen/tol_font.h"

#include <algorithm>

#include "archive/archive.h"
#include "encoding/sjis.h"

namespace tav::screen {

TOL_IMPLEMENT_CLASS(TOL_Font)

std::string LogFont::FaceName() const {
  auto end = std::find(faceName.begin(), faceName.end(), uint8_t{0});
  return std::string(faceName.begin(), end);
}

void LogFont::SetFaceName(std::string_view name) {
  // One byte stays for the terminator; a lead byte whose trail would not fit is dropped too.
  size_t length = 0;
  while (length < name.size()) {
    size_t step = platform::IsSjisLeadByte(static_cast<uint8_t>(name[length])) ? 2 : 1;
    if (length + step > kFaceSize - 1 || length + step > name.size()) break;
    length += step;
  }
  faceName.fill(0);
  std::copy_n(name.begin(), length, faceName.begin());
}

platform::LOGFONTA LogFont::ToLogFontA() const {
  platform::LOGFONTA out;
  out.lfHeight = height;
  out.lfWidth = width;
  out.lfEscapement = escapement;
  out.lfOrientation = orientation;
  out.lfWeight = weight;
  out.lfItalic = italic;
  out.lfUnderline = underline;
  out.lfStrikeOut = strikeOut;
  out.lfCharSet = charSet;
  out.lfOutPrecision = outPrecision;
  out.lfClipPrecision = clipPrecision;
  out.lfQuality = quality;
  out.lfPitchAndFamily = pitchAndFamily;
  std::copy(faceName.begin(), faceName.end(), out.lfFaceName);
  return out;
}

std::shared_ptr<const platform::Font> TOL_Font::GdiFont() const {
  if (!gdiFont_) gdiFont_ = platform::Font::Shared(description_.ToLogFontA());
  return gdiFont_;
}

script::VarRef TOL_Font::Clone(script::TOL_Var* target) {
  if (target) {
    if (auto* font = dynamic_cast<TOL_Font*>(target->GetTarget())) font->SetDescription(description_);
    return script::VarRef(target);
  }
  return script::Make<TOL_Font>(description_);
}

void TOL_Font::Serialize(archive::Archive& ar) {
  LogFont& f = description_;
  if (ar.IsStoring()) {
    for (int32_t v : {f.height, f.width, f.escapement, f.orientation, f.weight}) ar.WriteLong(v);
    for (uint8_t b : {f.italic, f.underline, f.strikeOut, f.charSet, f.outPrecision, f.clipPrecision,
                      f.quality, f.pitchAndFamily}) {
      ar.WriteByte(b);
    }
    ar.WriteBytes(f.faceName.data(), f.faceName.size());
    return;
  }
  // Read whole before changing anything: a truncated file leaves the font as it was.
  LogFont read;
  for (int32_t* v : {&read.height, &read.width, &read.escapement, &read.orientation, &read.weight}) {
    *v = ar.ReadLong();
  }
  for (uint8_t* b : {&read.italic, &read.underline, &read.strikeOut, &read.charSet, &read.outPrecision,
                     &read.clipPrecision, &read.quality, &read.pitchAndFamily}) {
    *b = ar.ReadByte();
  }
  ar.ReadBytes(read.faceName.data(), read.faceName.size());
  SetDescription(read);
}

script::Ref<TOL_Font> CopyFont(const TOL_Font* font) {
  if (!font) return nullptr;
  return script::Make<TOL_Font>(font->Description());
}

}  // namespace tav::screen
