#pragma once

// The string input box (InputBox): titled "文字列入力", the prompt across the top, a one-line
// edit field below it that scrolls sideways, and the buttons OK (the default) and "ｷｬﾝｾﾙ".
// Enter chooses OK (or Cancel while that button has the focus), Escape and the close box
// cancel, Tab moves the focus. Typed text arrives as UTF-8 and is kept as Shift-JIS; what code
// page 932 cannot hold is refused as it is typed.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog_style.h"
#include "ui/edit_field.h"
#include "ui/modal_dialog.h"

namespace tav::platform {

class InputDialog final : public ModalDialog {
 public:
  // Centred in a picture of the given size.
  InputDialog(std::string_view promptSjis, int pictureWidth, int pictureHeight);

  void Draw(Bitmap& picture) const override;
  bool Handle(const DialogEvent& event) override;
  bool Tick(uint32_t ms) override;
  bool Finished() const override { return finished_; }
  void Cancel() override { Finish(false); }
  std::optional<RECT> TextArea() const override;

  // After Finished(): the entered Shift-JIS text for OK, nothing for Cancel.
  const std::optional<std::string>& Result() const { return result_; }
  const EditField& Field() const { return field_; }

  // Where things are, for tests and the input method: in picture pixels.
  RECT OkButton() const { return ok_; }
  RECT EditBox() const { return edit_; }

 private:
  enum class Control { None, Edit, Ok, Cancel, CloseBox };

  bool HandleKey(const DialogEvent& event);
  bool HandleEditKey(int key);
  bool HandleMouse(const DialogEvent& event);
  Control ControlAt(int x, int y) const;
  void Activate(Control button);
  void Finish(bool ok);
  // Keeps the caret inside the edit field's visible part.
  void ScrollToCaret();
  int TextLeft() const;       // where the first character is drawn, scrolling included
  // The x of every character boundary of what the field shows, from its first character.
  std::vector<int> Offsets(const EditField::Display& shown) const;
  void Touched();             // the caret shows at once after an edit or a move

  std::string prompt_;
  std::shared_ptr<const Font> font_;
  RECT outer_{}, promptRect_{}, edit_{}, ok_{}, cancel_{};
  EditField field_;
  Control focus_ = Control::Edit;
  Control pressed_ = Control::None;  // a button held down by the mouse
  bool pressedInside_ = false;       // the pointer is still over it
  int scroll_ = 0;                   // pixels of text scrolled out to the left
  uint32_t now_ = 0, blinkStart_ = 0;
  bool caretOn_ = true;
  bool finished_ = false;
  std::optional<std::string> result_;
};

}  // namespace tav::platform
