#include "screen/appear_box.h"

#include "archive/archive.h"
#include "screen/window_drawing.h"

namespace tav::screen {

TOL_IMPLEMENT_CLASS(TOL_VarBoxAppear)
TOL_IMPLEMENT_CLASS(TOL_VarBoxFillAppear)

void TOL_VarBoxAppear::CopyFieldsTo(TOL_VarWindow& target) const {
  TOL_VarColorAppear::CopyFieldsTo(target);
  if (auto* box = dynamic_cast<TOL_VarBoxAppear*>(&target)) box->penWidth_ = penWidth_;
}

void TOL_VarBoxAppear::Draw(platform::DeviceContext& dc) {
  if (HasShadow()) {
    DrawOutline(dc, DrawingRect(Rect(), ShadowX(), ShadowY()),
                platform::CreatePen(platform::PS_SOLID, penWidth_, ShadowColor()));
  }
  DrawOutline(dc, DrawingRect(Rect()), platform::CreatePen(platform::PS_SOLID, penWidth_, Color()));
}

void TOL_VarBoxAppear::Serialize(archive::Archive& ar) {
  TOL_VarColorAppear::Serialize(ar);
  if (ar.IsStoring()) ar.WriteLong(penWidth_);
  else penWidth_ = ar.ReadLong();
}

void TOL_VarBoxFillAppear::Draw(platform::DeviceContext& dc) {
  // Pen and brush are selected for one rectangle and deselected after it.
  auto paint = [&](const platform::RECT& rect, ColorRef penColor, ColorRef brushColor) {
    platform::Pen previousPen = dc.SelectPen(platform::CreatePen(platform::PS_SOLID, PenWidth(), penColor));
    platform::Brush previousBrush = dc.SelectBrush(platform::CreateSolidBrush(brushColor));
    dc.Rectangle(rect.left, rect.top, rect.right, rect.bottom);
    dc.SelectBrush(previousBrush);
    dc.SelectPen(previousPen);
  };
  if (HasShadow()) paint(DrawingRect(Rect(), ShadowX(), ShadowY()), ShadowColor(), ShadowColor());
  paint(DrawingRect(Rect()), Color(), fillColor_);
}

void TOL_VarBoxFillAppear::CopyFieldsTo(TOL_VarWindow& target) const {
  TOL_VarBoxAppear::CopyFieldsTo(target);
  if (auto* fill = dynamic_cast<TOL_VarBoxFillAppear*>(&target)) fill->fillColor_ = fillColor_;
}

void TOL_VarBoxFillAppear::Serialize(archive::Archive& ar) {
  TOL_VarBoxAppear::Serialize(ar);
  if (ar.IsStoring()) ar.WriteDword(fillColor_);
  else fillColor_ = ar.ReadDword();
}

}  // namespace tav::screen
