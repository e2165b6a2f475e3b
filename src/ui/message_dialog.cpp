#include "ui/message_dialog.h"

#include <algorithm>

#include "gdi/gdi_text.h"
#include "os/message_box.h"
#include "encoding/sjis.h"
#include "os/virtual_keys.h"

namespace tav::platform {
namespace {

using namespace dialog_style;

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75, kButtonHeight = 23, kButtonGap = 6;
constexpr int kMaxTextWidth = 480;

void FillCircle(DeviceContext& dc, int cx, int cy, int radius, COLORREF color) {
  for (int dy = -radius; dy <= radius; ++dy) {
    int dx = 0;
    while ((dx + 1) * (dx + 1) + dy * dy <= radius * radius) ++dx;
    dc.CopySpan(cy + dy, cx - dx, cx + dx + 1, color);
  }
}

}  // namespace

MessageDialog::MessageDialog(std::string_view textSjis, std::string_view captionSjis, unsigned style,
                             int pictureWidth, int pictureHeight)
    : text_(textSjis), caption_(captionSjis), style_(style), font_(UiFont(90)), escape_(EscapeButton(style)) {
  const bool hasIcon = (style & MB_ICONMASK) != 0;
  // The text's natural width; wrapped at kMaxTextWidth when wider.
  int textWidth = 0, textHeight = font_ ? font_->Height() : 12;
  textFlags_ = DT_LEFT;
  if (font_) {
    std::vector<TextLine> lines = LayoutDrawText(*font_, text_, {0, 0, 1 << 20, 1 << 20}, DT_LEFT);
    for (const TextLine& line : lines) textWidth = std::max(textWidth, line.width);
    if (textWidth > kMaxTextWidth) {
      textFlags_ = DT_LEFT | DT_WORDBREAK;
      lines = LayoutDrawText(*font_, text_, {0, 0, kMaxTextWidth, 1 << 20}, textFlags_);
      textWidth = 0;
      for (const TextLine& line : lines) textWidth = std::max(textWidth, line.width);
      textWidth = std::min(std::max(textWidth, 1), kMaxTextWidth);
    }
    textHeight = std::max<int>(1, static_cast<int>(lines.size())) * font_->Height();
  }
  const std::vector<int> ids = MessageBoxButtons(style);
  const int buttonsWidth = static_cast<int>(ids.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
  const int textLeft = kMargin + (hasIcon ? kIconSize + kMargin : 0);
  const int clientWidth = std::max(textLeft + textWidth + kMargin, buttonsWidth + 2 * kMargin);
  const int bodyHeight = std::max(textHeight, hasIcon ? kIconSize : 0);
  const int clientHeight = kMargin + bodyHeight + 14 + kButtonHeight + kMargin;
  outer_ = Centred(OuterWidth(clientWidth), OuterHeight(clientHeight), pictureWidth, pictureHeight);
  const int left = outer_.left + kFrameWidth, top = outer_.bottom - kFrameWidth - clientHeight;
  icon_ = {left + kMargin, top + kMargin, left + kMargin + kIconSize, top + kMargin + kIconSize};
  // A short text sits level with the icon's middle.
  const int textTop = top + kMargin + std::max(0, (bodyHeight - textHeight) / 2);
  textRect_ = {left + textLeft, textTop, left + textLeft + textWidth, textTop + textHeight};
  int x = left + (clientWidth - buttonsWidth) / 2;
  const int buttonTop = top + kMargin + bodyHeight + 14;
  for (int id : ids) {
    buttons_.push_back({id, {x, buttonTop, x + kButtonWidth, buttonTop + kButtonHeight}});
    x += kButtonWidth + kButtonGap;
  }
  const int defaultId = DefaultButton(style);
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (buttons_[i].id == defaultId) focus_ = static_cast<int>(i);
  }
}

void MessageDialog::Draw(Bitmap& picture) const {
  DeviceContext dc(&picture);
  DrawDialogFrame(dc, outer_, caption_, pressed_ == -2 && pressedInside_);
  DrawIcon(dc);
  dc.SelectFont(font_);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(kText);
  DrawTextA(dc, text_, textRect_, textFlags_);
  for (size_t i = 0; i < buttons_.size(); ++i) {
    const bool focused = static_cast<int>(i) == focus_;
    DrawPushButton(dc, buttons_[i].rect, Utf8ToSjis(ButtonCaption(buttons_[i].id)), font_, focused,
                   pressed_ == static_cast<int>(i) && pressedInside_, focused);
  }
}

void MessageDialog::DrawIcon(DeviceContext& dc) const {
  const int cx = icon_.left + kIconSize / 2, cy = icon_.top + kIconSize / 2;
  COLORREF sign = kText;
  const char* mark = nullptr;
  switch (style_ & MB_ICONMASK) {
    case MB_ICONHAND:
      FillCircle(dc, cx, cy, 15, RGB(128, 0, 0));
      FillCircle(dc, cx, cy, 14, RGB(255, 0, 0));
      // A white cross of two thick diagonals.
      for (int i = -7; i <= 7; ++i) {
        dc.CopySpan(cy + i, cx + i - 1, cx + i + 2, kWindow);
        dc.CopySpan(cy + i, cx - i - 1, cx - i + 2, kWindow);
      }
      return;
    case MB_ICONEXCLAMATION: {
      dc.SelectPen(CreatePen(PS_SOLID, 1, kText));
      dc.SelectBrush(CreateSolidBrush(RGB(255, 255, 0)));
      const POINT triangle[] = {{cx, icon_.top + 1}, {icon_.right - 1, icon_.bottom - 2}, {icon_.left, icon_.bottom - 2}};
      dc.Polygon(triangle);
      mark = "!";
      break;
    }
    case MB_ICONQUESTION:
      FillCircle(dc, cx, cy, 15, kShadow);
      FillCircle(dc, cx, cy, 14, kWindow);
      sign = RGB(0, 0, 255);
      mark = "?";
      break;
    case MB_ICONASTERISK:
      FillCircle(dc, cx, cy, 15, kShadow);
      FillCircle(dc, cx, cy, 14, kWindow);
      sign = RGB(0, 0, 255);
      mark = "i";
      break;
    default:
      return;
  }
  dc.SaveDC();
  dc.SelectFont(UiFont(160, true));
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(sign);
  const int lift = (style_ & MB_ICONMASK) == MB_ICONEXCLAMATION ? -4 : 0;
  DrawTextA(dc, mark, {icon_.left, icon_.top + 4 + lift, icon_.right, icon_.bottom + lift}, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
  dc.RestoreDC(-1);
}

bool MessageDialog::Handle(const DialogEvent& event) {
  if (Finished()) return false;
  const int count = static_cast<int>(buttons_.size());
  switch (event.kind) {
    case DialogEvent::Kind::KeyDown:
      switch (event.key) {
        case VK_RETURN:
        case VK_SPACE:
          answer_ = buttons_[static_cast<size_t>(focus_)].id;
          return true;
        case VK_ESCAPE:
          answer_ = escape_;
          return escape_ != 0;
        case VK_TAB:
          focus_ = (focus_ + (event.shift ? count - 1 : 1)) % count;
          return true;
        case VK_LEFT:
        case VK_UP:
          focus_ = (focus_ + count - 1) % count;
          return true;
        case VK_RIGHT:
        case VK_DOWN:
          focus_ = (focus_ + 1) % count;
          return true;
        default:
          return false;
      }
    case DialogEvent::Kind::MouseDown: {
      if (event.rightButton) return false;
      const int at = ButtonAt(event.x, event.y);
      if (at == -1 || (at == -2 && escape_ == 0)) return false;
      pressed_ = at;
      pressedInside_ = true;
      if (at >= 0) focus_ = at;
      return true;
    }
    case DialogEvent::Kind::MouseMove: {
      if (pressed_ == -1) return false;
      const bool inside = ButtonAt(event.x, event.y) == pressed_;
      if (inside == pressedInside_) return false;
      pressedInside_ = inside;
      return true;
    }
    case DialogEvent::Kind::MouseUp: {
      if (event.rightButton || pressed_ == -1) return false;
      if (ButtonAt(event.x, event.y) == pressed_) {
        answer_ = pressed_ == -2 ? escape_ : buttons_[static_cast<size_t>(pressed_)].id;
      }
      pressed_ = -1;
      return true;
    }
    default:
      return false;
  }
}

void MessageDialog::Cancel() {
  if (answer_ == 0) answer_ = escape_ != 0 ? escape_ : DefaultButton(style_);
}

int MessageDialog::ButtonAt(int x, int y) const {
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (Contains(buttons_[i].rect, x, y)) return static_cast<int>(i);
  }
  if (Contains(CloseBoxRect(outer_), x, y)) return -2;
  return -1;
}

}  // namespace tav::platform
