#include "screen/appear_string.h"

#include "archive/archive.h"
#include "gdi/gdi_text.h"
#include "screen/window_drawing.h"
#include "script/methods/method_args.h"
#include "script/core/method_table.h"
#include "script/core/scalars.h"

namespace tav::screen {

using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

TOL_IMPLEMENT_CLASS(TOL_VarStringAppear)
TOL_IMPLEMENT_CLASS(TOL_VarTextAppear)
TOL_IMPLEMENT_CLASS(TOL_VarFormTextApp)

// ---- TOL_VarStringAppear ----------------------------------------------------------------

void TOL_VarStringAppear::FillToWidth() {
  if (width_ <= 0 || width_ > kMaxPaddedWidth) return;
  size_t width = static_cast<size_t>(width_);
  if (text_.size() >= width) return;
  size_t missing = width - text_.size();
  if (format_ == kAlignLeft) {
    text_.append(missing, padChar_);
  } else if (format_ == kAlignRight) {
    text_.insert(0, missing, padChar_);
  }
}

unsigned TOL_VarStringAppear::DrawTextFlags(int32_t format) {
  unsigned flags = platform::DT_LEFT | platform::DT_WORDBREAK;
  switch (format & 3) {
    case kAlignCenter: flags = platform::DT_CENTER | platform::DT_WORDBREAK; break;
    case kAlignRight: flags = platform::DT_RIGHT | platform::DT_WORDBREAK; break;
    default: break;
  }
  switch (format & 0xC) {
    case kVerticalCenter: flags |= platform::DT_VCENTER | platform::DT_SINGLELINE; break;
    case kVerticalBottom: flags |= platform::DT_BOTTOM | platform::DT_SINGLELINE; break;
    default: break;
  }
  return flags;
}

void TOL_VarStringAppear::Draw(platform::DeviceContext& dc) {
  std::shared_ptr<const platform::Font> previousFont;
  TOL_Font* font = Font();
  if (font) previousFont = dc.SelectFont(font->GdiFont());
  FillToWidth();
  const unsigned flags = DrawTextFlags(format_);
  const platform::COLORREF remembered = dc.GetTextColor();
  if (HasShadow()) {
    dc.SetTextColor(ShadowColor());
    shadowLines_.Draw(dc, text_, DrawingRect(Rect(), ShadowX(), ShadowY()), flags);
  }
  dc.SetTextColor(Color());
  lines_.Draw(dc, text_, DrawingRect(Rect()), flags);
  dc.SetTextColor(remembered);
  if (font) dc.SelectFont(std::move(previousFont));
}

void TOL_VarStringAppear::DrawFramed(platform::DeviceContext& dc) {
  Draw(dc);
  const int previousMix = dc.SetROP2(platform::R2_XORPEN);
  DrawOutline(dc, DrawingRect(Rect()), platform::CreatePen(platform::PS_DOT, 1, kFrameColor));
  dc.SetROP2(previousMix);
}

void TOL_VarStringAppear::CopyFieldsTo(TOL_VarWindow& target) const {
  TOL_VarFontAppear::CopyFieldsTo(target);
  auto* string = dynamic_cast<TOL_VarStringAppear*>(&target);
  if (!string) return;
  string->width_ = width_;
  string->format_ = format_;
  string->padChar_ = padChar_;
  string->text_.clear();
}

void TOL_VarStringAppear::Serialize(archive::Archive& ar) {
  TOL_VarFontAppear::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteWord(1);
    ar.WriteLong(width_);
    ar.WriteLong(format_);
    ar.WriteByte(static_cast<uint8_t>(padChar_));
    return;
  }
  ar.ReadWord();
  width_ = ar.ReadLong();
  format_ = ar.ReadLong();
  padChar_ = static_cast<char>(ar.ReadByte());
}

// ---- TOL_VarTextAppear ------------------------------------------------------------------

TOL_Var* TOL_VarTextAppear::FindMember(script::Atom name) {
  if (TOL_Var* method = script::MethodTable::Get(TextMethodTableId()).Find(name)) return method;
  return FindAppearanceMember(name);
}

void TOL_VarTextAppear::CopyFieldsTo(TOL_VarWindow& target) const {
  TOL_VarStringAppear::CopyFieldsTo(target);
  if (auto* text = dynamic_cast<TOL_VarTextAppear*>(&target)) text->SetText(Text());
}

void TOL_VarTextAppear::Serialize(archive::Archive& ar) {
  TOL_VarStringAppear::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteString(Text());
    return;
  }
  SetText(ar.ReadString());
}

// ---- TOL_VarFormTextApp -----------------------------------------------------------------

bool TOL_VarFormTextApp::SetTextExpression(std::string_view text) {
  script::TOL_Formulate compiled;
  if (!compiled.Compile(text)) return false;
  expression_ = compiled;
  return true;
}

void TOL_VarFormTextApp::Update(TOL_VarObArray* context) {
  VarRef value = expression_.Evaluate(context);
  SetText(value->GetString());
}

void TOL_VarFormTextApp::CopyFieldsTo(TOL_VarWindow& target) const {
  TOL_VarStringAppear::CopyFieldsTo(target);
  if (auto* form = dynamic_cast<TOL_VarFormTextApp*>(&target)) form->expression_ = expression_;
}

void TOL_VarFormTextApp::Serialize(archive::Archive& ar) {
  TOL_VarStringAppear::Serialize(ar);
  expression_.Serialize(ar);
}

// ---- the text table ---------------------------------------------------------------------

int TextMethodTableId() {
  static const int id = script::MethodTable::Allocate();
  return id;
}

void DefineTextMethods() {
  const int table = TextMethodTableId();
  if (script::MethodTable::Get(table).Size() > 0) return;
  script::DefineMethod(table, "GETTEXT", 0,
                       [](TOL_Var* self, const MethodArgs&, TOL_VarObArray*) -> VarRef {
                         auto* text = dynamic_cast<TOL_VarTextAppear*>(self);
                         if (!text) return nullptr;
                         return script::NewString(text->Text());
                       });
  // SETTEXT(s): without an argument nothing changes.
  script::DefineMethod(table, "SETTEXT", 1,
                       [](TOL_Var* self, const MethodArgs& args, TOL_VarObArray*) -> VarRef {
                         if (auto* text = dynamic_cast<TOL_VarTextAppear*>(self)) {
                           text->SetText(args.Text(0));
                         }
                         return nullptr;
                       });
}

}  // namespace tav::screen
