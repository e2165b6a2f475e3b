// TOL_VarWindow: an object that owns a screen rectangle.
//
// Views and appearances are windows. Besides the rectangle this class declares the operations
// that views and appearances share (Initialize, Update, IsVisible) and the copy machinery their
// Clone uses: each class copies its own fields in CopyFieldsTo and passes on to its base.
#pragma once

#include <cstdint>

#include "script/core/var_array.h"
#include "script/core/var_object.h"

namespace tav::platform {
class DeviceContext;
}

namespace tav::screen {

// Pixels of the game screen; right and bottom are exclusive.
struct WindowRect {
  int32_t left = 100;
  int32_t top = 100;
  int32_t right = 300;
  int32_t bottom = 200;

  friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

class TOL_VarWindow : public script::TOL_VarObject {
  TOL_DECLARE_CLASS(TOL_VarWindow)
 public:
  TOL_VarWindow() = default;

  const WindowRect& Rect() const { return rect_; }
  void SetRect(const WindowRect& rect) { rect_ = rect; }
  void SetRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    rect_ = {left, top, right, bottom};
  }
  void SetTop(int32_t top) { rect_.top = top; }
  void SetLeft(int32_t left) { rect_.left = left; }
  void SetRight(int32_t right) { rect_.right = right; }
  void SetBottom(int32_t bottom) { rect_.bottom = bottom; }

  // Run when a screen is made from a stored view; `context` is the caller's frame.
  virtual void Initialize(script::TOL_VarObArray* context);
  // Refreshes derived state before drawing.
  virtual void Update(script::TOL_VarObArray* context);
  virtual bool IsVisible(script::TOL_VarObArray* context);
  // Draws the window into `dc` (a plain window draws nothing).
  virtual void Draw(platform::DeviceContext& dc);
  // Draws for a design display: as Draw unless a class adds a frame.
  virtual void DrawFramed(platform::DeviceContext& dc);

  // Without a target: a new object of this object's class, based on this one. Members are
  // copied as every object copies them; then every field of the target's classes that this
  // object also has.
  script::VarRef Clone(script::TOL_Var* target) override;
  // After the object part: the rectangle (left, top, right, bottom; 16 bytes).
  void Serialize(archive::Archive& ar) override;

 protected:
  // Copies this object's fields into `target` (this object's class or any other window class):
  // each override copies its own fields when `target` has them, then calls its base.
  virtual void CopyFieldsTo(TOL_VarWindow& target) const;

 private:
  WindowRect rect_;
};

// The window method table: SETTOP, SETLEFT, SETRIGHT, SETBOTTOM, SETRECT.
int WindowMethodTableId();
// Fills the table once; later calls do nothing.
void DefineWindowMethods();

}  // namespace tav::screen
