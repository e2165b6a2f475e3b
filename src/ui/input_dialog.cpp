#include "ui/input_dialog.h"

#include <algorithm>

#include "gdi/gdi_text.h"
#include "encoding/sjis.h"
#include "os/virtual_keys.h"

namespace tav::platform {
namespace {

using namespace dialog_style;

// The template's size and controls, in dialog units.
constexpr int kWidthDlu = 204, kHeightDlu = 61;
constexpr int kCaretBlinkMs = 530;
constexpr int kEditMargin = 2;  // pixels between the edit field's border and its text

std::string Joined(const std::vector<std::string>& chars, size_t begin, size_t end) {
  std::string out;
  for (size_t i = begin; i < end && i < chars.size(); ++i) out += chars[i];
  return out;
}

}  // namespace

InputDialog::InputDialog(std::string_view promptSjis, int pictureWidth, int pictureHeight)
    : prompt_(promptSjis), font_(UiFont(120)) {
  const DialogPlacement place = PlaceDialog(font_.get(), kWidthDlu, kHeightDlu, pictureWidth, pictureHeight);
  outer_ = place.outer;
  promptRect_ = place.units.Rect(place.origin, 7, 5, 190, 16);
  edit_ = place.units.Rect(place.origin, 7, 23, 190, 12);
  ok_ = place.units.Rect(place.origin, 93, 41, 50, 14);
  cancel_ = place.units.Rect(place.origin, 147, 41, 50, 14);
}

void InputDialog::Draw(Bitmap& picture) const {
  DeviceContext dc(&picture);
  DrawDialogFrame(dc, outer_, Utf8ToSjis("文字列入力"), pressed_ == Control::CloseBox && pressedInside_);
  dc.SelectFont(font_);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(kText);
  DrawTextA(dc, prompt_, promptRect_, DT_LEFT | DT_WORDBREAK);

  Fill(dc, edit_, kWindow);
  const RECT inside = DrawEdge(dc, edit_, Edge::Sunken);
  dc.SaveDC();
  dc.IntersectClipRect(inside.left, inside.top, inside.right, inside.bottom);
  const EditField::Display shown = field_.Shown();
  const std::vector<int> offsets = Offsets(shown);
  const int height = font_ ? font_->Height() : 16;
  const int top = (inside.top + inside.bottom) / 2 - height / 2;
  const int left = TextLeft();
  dc.TextOut(left, top, Joined(shown.chars, 0, shown.chars.size()));
  if (shown.compositionEnd > shown.compositionBegin) {
    // The text being composed is underlined, as input methods mark it.
    const int from = left + offsets[shown.compositionBegin];
    const int to = left + offsets[shown.compositionEnd];
    dc.CopySpan(top + height - 1, from, to, kText);
  }
  if (focus_ == Control::Edit && caretOn_) {
    const int x = left + offsets[shown.caret];
    for (int y = top; y < top + height; ++y) dc.CopySpan(y, x, x + 1, kText);
  }
  dc.RestoreDC(-1);

  // The default button is the focused one, or OK while the focus is elsewhere.
  const bool cancelFocused = focus_ == Control::Cancel;
  DrawPushButton(dc, ok_, "OK", font_, !cancelFocused, pressed_ == Control::Ok && pressedInside_,
                 focus_ == Control::Ok);
  DrawPushButton(dc, cancel_, Utf8ToSjis("ｷｬﾝｾﾙ"), font_, cancelFocused,
                 pressed_ == Control::Cancel && pressedInside_, cancelFocused);
}

bool InputDialog::Handle(const DialogEvent& event) {
  if (finished_) return false;
  switch (event.kind) {
    case DialogEvent::Kind::KeyDown:
      return HandleKey(event);
    case DialogEvent::Kind::Text:
      if (focus_ != Control::Edit) return false;
      field_.ClearComposition();
      field_.InsertUtf8(event.text);
      Touched();
      return true;
    case DialogEvent::Kind::Composition:
      if (focus_ != Control::Edit) return false;
      if (event.text.empty()) {
        field_.ClearComposition();
      } else {
        field_.SetComposition(event.text, static_cast<size_t>(std::max(event.cursor, 0)));
      }
      Touched();
      return true;
    default:
      return HandleMouse(event);
  }
}

bool InputDialog::HandleKey(const DialogEvent& event) {
  // While the input method composes, its keys are its own.
  if (field_.Composing()) return false;
  switch (event.key) {
    case VK_RETURN:
      Activate(focus_ == Control::Cancel ? Control::Cancel : Control::Ok);
      return true;
    case VK_ESCAPE:
      Activate(Control::Cancel);
      return true;
    case VK_TAB: {
      static constexpr Control order[] = {Control::Edit, Control::Ok, Control::Cancel};
      size_t at = 0;
      while (at < 3 && order[at] != focus_) ++at;
      focus_ = order[(at + (event.shift ? 2 : 1)) % 3];
      Touched();
      return true;
    }
    case VK_SPACE:
      if (focus_ == Control::Ok || focus_ == Control::Cancel) {
        Activate(focus_);
        return true;
      }
      return false;
    default:
      return focus_ == Control::Edit && HandleEditKey(event.key);
  }
}

bool InputDialog::HandleEditKey(int key) {
  switch (key) {
    case VK_BACK: field_.Backspace(); break;
    case VK_DELETE: field_.Delete(); break;
    case VK_LEFT: field_.MoveLeft(); break;
    case VK_RIGHT: field_.MoveRight(); break;
    case VK_HOME: field_.Home(); break;
    case VK_END: field_.End(); break;
    default: return false;
  }
  Touched();  // the caret shows again even when nothing moved
  return true;
}

bool InputDialog::HandleMouse(const DialogEvent& event) {
  if (event.rightButton) return false;
  const Control at = ControlAt(event.x, event.y);
  switch (event.kind) {
    case DialogEvent::Kind::MouseDown:
      if (at == Control::Edit) {
        focus_ = Control::Edit;
        field_.ClearComposition();
        // The caret goes to the character boundary nearest the pointer.
        const int x = event.x - TextLeft();
        const std::vector<int> offsets = Offsets(field_.Shown());
        size_t best = 0;
        for (size_t i = 1; i < offsets.size(); ++i) {
          if (std::abs(offsets[i] - x) < std::abs(offsets[best] - x)) best = i;
        }
        field_.SetCaret(best);
        Touched();
        return true;
      }
      if (at == Control::Ok || at == Control::Cancel || at == Control::CloseBox) {
        pressed_ = at;
        pressedInside_ = true;
        if (at != Control::CloseBox) focus_ = at;
        return true;
      }
      return false;
    case DialogEvent::Kind::MouseMove: {
      if (pressed_ == Control::None) return false;
      const bool inside = at == pressed_;
      if (inside == pressedInside_) return false;
      pressedInside_ = inside;
      return true;
    }
    case DialogEvent::Kind::MouseUp: {
      if (pressed_ == Control::None) return false;
      const Control released = pressed_;
      pressed_ = Control::None;
      if (at == released) Activate(released);
      return true;
    }
    default:
      return false;
  }
}

InputDialog::Control InputDialog::ControlAt(int x, int y) const {
  if (Contains(edit_, x, y)) return Control::Edit;
  if (Contains(ok_, x, y)) return Control::Ok;
  if (Contains(cancel_, x, y)) return Control::Cancel;
  if (Contains(CloseBoxRect(outer_), x, y)) return Control::CloseBox;
  return Control::None;
}

void InputDialog::Activate(Control button) { Finish(button == Control::Ok); }

void InputDialog::Finish(bool ok) {
  if (finished_) return;
  finished_ = true;
  field_.ClearComposition();
  result_ = ok ? std::optional(field_.Text()) : std::nullopt;
}

bool InputDialog::Tick(uint32_t ms) {
  now_ = ms;
  const bool on = focus_ != Control::Edit || ((ms - blinkStart_) / kCaretBlinkMs) % 2 == 0;
  if (on == caretOn_) return false;
  caretOn_ = on;
  return focus_ == Control::Edit;
}

std::optional<RECT> InputDialog::TextArea() const {
  if (focus_ != Control::Edit) return std::nullopt;
  const EditField::Display shown = field_.Shown();
  const int x = TextLeft() + Offsets(shown)[shown.caret];
  return RECT{x, edit_.top, std::max(x + 1, edit_.right), edit_.bottom};
}

void InputDialog::Touched() {
  blinkStart_ = now_;
  caretOn_ = true;
  ScrollToCaret();
}

void InputDialog::ScrollToCaret() {
  const int visible = edit_.right - edit_.left - 4 - 2 * kEditMargin;
  const EditField::Display shown = field_.Shown();
  const std::vector<int> offsets = Offsets(shown);
  const int caret = offsets[shown.caret];
  const int total = offsets.back();
  // Scroll by a quarter of the field at a time, as an edit control does, so that typing at the
  // end does not shift the text on every character.
  if (caret - scroll_ >= visible) scroll_ = caret - visible + visible / 4;
  if (caret < scroll_) scroll_ = std::max(0, caret - visible / 4);
  scroll_ = std::clamp(scroll_, 0, std::max(0, total - visible + 1));
  if (caret - scroll_ >= visible) scroll_ = caret - visible + 1;
}

int InputDialog::TextLeft() const { return edit_.left + 2 + kEditMargin - scroll_; }

std::vector<int> InputDialog::Offsets(const EditField::Display& shown) const {
  std::vector<int> offsets(shown.chars.size() + 1, 0);
  for (size_t i = 0; i < shown.chars.size(); ++i) {
    offsets[i + 1] = offsets[i] + (font_ ? font_->Width(shown.chars[i]) : 0);
  }
  return offsets;
}

}  // namespace tav::platform
