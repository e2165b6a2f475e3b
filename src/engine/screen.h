// TAV_Screen: a working copy of a stored view with its own picture.
//
// The view stack holds screens; the top one is what the window shows. A screen draws its view
// over a copy of the picture of the screen below it, so a dialog view lies over the screen that
// opened it; the base screen at the bottom of the stack has no view and stays black. Event
// handlers run with the screen as THIS and its WITH object (the object the screen works on) as
// WITH and PARENT; a modal call waits until DestroyView gives the screen its result.
//
// A screen lives in memory only: storing one (through an archive, or CopyElements) fails, and
// no archive can create one.
#pragma once

#include "gdi/bitmap.h"
#include "gdi/gdi_dc.h"
#include "screen/var_view.h"

namespace tav::engine {

class TAV_Screen : public screen::TOL_VarView {
  TOL_DECLARE_CLASS(TAV_Screen)
 public:
  // The base screen: a black 800 x 600 picture and nothing below.
  TAV_Screen();
  // A screen over `below`, its picture the size of the one below (black until drawn).
  explicit TAV_Screen(TAV_Screen* below);

  // The screen that was on top when this one was made. Not counted: a screen below leaves the
  // stack only after every screen above it, which forget it when they leave (DetachBelow).
  TAV_Screen* Below() const { return below_; }
  void DetachBelow() { below_ = nullptr; }

  // The object the screen works on, as it was passed; none when it has none.
  script::TOL_Var* With() const { return with_.get(); }
  void SetWith(script::TOL_Var* with) { with_ = script::VarRef(with); }
  // Called when the screen becomes the top again after the screens above it were destroyed.
  script::TOL_Var* ResumeFunction() const { return resume_.get(); }
  void SetResumeFunction(script::TOL_Var* function) { resume_ = script::VarRef(function); }
  // Set by DestroyView; a modal loop waiting on the screen ends once it is set.
  script::TOL_Var* Result() const { return result_.get(); }
  bool HasResult() const { return result_ != nullptr; }
  void SetResult(script::TOL_Var* result) { result_ = script::VarRef(result); }

  platform::Bitmap& Picture() { return picture_; }

  // The picture brought up to date: the picture below copied, then the visible appearances
  // drawn over it; without a screen below, black.
  void DrawScreen();

  // A screen shows whatever its update found visible: it is never hidden itself.
  bool IsVisible(script::TOL_VarObArray* context) override;
  // Fails with an archive error: a screen's picture and stack position cannot be stored.
  void Serialize(archive::Archive& ar) override;

 private:
  TAV_Screen* below_ = nullptr;
  script::VarRef with_;
  platform::Bitmap picture_;
  platform::DeviceContext dc_{&picture_};
  script::VarRef resume_;
  script::VarRef result_;
};

}  // namespace tav::engine
