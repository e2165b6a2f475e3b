// Appearances: the elements of a view (a rectangle with a visibility condition, an active
// number naming its event handlers, an optional key binding, and a way of drawing itself).
//
// This file holds the root appearance and the two classes every drawing appearance builds on:
// the coloured appearance (colour and shadow) and the font appearance (its own font, or the
// view's). The text and box appearances are in appear_string.h and appear_box.h.
#pragma once

#include <cstdint>
#include <string_view>

#include "screen/tol_font.h"
#include "screen/var_window.h"
#include "script/core/formulate.h"

namespace tav::screen {

// A Windows COLORREF: red in the low byte.
using ColorRef = uint32_t;

class TOL_VarAppear : public TOL_VarWindow {
  TOL_DECLARE_CLASS(TOL_VarAppear)
 public:
  // Key word: bits 0 to 23 the bound key code (0 none, 0xFFFFFF any key), bit 24 "the bound
  // key raises LEFTDOWN"; bits 25 to 31 are carried unchanged.
  static constexpr uint32_t kKeyCodeMask = 0xFFFFFF;
  static constexpr uint32_t kAnyKey = 0xFFFFFF;
  static constexpr uint32_t kKeyClickFlag = 0x1000000;
  static constexpr uint32_t kDefaultKeyWord = kKeyClickFlag;

  // Visible by default: the condition is "1".
  TOL_VarAppear();

  // Non-zero: takes part in hit tests and key matching, and names the event handlers.
  int32_t ActiveNumber() const { return activeNumber_; }
  void SetActiveNumber(int32_t number) { activeNumber_ = number; }
  // The key GETPART looks for.
  int32_t PartNumber() const { return partNumber_; }
  void SetPartNumber(int32_t number) { partNumber_ = number; }
  // Added to the view's list offset to choose the list element this appearance shows.
  int32_t IndexOffset() const { return indexOffset_; }
  void SetIndexOffset(int32_t offset) { indexOffset_ = offset; }
  uint32_t KeyWord() const { return keyWord_; }
  void SetKeyWord(uint32_t word) { keyWord_ = word; }
  uint32_t KeyCode() const { return keyWord_ & kKeyCodeMask; }
  // Replaces the key code, keeping bits 24 to 31 (what SETKEY does).
  void SetKeyCode(uint32_t key) { keyWord_ = (keyWord_ & ~kKeyCodeMask) | (key & kKeyCodeMask); }
  // Stored and copied, used by nothing.
  int32_t Reserved() const { return reserved_; }
  void SetReserved(int32_t value) { reserved_ = value; }

  const script::TOL_Formulate& Condition() const { return condition_; }
  // Compiles `text` as the new condition; false (condition unchanged) when it does not compile.
  bool SetCondition(std::string_view text);

  // The condition's value, evaluated against `context`, as a boolean.
  bool IsVisible(script::TOL_VarObArray* context) override;

  // The appearance table, the window table, then the members and the base object.
  script::TOL_Var* FindMember(script::Atom name) override;
  using script::TOL_Var::FindMember;
  // After the window part: version word; active number, part number, index offset, key word,
  // reserved (32 bits each); the condition's source text.
  void Serialize(archive::Archive& ar) override;

 protected:
  void CopyFieldsTo(TOL_VarWindow& target) const override;
  // The tables every appearance of this family answers, after any of its own.
  script::TOL_Var* FindAppearanceMember(script::Atom name);

 private:
  int32_t activeNumber_ = 0;
  int32_t partNumber_ = 0;
  int32_t indexOffset_ = 0;
  uint32_t keyWord_ = kDefaultKeyWord;
  int32_t reserved_ = 0;
  script::TOL_Formulate condition_;
};

class TOL_VarColorAppear : public TOL_VarAppear {
  TOL_DECLARE_CLASS(TOL_VarColorAppear)
 public:
  TOL_VarColorAppear() = default;

  ColorRef Color() const { return color_; }
  void SetColor(ColorRef color) { color_ = color; }
  ColorRef ShadowColor() const { return shadowColor_; }
  void SetShadowColor(ColorRef color) { shadowColor_ = color; }
  int32_t ShadowX() const { return shadowX_; }
  int32_t ShadowY() const { return shadowY_; }
  void SetShadowOffset(int32_t x, int32_t y) {
    shadowX_ = x;
    shadowY_ = y;
  }
  // A shadow is drawn only when it is offset.
  bool HasShadow() const { return shadowX_ != 0 || shadowY_ != 0; }

  // After the appearance part: version word; colour, shadow colour, shadow x, shadow y.
  void Serialize(archive::Archive& ar) override;

 protected:
  void CopyFieldsTo(TOL_VarWindow& target) const override;

 private:
  ColorRef color_ = 0xFFFFFF;
  ColorRef shadowColor_ = 0;
  int32_t shadowX_ = 0;
  int32_t shadowY_ = 0;
};

class TOL_VarFontAppear : public TOL_VarColorAppear {
  TOL_DECLARE_CLASS(TOL_VarFontAppear)
 public:
  TOL_VarFontAppear() = default;

  // None: the view's font applies.
  TOL_Font* Font() const { return font_.get(); }
  void SetFont(script::Ref<TOL_Font> font) { font_ = std::move(font); }

  // After the coloured part: the font as an object reference (none allowed).
  void Serialize(archive::Archive& ar) override;

 protected:
  void CopyFieldsTo(TOL_VarWindow& target) const override;

 private:
  script::Ref<TOL_Font> font_;
};

// The appearance method table: SETKEY, GETKEY.
int AppearMethodTableId();
void DefineAppearMethods();

}  // namespace tav::screen
