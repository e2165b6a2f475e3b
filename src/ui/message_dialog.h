#pragma once

// A message box drawn inside the game window: the caption, an icon for the style, the text
// (wrapped when long) and the style's buttons. Enter presses the focused button (at first the
// style's default), Escape and the close box answer the box's escape button where it has one,
// Tab and the arrow keys move the focus.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog_style.h"
#include "ui/modal_dialog.h"

namespace tav::platform {

class MessageDialog final : public ModalDialog {
 public:
  MessageDialog(std::string_view textSjis, std::string_view captionSjis, unsigned style, int pictureWidth,
                int pictureHeight);

  void Draw(Bitmap& picture) const override;
  bool Handle(const DialogEvent& event) override;
  bool Finished() const override { return answer_ != 0; }
  // The window closes: the escape button's answer, or the default one's when there is none.
  void Cancel() override;

  // After Finished(): the pressed button (IDOK ...).
  int Answer() const { return answer_; }
  RECT Button(size_t index) const { return buttons_[index].rect; }
  size_t ButtonCount() const { return buttons_.size(); }

 private:
  struct PushButton {
    int id;
    RECT rect;
  };
  int ButtonAt(int x, int y) const;  // an index into buttons_, -1 for none, -2 for the close box
  void DrawIcon(DeviceContext& dc) const;

  std::string text_, caption_;
  unsigned style_;
  std::shared_ptr<const Font> font_;
  RECT outer_{}, icon_{}, textRect_{};
  unsigned textFlags_ = 0;
  std::vector<PushButton> buttons_;
  int focus_ = 0;       // index of the focused button
  int pressed_ = -1;    // held down by the mouse (-2 the close box)
  bool pressedInside_ = false;
  int escape_;          // the escape button's id, 0 when the box has none
  int answer_ = 0;
};

}  // namespace tav::platform
