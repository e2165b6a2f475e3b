#include "ui/popup_menu.h"

#include <algorithm>

#include "gdi/gdi_text.h"
#include "encoding/sjis.h"
#include "os/virtual_keys.h"

namespace tav::platform {
namespace {

using namespace dialog_style;

constexpr int kBorder = 3;        // raised edge and one pixel of face around the entries
constexpr int kTextLeft = 17;     // room for a check mark, as every menu leaves it
constexpr int kArrowRoom = 24;    // room for the submenu arrow at the right

MenuItem Entry(const char* utf8, int command = kCommandNone, bool enabled = true) {
  return {Utf8ToSjis(utf8), command, enabled, {}};
}

}  // namespace

std::vector<MenuItem> FrameMenu() {
  MenuItem file{Utf8ToSjis("ﾌｧｲﾙ(&F)"), kCommandNone, true, {Entry("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", kCommandExit)}};
  MenuItem edit{Utf8ToSjis("編集(&E)"), kCommandNone, true,
                {Entry("元に戻す(&U)", kCommandNone, false), Entry("切り取り(&T)", kCommandNone, false),
                 Entry("ｺﾋﾟｰ(&C)", kCommandNone, false), Entry("貼り付け(&P)", kCommandNone, false)}};
  MenuItem help{Utf8ToSjis("ﾍﾙﾌﾟ(&H)"), kCommandNone, true, {Entry("TAV のﾊﾞｰｼﾞｮﾝ情報(&A)...", kCommandAbout)}};
  return {std::move(file), std::move(edit), std::move(help)};
}

int MenuAccelerator(std::string_view sjis) {
  for (size_t i = 0; i + 1 < sjis.size(); ++i) {
    const auto c = static_cast<unsigned char>(sjis[i]);
    if (IsSjisLeadByte(c)) {
      ++i;
      continue;
    }
    if (c != '&') continue;
    const auto next = static_cast<unsigned char>(sjis[i + 1]);
    if (next == '&') {
      ++i;
      continue;
    }
    if (next >= 'a' && next <= 'z') return next - 'a' + 'A';
    if ((next >= 'A' && next <= 'Z') || (next >= '0' && next <= '9')) return next;
    return 0;
  }
  return 0;
}

PopupMenu::PopupMenu(std::vector<MenuItem> items, int x, int y, int pictureWidth, int pictureHeight)
    : items_(std::move(items)), font_(UiFont(90)), pictureWidth_(pictureWidth), pictureHeight_(pictureHeight) {
  Open(items_, x, y, x);
}

void PopupMenu::Open(const std::vector<MenuItem>& items, int x, int y, int flipX) {
  const int itemHeight = std::max((font_ ? font_->Height() : 12) + 6, 17);
  int textWidth = 0;
  for (const MenuItem& item : items) {
    if (!font_) break;
    // Measured as drawn: without the "&" marks.
    for (const TextLine& line : LayoutDrawText(*font_, item.textSjis, {0, 0, 1 << 20, 1 << 20}, DT_SINGLELINE)) {
      textWidth = std::max(textWidth, line.width);
    }
  }
  const int width = 2 * kBorder + kTextLeft + textWidth + kArrowRoom;
  const int height = 2 * kBorder + itemHeight * static_cast<int>(items.size());
  if (x + width > pictureWidth_) x = flipX - width;
  if (y + height > pictureHeight_) y = pictureHeight_ - height;
  x = std::max(0, x);
  y = std::max(0, y);
  Level level{&items, {x, y, x + width, y + height}, {}, -1};
  for (size_t i = 0; i < items.size(); ++i) {
    const int top = y + kBorder + itemHeight * static_cast<int>(i);
    level.itemRects.push_back({x + kBorder, top, x + width - kBorder, top + itemHeight});
  }
  levels_.push_back(std::move(level));
}

void PopupMenu::OpenSubmenu() {
  const Level& parent = levels_.back();
  if (parent.selected < 0) return;
  const MenuItem& item = (*parent.items)[static_cast<size_t>(parent.selected)];
  if (item.submenu.empty()) return;
  const RECT& at = parent.itemRects[static_cast<size_t>(parent.selected)];
  Open(item.submenu, parent.rect.right - kBorder, at.top - kBorder, parent.rect.left + kBorder);
}

void PopupMenu::Draw(Bitmap& picture) const {
  DeviceContext dc(&picture);
  dc.SelectFont(font_);
  dc.SetBkMode(TRANSPARENT);
  for (const Level& level : levels_) {
    Fill(dc, level.rect, kFace);
    DrawEdge(dc, level.rect, Edge::Raised);
    for (size_t i = 0; i < level.items->size(); ++i) {
      const MenuItem& item = (*level.items)[i];
      const RECT& r = level.itemRects[i];
      const bool selected = static_cast<int>(i) == level.selected;
      if (selected) Fill(dc, r, kSelection);
      const RECT text{r.left + kTextLeft, r.top, r.right - kArrowRoom, r.bottom};
      const unsigned flags = DT_LEFT | DT_SINGLELINE | DT_VCENTER;
      if (!item.enabled && !selected) {
        DrawDisabledText(dc, item.textSjis, text, flags);
      } else {
        dc.SetTextColor(!item.enabled ? kShadow : selected ? kSelectionText : kText);
        DrawTextA(dc, item.textSjis, text, flags);
      }
      if (!item.submenu.empty()) {
        // A small arrow pointing at where the submenu opens.
        const COLORREF color = selected ? kSelectionText : kText;
        const int ax = r.right - 12, ay = (r.top + r.bottom) / 2;
        for (int k = 0; k < 4; ++k) {
          for (int y = ay - 3 + k; y <= ay + 3 - k; ++y) dc.CopySpan(y, ax + k, ax + k + 1, color);
        }
      }
    }
  }
}

bool PopupMenu::Handle(const DialogEvent& event) {
  if (finished_) return false;
  if (event.kind == DialogEvent::Kind::KeyDown) return HandleKey(event.key);
  return HandleMouse(event);
}

bool PopupMenu::HandleKey(int key) {
  Level& level = levels_.back();
  const int count = static_cast<int>(level.items->size());
  switch (key) {
    case VK_UP:
    case VK_DOWN:
      if (count == 0) return false;
      if (level.selected < 0) {
        level.selected = key == VK_DOWN ? 0 : count - 1;
      } else {
        level.selected = (level.selected + (key == VK_DOWN ? 1 : count - 1)) % count;
      }
      return true;
    case VK_RIGHT:
      if (level.selected < 0) return false;
      OpenSubmenu();
      if (levels_.size() > 1 && levels_.back().selected < 0) levels_.back().selected = 0;
      return true;
    case VK_LEFT:
      if (levels_.size() < 2) return false;
      levels_.pop_back();
      return true;
    case VK_ESCAPE:
      if (levels_.size() < 2) {
        finished_ = true;
      } else {
        levels_.pop_back();
      }
      return true;
    case VK_RETURN:
      if (level.selected < 0) return false;
      return Choose(levels_.size() - 1, level.selected);
    default:
      break;
  }
  if (key <= 0 || key > 0xFF) return false;
  // A letter chooses the entry it marks; with several such entries it moves among them.
  std::vector<int> matches;
  for (int i = 0; i < count; ++i) {
    if (MenuAccelerator((*level.items)[static_cast<size_t>(i)].textSjis) == key) matches.push_back(i);
  }
  if (matches.empty()) return false;
  if (matches.size() > 1) {
    auto next = std::upper_bound(matches.begin(), matches.end(), level.selected);
    level.selected = next == matches.end() ? matches.front() : *next;
    return true;
  }
  level.selected = matches.front();
  Choose(levels_.size() - 1, level.selected);
  return true;
}

bool PopupMenu::Choose(size_t levelIndex, int index) {
  levels_.resize(levelIndex + 1);
  Level& level = levels_.back();
  level.selected = index;
  const MenuItem& item = (*level.items)[static_cast<size_t>(index)];
  if (!item.submenu.empty()) {
    OpenSubmenu();
    levels_.back().selected = 0;
    return true;
  }
  // A disabled entry is only highlighted.
  if (!item.enabled) return true;
  command_ = item.command;
  finished_ = true;
  return true;
}

bool PopupMenu::Hit(int x, int y, size_t& level, int& index) const {
  // Submenus lie over their parents: the deepest one under the pointer wins.
  for (size_t l = levels_.size(); l-- > 0;) {
    if (!Contains(levels_[l].rect, x, y)) continue;
    level = l;
    index = -1;
    for (size_t i = 0; i < levels_[l].itemRects.size(); ++i) {
      if (Contains(levels_[l].itemRects[i], x, y)) index = static_cast<int>(i);
    }
    return true;
  }
  return false;
}

bool PopupMenu::HandleMouse(const DialogEvent& event) {
  size_t level = 0;
  int index = -1;
  const bool over = Hit(event.x, event.y, level, index);
  switch (event.kind) {
    case DialogEvent::Kind::MouseMove: {
      if (!over || index < 0) return false;
      Level& at = levels_[level];
      if (at.selected == index && levels_.size() > level + 1) return false;
      if (at.selected == index && (*at.items)[static_cast<size_t>(index)].submenu.empty()) return false;
      armed_ = true;
      levels_.resize(level + 1);
      levels_.back().selected = index;
      OpenSubmenu();
      return true;
    }
    case DialogEvent::Kind::MouseDown:
      if (!over) {
        finished_ = true;  // a press outside closes the menu and goes nowhere else
        return true;
      }
      armed_ = true;
      return false;
    case DialogEvent::Kind::MouseUp:
      if (!armed_ || !over || index < 0) return false;
      if (!(*levels_[level].items)[static_cast<size_t>(index)].submenu.empty()) {
        // Releasing over an entry with a submenu just shows that submenu.
        if (levels_.size() > level + 1 && levels_[level].selected == index) return false;
        levels_.resize(level + 1);
        levels_.back().selected = index;
        OpenSubmenu();
        return true;
      }
      return Choose(level, index);
    default:
      return false;
  }
}

}  // namespace tav::platform
