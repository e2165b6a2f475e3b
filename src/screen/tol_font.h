// TOL_Font: a font description owned by a view or an appearance.
//
// The stored form is the 60 bytes of the Windows LOGFONTA structure and nothing else (no
// version word), so existing view files load byte for byte. The face name is
// kept as its raw 32 bytes, bytes after the terminator included, so that storing again gives
// the same bytes. Fonts are counted like script values so that archives can hold them; no
// script ever sees one.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "gdi/gdi_font.h"
#include "gdi/gdi_types.h"
#include "script/core/var.h"

namespace tav::screen {

struct LogFont {
  static constexpr size_t kStoredSize = 60;
  static constexpr size_t kFaceSize = 32;

  int32_t height = 0;  // negative: character height; positive: cell height
  int32_t width = 0;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 0;
  uint8_t italic = 0;
  uint8_t underline = 0;
  uint8_t strikeOut = 0;
  uint8_t charSet = 0;
  uint8_t outPrecision = 0;
  uint8_t clipPrecision = 0;
  uint8_t quality = 0;
  uint8_t pitchAndFamily = 0;
  std::array<uint8_t, kFaceSize> faceName{};

  // The Shift-JIS face name up to its terminator.
  std::string FaceName() const;
  // Sets the face name, cut to 31 bytes without splitting a Shift-JIS character; the rest of
  // the 32 bytes is zeroed.
  void SetFaceName(std::string_view name);

  // The same 60 bytes as the drawing layer's structure.
  platform::LOGFONTA ToLogFontA() const;

  friend bool operator==(const LogFont&, const LogFont&) = default;
};

class TOL_Font : public script::TOL_Var {
  TOL_DECLARE_CLASS(TOL_Font)
 public:
  TOL_Font() = default;
  explicit TOL_Font(const LogFont& description) : description_(description) {}

  const LogFont& Description() const { return description_; }
  void SetDescription(const LogFont& description) {
    description_ = description;
    gdiFont_.reset();
  }

  // The drawing font made from the description, created on first use and kept; the default
  // font when no installed face can serve it.
  std::shared_ptr<const platform::Font> GdiFont() const;

  // A copy is a new font made from the same description.
  script::VarRef Clone(script::TOL_Var* target) override;
  void Serialize(archive::Archive& ar) override;

 private:
  LogFont description_;
  mutable std::shared_ptr<const platform::Font> gdiFont_;
};

// A new font with the same description, or none for none.
script::Ref<TOL_Font> CopyFont(const TOL_Font* font);

}  // namespace tav::screen
