// Text appearances: a string drawn into the rectangle with alignment, padding and shadow.
//
// The plain string appearance keeps its text only in memory (it is neither stored nor copied);
// the text appearance stores its text and lets scripts read and set it (GETTEXT, SETTEXT); the
// form text appearance computes its text from an expression at every update.
#pragma once

#include <string>
#include <string_view>

#include "gdi/gdi_text.h"
#include "screen/appear.h"

namespace tav::screen {

class TOL_VarStringAppear : public TOL_VarFontAppear {
  TOL_DECLARE_CLASS(TOL_VarStringAppear)
 public:
  // Format word: bits 0-1 horizontal (0 left, 1 centre, 2 right); bits 2-3 vertical (0 top with
  // word wrap, 4 centred on one line, 8 bottom on one line).
  static constexpr int32_t kAlignLeft = 0;
  static constexpr int32_t kAlignCenter = 1;
  static constexpr int32_t kAlignRight = 2;
  static constexpr int32_t kVerticalCenter = 4;
  static constexpr int32_t kVerticalBottom = 8;
  // Padding beyond this many bytes is not done: no screen shows such a line, and a hostile
  // view file could otherwise make every draw allocate gigabytes.
  static constexpr int32_t kMaxPaddedWidth = 1 << 16;
  // The dotted frame of the design display: grey, XOR-ed, so black turns grey and grey black.
  static constexpr ColorRef kFrameColor = 0x808080;

  TOL_VarStringAppear() = default;

  // The minimum text length in bytes.
  int32_t Width() const { return width_; }
  void SetWidth(int32_t width) { width_ = width; }
  int32_t Format() const { return format_; }
  void SetFormat(int32_t format) { format_ = format; }
  char PadChar() const { return padChar_; }
  void SetPadChar(char pad) { padChar_ = pad; }
  const std::string& Text() const { return text_; }
  void SetText(std::string text) { text_ = std::move(text); }

  // Filling to width, done by drawing before the text is drawn: a text shorter than the width
  // (in Shift-JIS bytes) is padded with the pad character, after it for format 0 and before it
  // for format 2; any other format word pads nothing. The padded text replaces the stored one,
  // so later draws find nothing more to pad.
  void FillToWidth();
  // The DrawText flags of the format word: word-wrapped lines aligned left, centred or right;
  // a single line centred vertically (4) or at the bottom (8).
  static unsigned DrawTextFlags(int32_t format);

  // Pads the text to its width, then draws it: its shadow first when it is offset, then the
  // text in its colour, with its own font when it has one.
  void Draw(platform::DeviceContext& dc) override;
  // Draw, then a dotted grey outline XOR-ed over the rectangle (drawn twice, it vanishes).
  void DrawFramed(platform::DeviceContext& dc) override;

  // After the font part: version word; width, format (32 bits each); pad character (1 byte).
  void Serialize(archive::Archive& ar) override;

 protected:
  // The copy's text is left empty: only the text appearance copies its text.
  void CopyFieldsTo(TOL_VarWindow& target) const override;

 private:
  int32_t width_ = 0;
  int32_t format_ = 0;
  char padChar_ = ' ';
  std::string text_;
  // The text's lines as last laid out, for its shadow and for itself: a screen draws the same
  // text at every refresh.
  platform::DrawTextCache shadowLines_;
  platform::DrawTextCache lines_;
};

class TOL_VarTextAppear : public TOL_VarStringAppear {
  TOL_DECLARE_CLASS(TOL_VarTextAppear)
 public:
  TOL_VarTextAppear() = default;

  // GETTEXT and SETTEXT, then the appearance and window tables, members and base.
  script::TOL_Var* FindMember(script::Atom name) override;
  using script::TOL_Var::FindMember;
  // After the string part: the text.
  void Serialize(archive::Archive& ar) override;

 protected:
  void CopyFieldsTo(TOL_VarWindow& target) const override;
};

class TOL_VarFormTextApp : public TOL_VarStringAppear {
  TOL_DECLARE_CLASS(TOL_VarFormTextApp)
 public:
  TOL_VarFormTextApp() = default;

  const script::TOL_Formulate& TextExpression() const { return expression_; }
  // Compiles `text` as the text expression; false (expression unchanged) when it does not compile.
  bool SetTextExpression(std::string_view text);

  // The text becomes the expression's value, evaluated against `context`, as a string.
  void Update(script::TOL_VarObArray* context) override;
  // After the string part: the text expression's source.
  void Serialize(archive::Archive& ar) override;

 protected:
  void CopyFieldsTo(TOL_VarWindow& target) const override;

 private:
  script::TOL_Formulate expression_;
};

// The text appearance's own table: GETTEXT, SETTEXT.
int TextMethodTableId();
void DefineTextMethods();

}  // namespace tav::screen
