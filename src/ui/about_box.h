#pragma once

// The about box: titled "TAV のﾊﾞｰｼﾞｮﾝ情報", the program's name and version on its first line,
// what it is on the second, and an OK button. Enter, Escape, Space, the button and the close
// box end it.

#include <memory>
#include <string>
#include <string_view>

#include "ui/dialog_style.h"
#include "ui/modal_dialog.h"

namespace tav::platform {

class AboutBox final : public ModalDialog {
 public:
  AboutBox(std::string_view version, int pictureWidth, int pictureHeight);

  void Draw(Bitmap& picture) const override;
  bool Handle(const DialogEvent& event) override;
  bool Finished() const override { return finished_; }
  void Cancel() override { finished_ = true; }

  RECT OkButton() const { return ok_; }
  // Both lines of text, Shift-JIS.
  const std::string& NameLine() const { return nameLine_; }

 private:
  enum class Button { None, Ok, CloseBox };
  Button ButtonAt(int x, int y) const;

  std::shared_ptr<const Font> font_;
  std::string nameLine_, descriptionLine_;
  RECT outer_{}, icon_{}, name_{}, description_{}, ok_{};
  Button pressed_ = Button::None;
  bool pressedInside_ = false;
  bool finished_ = false;
};

}  // namespace tav::platform
