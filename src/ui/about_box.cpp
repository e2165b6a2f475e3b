#include "ui/about_box.h"

#include "gdi/gdi_text.h"
#include "encoding/sjis.h"
#include "os/virtual_keys.h"

namespace tav::platform {
namespace {

using namespace dialog_style;

constexpr int kWidthDlu = 217, kHeightDlu = 55;

}  // namespace

AboutBox::AboutBox(std::string_view version, int pictureWidth, int pictureHeight)
    : font_(UiFont(90)),
      nameLine_("TAV Version " + std::string(version)),
      descriptionLine_(Utf8ToSjis("日本語スクリプトゲームの実行エンジン")) {
  const DialogPlacement place = PlaceDialog(font_.get(), kWidthDlu, kHeightDlu, pictureWidth, pictureHeight);
  outer_ = place.outer;
  icon_ = place.units.Rect(place.origin, 11, 17, 21, 20);
  name_ = place.units.Rect(place.origin, 40, 10, 130, 8);
  description_ = place.units.Rect(place.origin, 40, 25, 130, 8);
  ok_ = place.units.Rect(place.origin, 178, 7, 32, 14);
}

void AboutBox::Draw(Bitmap& picture) const {
  DeviceContext dc(&picture);
  DrawDialogFrame(dc, outer_, Utf8ToSjis("TAV のﾊﾞｰｼﾞｮﾝ情報"), pressed_ == Button::CloseBox && pressedInside_);
  // The program's mark: a small picture frame holding the initial.
  const int side = std::min(icon_.right - icon_.left, icon_.bottom - icon_.top);
  const RECT mark{icon_.left, icon_.top, icon_.left + side, icon_.top + side};
  Fill(dc, mark, kSelection);
  DrawEdge(dc, mark, Edge::Sunken);
  dc.SelectFont(UiFont(120, true));
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(kSelectionText);
  DrawTextA(dc, "T", mark, DT_CENTER | DT_SINGLELINE | DT_VCENTER);

  dc.SelectFont(font_);
  dc.SetTextColor(kText);
  DrawTextA(dc, nameLine_, name_, DT_LEFT | DT_SINGLELINE);
  DrawTextA(dc, descriptionLine_, description_, DT_LEFT | DT_SINGLELINE);
  DrawPushButton(dc, ok_, "OK", font_, true, pressed_ == Button::Ok && pressedInside_, true);
}

bool AboutBox::Handle(const DialogEvent& event) {
  if (finished_) return false;
  switch (event.kind) {
    case DialogEvent::Kind::KeyDown:
      if (event.key == VK_RETURN || event.key == VK_ESCAPE || event.key == VK_SPACE) {
        finished_ = true;
        return true;
      }
      return false;
    case DialogEvent::Kind::MouseDown:
      if (event.rightButton) return false;
      pressed_ = ButtonAt(event.x, event.y);
      pressedInside_ = pressed_ != Button::None;
      return pressedInside_;
    case DialogEvent::Kind::MouseMove: {
      if (pressed_ == Button::None) return false;
      const bool inside = ButtonAt(event.x, event.y) == pressed_;
      if (inside == pressedInside_) return false;
      pressedInside_ = inside;
      return true;
    }
    case DialogEvent::Kind::MouseUp: {
      if (event.rightButton || pressed_ == Button::None) return false;
      if (ButtonAt(event.x, event.y) == pressed_) finished_ = true;
      pressed_ = Button::None;
      return true;
    }
    default:
      return false;
  }
}

AboutBox::Button AboutBox::ButtonAt(int x, int y) const {
  if (Contains(ok_, x, y)) return Button::Ok;
  if (Contains(CloseBoxRect(outer_), x, y)) return Button::CloseBox;
  return Button::None;
}

}  // namespace tav::platform
