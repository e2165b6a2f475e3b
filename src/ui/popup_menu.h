#pragma once

// A popup menu drawn over the game picture: a column of entries, each with an "&" accelerator,
// some opening a submenu to the side, disabled ones drawn grey. The pointer highlights entries
// and opens submenus; a click on an enabled entry chooses it, a click elsewhere closes the
// menu. Keys: Up and Down move, Right or Enter open a submenu, Left and Escape close one,
// Enter chooses, a letter chooses the entry it underlines.

#include <memory>
#include <string>
#include <vector>

#include "ui/dialog_style.h"
#include "ui/modal_dialog.h"

namespace tav::platform {

struct MenuItem {
  std::string textSjis;  // "&" marks the accelerator
  int command = 0;       // what choosing it answers; entries with a submenu have none
  bool enabled = true;
  std::vector<MenuItem> submenu;
};

// The frame's commands and its menu: File (exit), Edit (four entries that do nothing, shown
// disabled) and Help (the about box).
enum FrameCommand : int { kCommandNone = 0, kCommandExit = 1, kCommandAbout = 2 };
std::vector<MenuItem> FrameMenu();

class PopupMenu final : public ModalDialog {
 public:
  // Opens with its top-left corner at (x, y), moved to stay inside the picture.
  PopupMenu(std::vector<MenuItem> items, int x, int y, int pictureWidth, int pictureHeight);

  void Draw(Bitmap& picture) const override;
  bool Handle(const DialogEvent& event) override;
  bool Finished() const override { return finished_; }
  void Cancel() override { finished_ = true; }

  // After Finished(): the chosen entry's command, or kCommandNone.
  int Command() const { return command_; }

  // For tests: the open menus, outermost first, and the rectangle of entry `item` of one.
  size_t OpenLevels() const { return levels_.size(); }
  RECT ItemRect(size_t level, size_t item) const { return levels_[level].itemRects[item]; }
  int Selected(size_t level) const { return levels_[level].selected; }

 private:
  struct Level {
    const std::vector<MenuItem>* items;
    RECT rect;
    std::vector<RECT> itemRects;
    int selected = -1;
  };

  void Open(const std::vector<MenuItem>& items, int x, int y, int flipX);
  void OpenSubmenu();  // of the deepest level's selected entry
  bool HandleKey(int key);
  bool HandleMouse(const DialogEvent& event);
  bool Choose(size_t level, int index);
  // Which level and entry is at (x, y): false when none.
  bool Hit(int x, int y, size_t& level, int& index) const;

  std::vector<MenuItem> items_;
  std::shared_ptr<const Font> font_;
  int pictureWidth_, pictureHeight_;
  std::vector<Level> levels_;
  bool armed_ = false;  // a button release chooses only after the pointer moved or pressed
  bool finished_ = false;
  int command_ = kCommandNone;
};

// The accelerator of a menu text: the upper-case ASCII letter or digit after its "&", or 0.
int MenuAccelerator(std::string_view sjis);

}  // namespace tav::platform
